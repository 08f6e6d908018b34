#include "demo/demo_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/support/page_reader.h"
#include "demo/support/raw_client.h"
#include "net/support/scripted_server.h"

namespace quillmark::demo {
namespace {

// Sends `target` byte for byte (no client-side encoding) and returns the reply.
httplib::Result Get(int port, const std::string& target) {
  httplib::Client client("127.0.0.1", port);
  client.set_url_encode(false);
  client.set_read_timeout(10, 0);
  return client.Get(target);
}

// A GET written to the socket by hand, so that the test can tell when the service has read it.
class HandSentRequest {
 public:
  HandSentRequest(int port, const std::string& target)
      : socket_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    if (::connect(socket_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::send(socket_.get(), request.data(), request.size(), MSG_NOSIGNAL) !=
            static_cast<ssize_t>(request.size()) ||
        ::getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      throw std::runtime_error("cannot send the request");
    }
    server_end_ = Endpoint(port);
    client_end_ = Endpoint(ntohs(address.sin_port));
  }

  // Whether the service has read the whole request: the service's end acknowledged every byte
  // and holds none unread (its receive queue in the kernel's table of TCP sockets).
  bool ReadByTheService() const {
    int unacknowledged = -1;
    if (::ioctl(socket_.get(), SIOCOUTQ, &unacknowledged) != 0 || unacknowledged != 0) return false;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);  // the column titles
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      std::string slot, local, remote, state, queues;
      fields >> slot >> local >> remote >> state >> queues;
      if (local == server_end_ && remote == client_end_) {
        return std::stoul(queues.substr(queues.find(':') + 1), nullptr, 16) == 0;
      }
    }
    return false;
  }

  // Everything the service sends until it closes the connection.
  std::string Reply() const {
    // Longer than any latency: a reply held back for the whole latency still comes.
    const timeval limit{kMaxLatencyMs / 1000 + 30, 0};
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    std::string reply;
    char block[4096];
    for (ssize_t got; (got = ::recv(socket_.get(), block, sizeof block, 0)) > 0;) {
      reply.append(block, static_cast<std::size_t>(got));
    }
    return reply;
  }

 private:
  // An address on 127.0.0.1 as the kernel's table writes it.
  static std::string Endpoint(int port) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X:%04X", htonl(INADDR_LOOPBACK), port);
    return text;
  }

  quillmark::testing::UniqueFd socket_;
  std::string server_end_;
  std::string client_end_;
};

// Asks `condition` until it holds, for at most a generous bound; false when it never did.
bool Eventually(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class DemoServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { service_.Start(); }
  DemoService service_;
};

TEST_F(DemoServiceTest, ServesTheThreeRequestPaths) {
  auto suggestion =
      Get(service_.Port(), "/d/searchinventory/suggestion/?term=blue%20widgets&mkt=us&lang=en_US");
  ASSERT_TRUE(suggestion);
  EXPECT_EQ(suggestion->status, 200);
  EXPECT_EQ(suggestion->body, DemoSuggestionPage("blue widgets"));

  auto supply = Get(service_.Port(), "/search?p=%22blue+widgets%22");
  ASSERT_TRUE(supply);
  EXPECT_EQ(supply->body, DemoSearchPage("\"blue widgets\"", 0));

  auto results = Get(service_.Port(), "/search?p=%22blue+widgets%22&ei=UTF-8&n=20&fl=0&b=21");
  ASSERT_TRUE(results);
  EXPECT_EQ(results->body, DemoSearchPage("\"blue widgets\"", 21));

  auto top = Get(service_.Port(), "/top");
  ASSERT_TRUE(top);
  EXPECT_EQ(top->status, 200);
  EXPECT_EQ(testing::TopPhrases(top->body), testing::TopPhrases(DemoTopPage(TodayUtc())));
}

TEST_F(DemoServiceTest, EveryReplyIsCountedAndClosed) {
  for (const char* target : {"/top", "/nothing/here", "/search?p=%22x%22&b=1"}) {
    auto reply = Get(service_.Port(), target);
    ASSERT_TRUE(reply) << target;
    EXPECT_EQ(reply->get_header_value("Content-Length"), std::to_string(reply->body.size()));
    EXPECT_EQ(reply->get_header_value("Connection"), "close");
  }
  auto missing = Get(service_.Port(), "/nothing/here");
  EXPECT_EQ(missing->status, 404);
  EXPECT_NE(missing->body.find("<html>"), std::string::npos);
}

TEST_F(DemoServiceTest, DecodesEachRequestKindAsTheClientEncodesIt) {
  // Suggestion seeds: only blanks escaped, so a literal "+" is a plus.
  for (const char* term : {"c%2B%2B%20books", "c++%20books"}) {
    auto reply = Get(service_.Port(), std::string("/d/searchinventory/suggestion/?term=") + term +
                                          "&mkt=us&lang=en_US");
    ASSERT_TRUE(reply);
    auto pairs = testing::SuggestionPairs(reply->body);
    ASSERT_FALSE(pairs.empty()) << term;
    EXPECT_EQ(pairs.front().second, "c++ books") << term;
  }
  // Search phrases: blanks as "+", a plus as %2B.
  auto search = Get(service_.Port(), "/search?p=%22c%2B%2B+books%22");
  ASSERT_TRUE(search);
  EXPECT_NE(search->body.find("for <b>c++ books</b>"), std::string::npos);
  EXPECT_EQ(search->body, DemoSearchPage("c++ books", 0));
}

TEST_F(DemoServiceTest, OddOffsetsStillAnswerAResultPage) {
  for (const char* b : {"abc", "0", "-5", "99999999999999999999"}) {
    auto reply = Get(service_.Port(), std::string("/search?p=%22x%22&b=") + b);
    ASSERT_TRUE(reply) << b;
    EXPECT_EQ(reply->status, 200);
    EXPECT_EQ(testing::Count(reply->body, "<li>"), 20u) << b;
  }
}

// The server reads a request as clients really send it, and refuses what it does not answer.
TEST_F(DemoServiceTest, RequestsAreReadAsClientsSendThem) {
  const struct {
    const char* name;
    std::string request;
    bool end_sending;
    const char* reply_starts;
  } cases[] = {
      {"raw ? in a value", "GET /search?p=%22ac/dc?b=21%22 HTTP/1.1\r\nHost: x\r\n\r\n", false,
       "HTTP/1.1 200 OK\r\n"},
      {"LF lines, then the end", "GET /top HTTP/1.0\n\n", true, "HTTP/1.1 200 OK\r\n"},
      {"empty lines first", "\r\n\nGET /top HTTP/1.1\r\n\r\n", false, "HTTP/1.1 200 OK\r\n"},
      {"a body read first", "GET /top HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello", false,
       "HTTP/1.1 200 OK\r\n"},
      {"head only", "HEAD /top HTTP/1.1\r\n\r\n", false, "HTTP/1.1 200 OK\r\n"},
      {"chunked body", "GET /top HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n", false,
       "HTTP/1.1 411 "},
      {"other method", "POST /top HTTP/1.1\r\nContent-Length: 0\r\n\r\n", false, "HTTP/1.1 405 "},
      {"no origin form", "GET http://x/top HTTP/1.1\r\n\r\n", false, "HTTP/1.1 400 "},
      {"head too large", "GET /top HTTP/1.1\r\nX: " + std::string(20000, 'a') + "\r\n\r\n", false,
       "HTTP/1.1 431 "},
      {"ended before the head", "GET /top HTTP/1.1\r\n", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    quillmark::testing::RawClient client(service_.Port());
    ASSERT_TRUE(client.Send(c.request));
    if (c.end_sending) client.EndSending();
    const std::string reply = client.Reply();
    EXPECT_THAT(reply, ::testing::StartsWith(c.reply_starts));
    if (std::string_view(c.name) == "head only") {
      EXPECT_EQ(reply.substr(reply.find("\r\n\r\n") + 4), "");
    }
  }
}

TEST(DemoService, LatencyDelaysEveryReply) {
  DemoService service({.latency_ms = 150});
  service.Start();
  for (const char* target : {"/top", "/missing"}) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(Get(service.Port(), target));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150)) << target;
  }
}

TEST(DemoService, StopWakesRepliesHeldByLatency) {
  DemoService service({.latency_ms = kMaxLatencyMs});
  service.Start();
  const HandSentRequest held(service.Port(), "/top");
  ASSERT_TRUE(Eventually([&held] { return held.ReadByTheService(); }));
  auto pending = std::async(std::launch::async, [&held] { return held.Reply(); });
  // Stop waits for the replies in progress: one it did not wake would hold it for the latency.
  std::thread stopper([&service] { service.Stop(); });
  // Released by the Stop, not by the latency, which lasts twice as long as this wait.
  EXPECT_EQ(pending.wait_for(std::chrono::milliseconds(kMaxLatencyMs / 2)),
            std::future_status::ready);
  stopper.join();
  EXPECT_THAT(pending.get(), ::testing::StartsWith("HTTP/1.1 200 OK\r\n"));
}

TEST(DemoService, StopIsIdempotentAndThePortReusable) {
  DemoService first;
  first.Start();
  const int port = first.Port();
  ASSERT_GT(port, 0);
  ASSERT_TRUE(Get(port, "/top"));
  first.Stop();
  first.Stop();
  EXPECT_EQ(first.Port(), 0);
  EXPECT_FALSE(Get(port, "/top"));

  DemoService second({.port = port});
  second.Start();
  EXPECT_EQ(second.Port(), port);
  EXPECT_TRUE(Get(port, "/top"));
  // A stopped service starts again.
  first.Stop();
  second.Stop();
  first.Start();
  EXPECT_TRUE(Get(first.Port(), "/top"));
}

TEST(DemoService, ReportsWhatCannotStart) {
  DemoService holder;
  holder.Start();
  DemoService clash({.port = holder.Port()});
  EXPECT_THROW(clash.Start(), std::runtime_error);
  EXPECT_THROW(holder.Start(), std::logic_error);
  DemoService bad_port({.port = 70000});
  EXPECT_THROW(bad_port.Start(), std::invalid_argument);
  DemoService bad_latency({.latency_ms = -1});
  EXPECT_THROW(bad_latency.Start(), std::invalid_argument);
  DemoService not_local({.bind = "192.0.2.1"});
  EXPECT_THROW(not_local.Start(), std::runtime_error);
}

}  // namespace
}  // namespace quillmark::demo
