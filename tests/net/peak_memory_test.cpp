// A hostile server must not make a fetch eat the machine's memory or hang it: qmk fetch runs as
// a child process against peers that announce or stream far more than any page, and its peak
// resident memory and its running time must stay small.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "net/net_limits.h"
#include "net/support/scripted_server.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace quillmark::net {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::ChildResult;
using testing::Script;
using testing::ScriptedServer;
using testing::TempDir;

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer's shadow memory and quarantine of freed blocks inflate the footprint.
constexpr long kPeakLimitKiB = 600 * 1024;
#else
// The body streams to standard output block by block.
constexpr long kPeakLimitKiB = 20 * 1024;
#endif
// Enough to stream several gigabytes, far beyond every bound; the peer stops when we hang up.
constexpr std::uint64_t kEndless = std::uint64_t{1} << 20;
const std::string kBlock(64 * 1024, 'x');

struct Fetched {
  ChildResult result;
  std::string out;
};

Fetched QmkFetch(const ScriptedServer& server, const std::string& timeout_seconds = "3") {
  TempDir dir("quillmark-peak");
  ChildProcess::Options options;
  options.stdout_file = dir.path() / "out";
  options.stderr_file = dir.path() / "err";
  ChildProcess qmk({QMK_BINARY, "fetch", "--timeout", timeout_seconds, server.Url("/page")},
                   options);
  Fetched fetched{qmk.Wait(60s), dir.Read("out")};
  return fetched;
}

// Every reply here breaks a bound or the time limit: the fetch fails (exit 3), in little memory.
void ExpectFailedInLittleMemory(const Fetched& fetched) {
  ASSERT_FALSE(fetched.result.timed_out);
  ASSERT_TRUE(fetched.result.exited) << "signal " << fetched.result.signal;
  EXPECT_EQ(fetched.result.exit_code, 3);
  EXPECT_LT(fetched.result.peak_rss_kib, kPeakLimitKiB);
}

bool AllX(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c == 'x'; });
}

class PeakMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::access(QMK_BINARY, X_OK) != 0) GTEST_SKIP() << QMK_BINARY << " is not built";
  }
};

TEST_F(PeakMemoryTest, HugeAnnouncedBodiesStopAtTheBodyBound) {
  ScriptedServer by_length(Script()
                               .Send("HTTP/1.1 200 OK\r\nContent-Length: 2147483000\r\n\r\n")
                               .Repeat(kBlock, kEndless));
  Fetched fetched = QmkFetch(by_length);
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out.size(), static_cast<std::size_t>(kMaxBody));
  EXPECT_TRUE(AllX(fetched.out));

  ScriptedServer one_huge_chunk(
      Script()
          .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7FFFFFFF\r\n")
          .Repeat(kBlock, kEndless));
  fetched = QmkFetch(one_huge_chunk);
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out.size(), static_cast<std::size_t>(kMaxBody));
  EXPECT_TRUE(AllX(fetched.out));

  // The bound holds across chunks, not only within one.
  ScriptedServer endless_chunks(Script()
                                    .Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
                                    .Repeat("10000\r\n" + kBlock + "\r\n", kEndless));
  fetched = QmkFetch(endless_chunks);
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out.size(), static_cast<std::size_t>(kMaxBody));
  EXPECT_TRUE(AllX(fetched.out));
}

TEST_F(PeakMemoryTest, EndlessHeadersEndTheExchangeWithAnEmptyPage) {
  ScriptedServer endless_line(
      Script().Send("HTTP/1.1 200 OK\r\nX-Filler: ").Repeat(kBlock, kEndless));
  Fetched fetched = QmkFetch(endless_line);
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out, "");

  // Every line within its bound, but no end to the header block.
  ScriptedServer endless_lines(
      Script()
          .Send("HTTP/1.1 200 OK\r\n")
          .Repeat("X-Filler: " + std::string(1000, 'a') + "\r\n", kEndless));
  fetched = QmkFetch(endless_lines);
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out, "");
}

TEST_F(PeakMemoryTest, StalledBodyEndsAtTheTimeLimitWithWhatArrived) {
  ScriptedServer stalled(
      Script().Send("HTTP/1.1 200 OK\r\nContent-Length: 2147483000\r\n\r\npartial").Hold());
  const Fetched fetched = QmkFetch(stalled, "1");
  ExpectFailedInLittleMemory(fetched);
  EXPECT_EQ(fetched.out, "partial");
}

}  // namespace
}  // namespace quillmark::net
