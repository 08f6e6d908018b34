#pragma once
// The single-instance probe: a lock file named after the application's title in the user's
// runtime folder. The kernel drops the lock when its holder ends, however it ends, so a lock
// file left by a killed copy is simply taken over.

#include <string>

namespace quillmark::ui {

class SingleInstanceLock {
 public:
  // Takes the lock for `title` unless another copy holds it. Any failure to make or open the
  // lock file counts as no other copy running.
  explicit SingleInstanceLock(const std::string& title);
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  bool AnotherCopyRuns() const { return another_copy_runs_; }

  // $XDG_RUNTIME_DIR/<title>.lock, or a per-user name in /tmp without a runtime folder.
  static std::string LockPath(const std::string& title);

 private:
  int fd_ = -1;
  bool another_copy_runs_ = false;
};

}  // namespace quillmark::ui
