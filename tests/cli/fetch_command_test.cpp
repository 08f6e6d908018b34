// qmk fetch as a script sees it: the exact body bytes on stdout, its exit codes, its time limit.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "cli/qmk_runner.h"
#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"

namespace quillmark::testing {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

TEST(FetchCommand, WritesTheBodyBytesUnchanged) {
  std::string body;
  for (int i = 0; i < 256; ++i) body += static_cast<char>(i);
  ScriptedServer server(Script().Send(Reply("200 OK", body)));
  const QmkResult r = RunQmk({"fetch", server.Url("/page")});
  EXPECT_EQ(r.exit_code(), 0) << r.err;
  EXPECT_EQ(r.out, body);
}

TEST(FetchCommand, ExitStatusSaysWhetherThePageCameWhole) {
  struct Case {
    const char* name;
    Script script;
    int exit_code;
    std::string out;
    std::string err;  // a part of standard error
  };
  const std::string cut = "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\nabc";
  const Case cases[] = {
      {"an error reply is a page", Script().Send(Reply("404 Not Found", "gone")), 0, "gone", ""},
      {"interim replies are skipped",
       Script().Send("HTTP/1.1 100 Continue\r\n\r\n" + Reply("200 OK", "ok")), 0, "ok", ""},
      {"204 does not wait for the close", Script().Send("HTTP/1.1 204 No Content\r\n\r\n").Hold(),
       0, "", ""},
      {"a reply cut short", Script().Send(cut), 3, "abc", "reply cut short"},
      {"the time limit", Script().Hold(), 3, "", "time limit reached"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server(c.script);
    const QmkResult r = RunQmk({"fetch", "--timeout", "2", server.Url("/p")});
    EXPECT_EQ(r.exit_code(), c.exit_code) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_THAT(r.err, HasSubstr(c.err));
    if (c.exit_code == 3) {
      EXPECT_THAT(r.err, HasSubstr("page not fetched: " + server.Url("/p")));
    }
  }
  const ClosedPort closed;
  const QmkResult refused = RunQmk({"fetch", closed.Url()});
  EXPECT_EQ(refused.exit_code(), 3);
  EXPECT_THAT(refused.err, HasSubstr("Socket Error # 10061 Connection refused."));
}

TEST(FetchCommand, UnsafeUrlsAreUsageErrorsWithoutAConnection) {
  ScriptedServer server(Script().Send(Reply("200 OK", "never")));
  const std::string host = "http://127.0.0.1:" + std::to_string(server.port());
  for (const std::string& url : {host + "/a b", host + "/a\r\nX: 1", host + "/\xC3\xA9",
                                 std::string("http://127.0.0.1:0/")}) {
    const QmkResult r = RunQmk({"fetch", url});
    EXPECT_EQ(r.exit_code(), 2) << url;
    EXPECT_THAT(r.err, HasSubstr("unsafe URL"));
  }
  EXPECT_EQ(server.ConnectionsMadeSoFar(), 0);
}

TEST(FetchCommand, UsageErrorsExitTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"fetch"},
           {"fetch", "--timeout", "0", "http://127.0.0.1:1/"},
           {"fetch", "--timeout", "-3", "http://127.0.0.1:1/"},
           {"fetch", "--timeout", "soon", "http://127.0.0.1:1/"},
           {"fetch", "http://a/", "http://b/"},
           {"fetch", "--search-host", "127.0.0.1:1", "http://127.0.0.1:1/"},
           {"fecth", "http://127.0.0.1:1/"},
       }) {
    SCOPED_TRACE(args.size() > 2 ? args[2] : args.back());
    const QmkResult r = RunQmk(args);
    EXPECT_EQ(r.exit_code(), 2);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(r.err.empty());
  }
}

}  // namespace
}  // namespace quillmark::testing
