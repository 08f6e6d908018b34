#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <optional>

#include "store/store_error.h"

namespace quillmark {
namespace {

class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  // Closes now so that a late write error (NFS, quotas) is seen; returns the errno or 0.
  int Close() {
    if (fd_ < 0) return 0;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// Returns 0 or the errno of the failed write.
int WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

// Writing through a symbolic link replaces the file it points at, not the link.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

constexpr const char* kNotRegular = "not a regular file";
// The temporary file of a replacement: kTempStart, the process and a counter, kTempEnd.
constexpr std::string_view kTempStart = ".~qmk";
constexpr std::string_view kTempEnd = ".tmp";

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t max_bytes) {
  // Non-blocking open: a named pipe nobody writes to would otherwise hold us here for good.
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    throw StoreError::FromErrno("read", path, errno);
  }
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0)
    throw StoreError::FromErrno("read", path, errno);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) throw StoreError::FromErrno("read", path, errno);
  if (S_ISDIR(st.st_mode)) throw StoreError::FromErrno("read", path, EISDIR);
  // A pipe, device or terminal may never end, or may end differently each time it is read.
  if (!S_ISREG(st.st_mode)) throw StoreError::FromReason("read", path, kNotRegular);
  std::string data;
  if (st.st_size > 0) {
    if (static_cast<std::size_t>(st.st_size) > max_bytes)
      throw StoreError::FromReason("read", path, "file too large");
    data.reserve(static_cast<std::size_t>(st.st_size));
  }
  // Read to the end rather than trusting the size: the file may be a pipe or still growing.
  char chunk[64 * 1024];
  for (;;) {
    const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw StoreError::FromErrno("read", path, errno);
    }
    if (n == 0) break;
    if (data.size() + static_cast<std::size_t>(n) > max_bytes)
      throw StoreError::FromReason("read", path, "file too large");
    data.append(chunk, static_cast<std::size_t>(n));
  }
  return data;
}

namespace {

// The refusal for the resolved target, or nothing.
std::optional<StoreError> RefusalFor(const std::string& path, const std::string& target) {
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    // A rename would put a file in place of a folder, pipe or device the user named by mistake.
    if (S_ISDIR(st.st_mode)) return StoreError::FromErrno("write", path, EISDIR);
    if (!S_ISREG(st.st_mode)) return StoreError::FromReason("write", path, kNotRegular);
    // A rename needs only the folder's permission; a file the user made read-only must refuse
    // the save, as writing into it would.
    if (::access(target.c_str(), W_OK) != 0) return StoreError::FromErrno("write", path, errno);
  } else if (errno != ENOENT) {
    return StoreError::FromErrno("write", path, errno);
  }
  const std::string directory = DirectoryOf(target);
  struct stat dir {};
  if (::stat(directory.c_str(), &dir) != 0) return StoreError::FromErrno("write", path, errno);
  if (!S_ISDIR(dir.st_mode)) return StoreError::FromErrno("write", path, ENOTDIR);
  if (::access(directory.c_str(), W_OK) != 0) return StoreError::FromErrno("write", path, errno);
  return std::nullopt;
}

}  // namespace

std::string ReplaceRefusal(const std::string& path) {
  const auto refusal = RefusalFor(path, ResolveTarget(path));
  return refusal ? refusal->what() : std::string();
}

void ReplaceFileAtomically(const std::string& path, std::string_view text) {
  ReplaceFileAtomically(path, {text});
}

namespace {

// `secret`: the file is its owner's alone from its first byte, whatever mode the old one had,
// and replaces a link at `target` rather than what the link points at.
void Replace(const std::string& path, const std::string& target,
             std::initializer_list<std::string_view> parts, bool secret) {
  static std::atomic<unsigned> counter{0};
  const std::string directory = DirectoryOf(target);
  if (auto refusal = RefusalFor(path, target)) throw *refusal;

  // A short name beside the target, so that the rename stays on one file system; O_EXCL never
  // reuses a stranger's file, and mode 0666 lets the umask decide as for any new file.
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = directory + "/" + std::string(kTempStart) + std::to_string(::getpid()) + "-" +
           std::to_string(counter.fetch_add(1)) + std::string(kTempEnd);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, secret ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) throw StoreError::FromErrno("write", path, errno);
  UniqueFd file(fd);

  auto fail = [&](int error) {
    file.Close();
    ::unlink(temp.c_str());
    throw StoreError::FromErrno("write", path, error);
  };
  struct stat old {};
  if (!secret && ::stat(target.c_str(), &old) == 0) ::fchmod(file.get(), old.st_mode & 07777);
  for (const std::string_view part : parts)
    if (int error = WriteAll(file.get(), part)) fail(error);
  if (::fsync(file.get()) != 0) fail(errno);
  if (int error = file.Close()) fail(error);
  if (::rename(temp.c_str(), target.c_str()) != 0) fail(errno);

  // Make the rename itself durable; a failure here no longer endangers either version.
  UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

}  // namespace

void ReplaceFileAtomically(const std::string& path, std::initializer_list<std::string_view> parts) {
  Replace(path, ResolveTarget(path), parts, false);
}

bool IsReplacementTempName(std::string_view name) {
  return name.starts_with(kTempStart) && name.size() > kTempStart.size() + kTempEnd.size() &&
         name.ends_with(kTempEnd);
}

void ReplacePrivateFile(const std::string& path, std::string_view text) {
  Replace(path, path, {text}, true);
}

}  // namespace quillmark
