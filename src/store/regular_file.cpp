#include "store/regular_file.h"

#include <sys/stat.h>

#include <cerrno>

#include "store/store_error.h"

namespace quillmark {

void RequireRegularFile(std::string_view action, const std::string& path, MissingFile missing) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT && missing == MissingFile::kAllow) return;
    throw StoreError::FromErrno(action, path, errno);
  }
  if (S_ISDIR(st.st_mode)) throw StoreError::FromErrno(action, path, EISDIR);
  if (!S_ISREG(st.st_mode)) throw StoreError::FromReason(action, path, "Not a regular file");
}

}  // namespace quillmark
