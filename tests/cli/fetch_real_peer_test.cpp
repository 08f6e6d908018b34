// qmk fetch as a user runs it, against nginx on loopback: the bytes on standard output are the
// bytes of the file, and the exit code is 0.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "net/support/nginx_fixture.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace quillmark::cli {
namespace {

using namespace quillmark::testing;

struct Fetched {
  ChildResult result;
  std::string out;
};

Fetched RunQmkFetch(const std::string& url, const std::string& timeout_seconds = "60") {
  TempDir dir("quillmark-qmk");
  ChildProcess::Options options;
  options.stdout_file = dir.path() / "out";
  options.stderr_file = dir.path() / "err";
  ChildProcess qmk({QMK_BINARY, "fetch", url, "--timeout", timeout_seconds}, options);
  Fetched fetched{qmk.Wait(std::chrono::seconds(30)), dir.Read("out")};
  return fetched;
}

TEST(FetchRealPeerTest, WritesTheBodyBytesAndExitsZero) {
  if (auto missing = MissingProgram(kNginxBinary)) GTEST_SKIP() << *missing;
  NginxServer nginx;
  nginx.WriteFile("empty.txt", "");

  for (const std::string name : {"index.html", "big.bin", "empty.txt"}) {
    // nginx keeps the connection alive after an empty body; a fetch that waited for the close
    // would end at its time limit and exit 3.
    const Fetched fetched = RunQmkFetch(nginx.Url("/" + name), "10");
    ASSERT_TRUE(fetched.result.exited) << name;
    EXPECT_EQ(fetched.result.exit_code, 0) << name;
    EXPECT_TRUE(fetched.out == nginx.ReadFile(name)) << name << ": " << fetched.out.size();
  }

  const Fetched chunked = RunQmkFetch(nginx.Url("/chunked/text.txt"));
  EXPECT_EQ(chunked.result.exit_code, 0);
  EXPECT_EQ(chunked.out, NginxServer::ChunkedExpected());

  // An error reply still prints its page and counts as a finished fetch.
  const Fetched missing = RunQmkFetch(nginx.Url("/missing"));
  EXPECT_EQ(missing.result.exit_code, 0);
  EXPECT_EQ(missing.out, nginx.ReadFile("404.html"));
}

}  // namespace
}  // namespace quillmark::cli
