#pragma once
// Runs a program as a child process for tests and benchmarks: standard output and error go to
// files, the wait has a time limit (the child is killed when it passes) and reports the child's
// peak resident memory, so a test can check both what a command printed and what it cost.
//
// The peak is sampled from /proc/PID/status (VmHWM) while waiting, not taken from wait4()'s
// ru_maxrss: Linux folds the memory image the child had before exec into ru_maxrss, and with
// posix_spawn (vfork) that image is the parent's own, so a test process that once held a large
// buffer would see its own peak reported as the child's.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace quillmark::testing {

struct ChildResult {
  bool exited = false;     // ended by exit() rather than a signal or our kill
  int exit_code = -1;      // valid when `exited`
  int signal = 0;          // the signal that ended it, when not `exited`
  bool timed_out = false;  // we killed it because the time limit passed
  std::chrono::milliseconds elapsed{0};
  long peak_rss_kib = 0;  // ru_maxrss of the child
};

class ChildProcess {
 public:
  struct Options {
    std::filesystem::path stdout_file = "/dev/null";
    std::filesystem::path stderr_file = "/dev/null";
    std::vector<std::string> extra_environment;  // "NAME=value" entries added to ours
  };

  ChildProcess(const std::vector<std::string>& argv, const Options& options)
      : started_(std::chrono::steady_clock::now()) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.stdout_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, options.stderr_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    // Ours, with the given entries in place of any of the same name.
    std::vector<char*> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
      const std::string_view current(*entry);
      const std::string_view name = current.substr(0, current.find('=') + 1);
      bool replaced = false;
      for (const std::string& extra : options.extra_environment)
        replaced = replaced || std::string_view(extra).substr(0, extra.find('=') + 1) == name;
      if (!replaced) env.push_back(*entry);
    }
    for (const std::string& entry : options.extra_environment) {
      env.push_back(const_cast<char*>(entry.c_str()));
    }
    env.push_back(nullptr);
    const int failed = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) {
      pid_ = -1;
      throw std::system_error(failed, std::generic_category(), "posix_spawn " + argv[0]);
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() {
    if (pid_ > 0) Stop(std::chrono::seconds(5));
  }

  pid_t pid() const { return pid_; }

  // The result once the child has ended, without waiting; nothing while it runs.
  std::optional<ChildResult> Poll() {
    if (pid_ <= 0) return result_;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == 0) return std::nullopt;
    ChildResult result;
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    if (done == pid_) {
      result.exited = WIFEXITED(status);
      result.exit_code = result.exited ? WEXITSTATUS(status) : -1;
      result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    }
    result.peak_rss_kib = peak_rss_kib_;
    pid_ = -1;
    result_ = result;
    return result_;
  }

  // Waits for the child to end; after `limit` it is killed and the result says it timed out.
  ChildResult Wait(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      SamplePeak();
      if (auto result = Poll()) return *result;
      if (std::chrono::steady_clock::now() >= deadline) {
        ::kill(pid_, SIGKILL);
        ChildResult result = WaitBlocking();
        result.timed_out = true;
        result_ = result;
        return result;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }

  // Asks the child to end (SIGTERM), and kills it when it has not ended within `grace`.
  ChildResult Stop(std::chrono::milliseconds grace) {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
    return Wait(grace);
  }

 private:
  // The peak only grows, so sampling it often enough misses at most the last millisecond.
  void SamplePeak() {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("VmHWM:", 0) == 0) {
        peak_rss_kib_ = std::max(peak_rss_kib_, std::atol(line.c_str() + 6));
        return;
      }
    }
  }

  ChildResult WaitBlocking() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    ChildResult result;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.peak_rss_kib = peak_rss_kib_;
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started_);
    pid_ = -1;
    return result;
  }

  pid_t pid_ = -1;
  std::chrono::steady_clock::time_point started_;
  std::optional<ChildResult> result_;
  long peak_rss_kib_ = 0;
};

}  // namespace quillmark::testing
