#include "store/user_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quillmark::store {

std::string UserFolder(const char* override_variable, const char* xdg_variable,
                       const char* home_relative) {
  if (const char* dir = std::getenv(override_variable); dir && *dir) return dir;
  // The XDG base-directory rules ignore a relative path.
  if (const char* xdg = std::getenv(xdg_variable); xdg && xdg[0] == '/')
    return std::string(xdg) + "/quillmark";
  std::string home;
  if (const char* env = std::getenv("HOME"); env && *env) {
    home = env;
  } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
    home = user->pw_dir;
  }
  return home + "/" + home_relative + "/quillmark";
}

bool MakeFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quillmark::store
