// The real quillmark program as a child: only one copy runs per user, and a copy that was
// killed does not keep the next one out.

#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>
#include <QTest>
#include <chrono>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace quillmark::testing {
namespace {

using namespace std::chrono_literals;

class StartupTest : public ::testing::Test {
 protected:
  std::unique_ptr<ChildProcess> Launch() {
    ChildProcess::Options options;
    options.extra_environment = {"QT_QPA_PLATFORM=offscreen",
                                 "XDG_RUNTIME_DIR=" + runtime_.path().string(),
                                 "QUILLMARK_CONFIG_DIR=" + runtime_.path().string()};
    return std::make_unique<ChildProcess>(std::vector<std::string>{QUILLMARK_BINARY, "--demo"},
                                          options);
  }
  // Whether some process holds the program's lock.
  bool LockHeld() const {
    const int fd = ::open(runtime_.File("Quillmark.lock").c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
  }
  bool WaitForLock() {
    return QTest::qWaitFor([this] { return LockHeld(); }, 20000);
  }

  TempDir runtime_{"quillmark-run"};
};

TEST_F(StartupTest, ASecondCopyEndsAtOnceWithSuccess) {
  auto first = Launch();
  ASSERT_TRUE(WaitForLock());
  const ChildResult second = Launch()->Wait(20s);
  EXPECT_TRUE(second.exited);
  EXPECT_EQ(second.exit_code, 0);
  EXPECT_FALSE(first->Poll().has_value()) << "the first copy must keep running";
}

TEST_F(StartupTest, ALockLeftByAKilledCopyIsTakenOver) {
  auto killed = Launch();
  ASSERT_TRUE(WaitForLock());
  ::kill(killed->pid(), SIGKILL);
  killed->Wait(20s);
  ASSERT_TRUE(std::filesystem::exists(runtime_.File("Quillmark.lock")));

  auto next = Launch();
  ASSERT_TRUE(WaitForLock());
  EXPECT_FALSE(next->Poll().has_value());
}

}  // namespace
}  // namespace quillmark::testing
