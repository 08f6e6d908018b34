#include "demo/demo_service.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <future>
#include <stdexcept>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/support/page_reader.h"

namespace quillmark::demo {
namespace {

// Sends `target` byte for byte (no client-side encoding) and returns the reply.
httplib::Result Get(int port, const std::string& target) {
  httplib::Client client("127.0.0.1", port);
  client.set_url_encode(false);
  client.set_read_timeout(10, 0);
  return client.Get(target);
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
  auto pending = std::async(std::launch::async, [port = service.Port()] { Get(port, "/top"); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  service.Stop();
  // Released by the Stop, not by the latency, which lasts twice as long as this wait.
  EXPECT_EQ(pending.wait_for(std::chrono::milliseconds(kMaxLatencyMs / 2)),
            std::future_status::ready);
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
