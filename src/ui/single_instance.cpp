#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quillmark::ui {

SingleInstanceLock::SingleInstanceLock(const std::string& title) {
  const std::string path = LockPath(title);
  // O_NOFOLLOW: in a shared /tmp another user could plant a link to a file of ours.
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  int rc;
  do {
    rc = ::flock(fd_, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc == 0) {
    // The holder's process id, for a person looking at the file.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd_, 0) == 0) {
      const ssize_t written = ::write(fd_, pid.data(), pid.size());
      static_cast<void>(written);
    }
    return;
  }
  another_copy_runs_ = errno == EWOULDBLOCK;
  ::close(fd_);
  fd_ = -1;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

std::string SingleInstanceLock::LockPath(const std::string& title) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/" + title + ".lock";
  return "/tmp/" + title + "-" + std::to_string(::getuid()) + ".lock";
}

}  // namespace quillmark::ui
