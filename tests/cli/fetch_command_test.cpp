// qmk fetch as a script sees it: the exact body bytes on stdout, its exit codes, its time limit.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "cli/qmk_runner.h"
#include "net/support/scripted_server.h"

namespace quillmark::testing {
namespace {

using namespace std::chrono_literals;

TEST(FetchCommand, WritesTheBodyBytesUnchanged) {
  std::string body;
  for (int i = 0; i < 256; ++i) body += static_cast<char>(i);
  ScriptedServer server(Script().Send(Reply("200 OK", body)));
  const QmkResult r = RunQmk({"fetch", server.Url("/page")});
  EXPECT_EQ(r.exit_code(), 0) << r.err;
  EXPECT_EQ(r.out, body);
}

TEST(FetchCommand, EmptyPageStillSucceeds) {
  // An error reply's body is the page; a refused https URL gives nothing, and neither is a failure.
  ScriptedServer server(Script().Send(Reply("404 Not Found", "gone")));
  QmkResult r = RunQmk({"fetch", server.Url()});
  EXPECT_EQ(r.exit_code(), 0);
  EXPECT_EQ(r.out, "gone");
  r = RunQmk({"fetch", "https://127.0.0.1:1/"});
  EXPECT_EQ(r.exit_code(), 0);
  EXPECT_EQ(r.out, "");
}

TEST(FetchCommand, TimeoutBoundsASilentServer) {
  ScriptedServer server(Script().Hold());
  const auto start = std::chrono::steady_clock::now();
  const QmkResult r = RunQmk({"fetch", "--timeout", "0.3", server.Url()});
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
  EXPECT_EQ(r.exit_code(), 0);
  EXPECT_EQ(r.out, "");
}

TEST(FetchCommand, UsageErrorsExitTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"fetch"},
           {"fetch", "--timeout", "0", "http://127.0.0.1:1/"},
           {"fetch", "--timeout", "-3", "http://127.0.0.1:1/"},
           {"fetch", "--timeout", "soon", "http://127.0.0.1:1/"},
           {"fetch", "http://a/", "http://b/"},
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
