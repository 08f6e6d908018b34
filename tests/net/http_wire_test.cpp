// The HTTP exchange on the wire: the exact request bytes, every body mode, the replies that are
// not a success, broken connections, and the bounds that protect us from a hostile server.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "net/fetch_page.h"
#include "net/http_client.h"
#include "net/net_errors.h"
#include "net/net_limits.h"
#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"

namespace quillmark::net {
namespace {

using quillmark::testing::ClosedPort;
using quillmark::testing::Reply;
using quillmark::testing::Script;
using quillmark::testing::ScriptedServer;
using namespace std::chrono_literals;

// Generous: a test that needs it has already failed, but it must not hang the suite.
constexpr std::chrono::milliseconds kTestTimeout = 10s;

FetchResult FetchWhole(const std::string& url) {
  return FetchPage(url, {.timeout = kTestTimeout});
}

std::string Fetch(const std::string& url) {
  return FetchWhole(url).body;
}

std::string ServeOnce(const std::string& raw_reply, const std::string& target = "/") {
  ScriptedServer server(Script().Send(raw_reply));
  return Fetch(server.Url(target));
}

std::string AllByteValues() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  return bytes + bytes;
}

TEST(HttpRequest, SendsExactlyTheFourLines) {
  ScriptedServer server(Script().Send(Reply("200 OK", "page")));
  EXPECT_EQ(Fetch(server.Url("/d/searchinventory/suggestion/?term=a%20b&mkt=us")), "page");
  ASSERT_EQ(server.Requests().size(), 1u);
  // The URL names a port; the Host line carries the host alone.
  EXPECT_EQ(server.Requests()[0],
            "GET /d/searchinventory/suggestion/?term=a%20b&mkt=us HTTP/1.1\r\n"
            "Host: 127.0.0.1\r\n"
            "Accept: text/html, */*\r\n"
            "User-Agent: Mozilla/3.0 (compatible; Quillmark)\r\n"
            "\r\n");
}

TEST(HttpRequest, HostAsWrittenFragmentDroppedBackslashesTurned) {
  ScriptedServer server(Script().Send(Reply("200 OK", "x")));
  const std::string url =
      "http://LocalHost:" + std::to_string(server.port()) + "\\dir\\page.html?q=1#frag";
  EXPECT_EQ(Fetch(url), "x");
  ASSERT_EQ(server.Requests().size(), 1u);
  const std::string request = server.Requests()[0];
  EXPECT_EQ(request.substr(0, request.find("\r\nAccept")),
            "GET /dir/page.html?q=1 HTTP/1.1\r\nHost: LocalHost");
}

TEST(HttpRequest, HttpsIsRefusedWithoutConnecting) {
  ScriptedServer server(Script().Send(Reply("200 OK", "secret")));
  EXPECT_EQ(Fetch("HTTPS://127.0.0.1:" + std::to_string(server.port()) + "/"), "");
  EXPECT_EQ(server.ConnectionsMadeSoFar(), 0);
}

TEST(HttpRequest, RefusedConnectionGivesAnEmptyPage) {
  const ClosedPort closed;
  EXPECT_EQ(Fetch(closed.Url()), "");
}

struct BodyCase {
  const char* name;
  std::string reply;
  std::string page;
  FetchStatus status;  // a fetched page (an error reply's too), or a reply that is not whole
};

constexpr FetchStatus kWhole = FetchStatus::kComplete;
constexpr FetchStatus kNotWhole = FetchStatus::kFailed;

TEST(HttpBody, EveryBodyMode) {
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  const std::vector<BodyCase> cases = {
      {"length stops at the count", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA",
       "hello", kWhole},
      {"chunked", chunked + "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\n", "hello world", kWhole},
      {"until close", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\nall of\r\nthis", "all of\r\nthis",
       kWhole},
      {"zero length is an empty body", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nmore", "",
       kWhole},
      {"unreadable length reads until close", "HTTP/1.1 200 OK\r\nContent-Length: x\r\n\r\nmore",
       "more", kWhole},
      {"length wins over chunked",
       "HTTP/1.1 200 OK\r\nContent-Length: 4\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello",
       "5\r\nh", kWhole},
      {"Chunked with a capital is not chunked",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
       "3\r\nabc\r\n0\r\n\r\n", kWhole},
      {"folded Transfer-Encoding",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding:\r\n chunked\r\n\r\n" +
           std::string("2\r\nok\r\n0\r\n\r\n"),
       "ok", kWhole},
      {"chunk size with trailing text",
       chunked + "1a some words\r\n" + std::string(26, 'z') + "\r\n0\r\n\r\n", std::string(26, 'z'),
       kWhole},
      {"chunk extension ends the body", chunked + "3\r\nabc\r\n5;name=v\r\nhello\r\n0\r\n\r\n",
       "abc", kWhole},
      {"chunk size past 63 bits ends the body",
       chunked + "3\r\nabc\r\n10000000000000000\r\nhello\r\n0\r\n\r\n", "abc", kWhole},
      {"100 Continue comes before the reply",
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Hints\r\nLink: x\r\n\r\n" + Reply("200 OK", "ok"),
       "ok", kWhole},
      {"304 has no body", "HTTP/1.1 304 Not Modified\r\n\r\nleftover", "", kWhole},
      {"204 has no body", "HTTP/1.1 204 No Content\r\n\r\nleftover", "", kWhole},
      {"404 body", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n<b>no</b>", "<b>no</b>",
       kWhole},
      {"500 body is kept but is no page", "HTTP/1.1 500 Oops\r\n\r\n<h1>500</h1>", "<h1>500</h1>",
       kNotWhole},
      {"302 gives its own body",
       "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/elsewhere\r\nContent-Length: 5\r\n\r\n"
       "moved",
       "moved", kWhole},
      {"200 with a Location", "HTTP/1.1 200 OK\r\nLocation: /x\r\n\r\nbody", "body", kWhole},
      {"all byte values, counted", Reply("200 OK", AllByteValues()), AllByteValues(), kWhole},
      {"all byte values, until close", "HTTP/1.1 200 OK\r\n\r\n" + AllByteValues(), AllByteValues(),
       kWhole},
      {"all byte values, chunked", chunked + "200\r\n" + AllByteValues() + "\r\n0\r\n\r\n",
       AllByteValues(), kWhole},
      {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", "ok", kWhole},
      {"status without a number", "HTTP/1.1 OK\r\nContent-Length: 2\r\n\r\nok", "", kNotWhole},
      {"negative length fails the read", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\nhello", "",
       kNotWhole},
      {"closed between header lines", "HTTP/1.1 200 OK\r\nServer: x\r\n", "", kNotWhole},
      {"closed in a header line is read as the body", "HTTP/1.1 200 OK\r\nX-Cut: parti",
       "X-Cut: parti", kNotWhole},
      {"closed in a counted body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n12345", "12345",
       kNotWhole},
      {"closed in a chunk", chunked + "a\r\n12345", "12345", kNotWhole},
      {"closed in a chunk-size line", chunked + "2\r\nok\r\n3", "ok", kNotWhole},
      {"closed before the last chunk", chunked + "2\r\nok\r\n", "ok", kNotWhole},
      {"closed right after the last chunk", chunked + "2\r\nok\r\n0\r\n", "ok", kWhole},
      {"closed before the status line", "", "", kNotWhole},
  };
  for (const BodyCase& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(Script().Send(c.reply));
    const FetchResult fetched = FetchWhole(server.Url());
    EXPECT_EQ(fetched.body, c.page);
    EXPECT_EQ(fetched.status, c.status) << fetched.reason;
  }
}

TEST(HttpBody, BodyArrivingInDripsIsWhole) {
  const std::string reply =
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
      "4\r\nwiki\r\n5\r\npedia\r\n0\r\n\r\n";
  ScriptedServer server(Script().Drip(reply, 3, 2ms));
  EXPECT_EQ(Fetch(server.Url()), "wikipedia");
}

TEST(HttpBody, ResetMidBodyKeepsWhatArrived) {
  ScriptedServer server(
      Script().Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc").Sleep(50ms).Reset());
  EXPECT_EQ(Fetch(server.Url()), "abc");
}

// The client itself, to see what the exchange leaves behind.
class ExchangeTest : public ::testing::Test {
 protected:
  void Get(ScriptedServer& server, TNetBuffer& sink) {
    http_.SetDeadline(TNetDeadline::After(kTestTimeout));
    http_.GetDocument(server.Url("/p"), sink);
  }
  TNetHTTP http_;
};

TEST_F(ExchangeTest, KeepAliveServerLeavesTheConnectionOpen) {
  ScriptedServer server(Script().Send(Reply("200 OK", "ka")).Hold());
  TNetBuffer sink;
  Get(server, sink);
  EXPECT_EQ(sink.View(), "ka");
  EXPECT_TRUE(http_.Socket().HasSocket());
  EXPECT_EQ(http_.ReplyCode(), 200);
  EXPECT_EQ(http_.ReplyText(), "200 OK");
}

TEST_F(ExchangeTest, EmptyBodyFromAKeepAliveServerEndsAtOnce) {
  ScriptedServer server(Script().Send(Reply("200 OK", "")).Hold());
  TNetBuffer sink;
  // Were the close waited for, the exchange would end at the time limit by raising.
  EXPECT_NO_THROW(Get(server, sink));
  EXPECT_EQ(sink.Size(), 0u);
}

TEST_F(ExchangeTest, ResetAfterACompleteReplyStillSucceeds) {
  // The close probe after the reply may meet the reset; the exchange itself went well.
  ScriptedServer server(Script().Send(Reply("200 OK", "whole")).Reset());
  TNetBuffer sink;
  EXPECT_NO_THROW(Get(server, sink));
  EXPECT_EQ(sink.View(), "whole");
}

TEST_F(ExchangeTest, ConnectionCloseInAnyCaseClosesIt) {
  ScriptedServer server(Script().Send(Reply("200 OK", "c", "Connection:  cLoSe \r\n")).Hold());
  TNetBuffer sink;
  Get(server, sink);
  EXPECT_EQ(sink.View(), "c");
  EXPECT_FALSE(http_.Socket().HasSocket());
}

TEST_F(ExchangeTest, Http10ServerHasItsConnectionClosed) {
  ScriptedServer server(Script().Send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nold").Hold());
  TNetBuffer sink;
  Get(server, sink);
  EXPECT_EQ(sink.View(), "old");
  EXPECT_FALSE(http_.Socket().HasSocket());
}

TEST_F(ExchangeTest, AnOpenConnectionToTheSameEndpointIsKept) {
  ScriptedServer server(Script().Send(Reply("200 OK", "reused")));
  http_.SetHost("127.0.0.1");
  http_.SetPort(server.port());
  http_.OpenConnection();
  TNetBuffer sink;
  Get(server, sink);
  EXPECT_EQ(sink.View(), "reused");
  EXPECT_EQ(server.Connections(), 1);
}

TEST_F(ExchangeTest, ErrorReplyRaisesAfterTheBody) {
  ScriptedServer server(Script().Send(Reply("404 Not Found", "missing")));
  TNetBuffer sink;
  try {
    Get(server, sink);
    FAIL() << "a 404 must raise";
  } catch (const ENetProtocolReplyError& e) {
    EXPECT_EQ(e.ReplyCode(), 404);
    EXPECT_STREQ(e.what(), "404 Not Found");
  }
  EXPECT_EQ(sink.View(), "missing");
}

TEST_F(ExchangeTest, RedirectIsNotFollowed) {
  ScriptedServer server(Script().Send(Reply("301 Moved", "here", "Location: /other\r\n")));
  TNetBuffer sink;
  EXPECT_THROW(Get(server, sink), ENetProtocolReplyError);
  EXPECT_EQ(sink.View(), "here");
  EXPECT_EQ(http_.Reply().Location, "/other");
  EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(HttpBounds, TheTimeLimitFailsTheFetchWithWhatArrived) {
  ScriptedServer silent(Script().Hold());
  FetchResult fetched = FetchPage(silent.Url(), {.timeout = 300ms});
  EXPECT_EQ(fetched.status, FetchStatus::kFailed);
  EXPECT_EQ(fetched.reason, "time limit reached");
  EXPECT_EQ(fetched.body, "");

  ScriptedServer slow(Script()
                          .Send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nfirst")
                          .Drip(std::string(995, 'd'), 1, 50ms));
  fetched = FetchPage(slow.Url(), {.timeout = 400ms});
  EXPECT_EQ(fetched.status, FetchStatus::kFailed);
  EXPECT_EQ(fetched.body.substr(0, 5), "first");
  EXPECT_LT(fetched.body.size(), 1000u);
}

TEST(HttpFailures, ReasonsNameWhatWentWrong) {
  const ClosedPort closed;
  const FetchResult refused = FetchWhole(closed.Url());
  EXPECT_EQ(refused.status, FetchStatus::kFailed);
  EXPECT_EQ(refused.reason, "Socket Error # 10061 Connection refused.");
  ScriptedServer cut(Script().Send("HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc"));
  EXPECT_EQ(FetchWhole(cut.Url()).reason, "reply cut short");
  ScriptedServer mute(Script().Close());
  EXPECT_EQ(FetchWhole(mute.Url()).reason, "connection closed without a reply");
}

TEST(HttpFailures, UnsafeUrlsAreRefusedWithoutConnecting) {
  ScriptedServer server(Script().Send(Reply("200 OK", "never")));
  const std::string host = "http://127.0.0.1:" + std::to_string(server.port());
  const std::string unsafe[] = {
      host + "/a b",
      host + "/a\r\nX-Injected: 1",
      host + "/caf\xE9",
      host + "/?q=\x7F",
      "http://127.0.0.1\x01:" + std::to_string(server.port()) + "/",
      "http://127.0.0.1:0/",
      "http://127.0.0.1:65536/",
  };
  for (const std::string& url : unsafe) {
    SCOPED_TRACE(url);
    const FetchResult fetched = FetchWhole(url);
    EXPECT_EQ(fetched.status, FetchStatus::kFailed);
    EXPECT_THAT(fetched.reason, ::testing::StartsWith("unsafe URL"));
    EXPECT_NE(UnsafeUrlReason(url), "");
  }
  EXPECT_EQ(UnsafeUrlReason(host + "/ok?q=%20#frag ment"), "");
  EXPECT_EQ(server.ConnectionsMadeSoFar(), 0);
}

TEST(HttpCancel, CancelEndsAWaitingFetchAndClosesItsConnection) {
  ScriptedServer server(Script().Hold());
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    while (server.Connections() == 0) std::this_thread::sleep_for(5ms);
    stop = true;
  });
  const FetchResult fetched =
      FetchPage(server.Url(), {.timeout = kTestTimeout, .cancelled = [&] { return stop.load(); }});
  stopper.join();
  EXPECT_EQ(fetched.status, FetchStatus::kCancelled);
  EXPECT_EQ(fetched.reason, "stopped");

  // A fetch whose cancel test already says stop makes no connection at all.
  ScriptedServer untouched(Script().Send(Reply("200 OK", "x")));
  EXPECT_EQ(FetchPage(untouched.Url(), {.cancelled = [] { return true; }}).status,
            FetchStatus::kCancelled);
  EXPECT_EQ(untouched.ConnectionsMadeSoFar(), 0);
}

TEST(HttpStream, TheBodyGoesToTheSinkAsItArrives) {
  const std::string body(300000, 's');
  ScriptedServer server(Script().Send(Reply("200 OK", body)));
  std::string received;
  int pieces = 0;
  const FetchResult fetched =
      FetchPageTo(server.Url(), {.timeout = kTestTimeout}, [&](std::string_view bytes) {
        received.append(bytes);
        ++pieces;
        return true;
      });
  EXPECT_TRUE(fetched.Complete()) << fetched.reason;
  EXPECT_EQ(fetched.body, "");
  EXPECT_EQ(received, body);
  EXPECT_GT(pieces, 1);

  ScriptedServer refused_sink(Script().Send(Reply("200 OK", body)));
  EXPECT_EQ(FetchPageTo(refused_sink.Url(), {.timeout = kTestTimeout},
                        [](std::string_view) { return false; })
                .status,
            FetchStatus::kFailed);
}

TEST(HttpBody, NoContentFromAKeepAliveServerEndsWithoutWaiting) {
  // Were the end of a 204 waited for, the fetch would end at the time limit, as failed.
  ScriptedServer server(Script().Send("HTTP/1.1 204 No Content\r\n\r\n").Hold());
  EXPECT_TRUE(FetchWhole(server.Url()).Complete());
}

TEST(HttpBounds, OverlongHeaderLineEndsTheExchange) {
  EXPECT_EQ(
      ServeOnce("HTTP/1.1 200 OK\r\nX-Long: " + std::string(kMaxHeaderLine, 'x') + "\r\n\r\nbody"),
      "");
}

TEST(HttpBounds, EndlessHeaderLineEndsTheExchange) {
  ScriptedServer server(
      Script().Send("HTTP/1.1 200 OK\r\nX-Endless: ").Repeat(std::string(4096, 'y'), 1 << 20));
  EXPECT_EQ(Fetch(server.Url()), "");
}

TEST(HttpBounds, TooManyHeaderLinesEndTheExchange) {
  std::string reply = "HTTP/1.1 200 OK\r\n";
  const std::string line = "X-Pad: " + std::string(60000, 'p') + "\r\n";
  while (reply.size() <= kMaxHeaderTotal + line.size()) reply += line;
  EXPECT_EQ(ServeOnce(reply + "\r\nbody"), "");
}

TEST(HttpBounds, BodyStopsAtTheLimit) {
  const std::string block(1 << 20, 'b');
  ScriptedServer server(Script().Send("HTTP/1.1 200 OK\r\n\r\n").Repeat(block, 200));
  const FetchResult fetched = FetchWhole(server.Url());
  EXPECT_EQ(fetched.body.size(), static_cast<std::size_t>(kMaxBody));
  EXPECT_EQ(fetched.reason, "reply body larger than 64 MiB");
}

TEST(HttpBounds, HugeAnnouncedLengthOrChunkReadsOnlyWhatArrives) {
  EXPECT_EQ(ServeOnce("HTTP/1.1 200 OK\r\nContent-Length: 2147483000\r\n\r\nsmall"), "small");
  EXPECT_EQ(ServeOnce("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "7FFFFFFFFFFFFFFF\r\nsmall"),
            "small");
}

TEST(HttpBounds, HugeChunkStopsAtTheBodyLimit) {
  const std::string block(1 << 20, 'c');
  ScriptedServer server(
      Script()
          .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7FFFFFFFFFFFFFFF\r\n")
          .Repeat(block, 200));
  EXPECT_EQ(Fetch(server.Url()).size(), static_cast<std::size_t>(kMaxBody));
}

}  // namespace
}  // namespace quillmark::net
