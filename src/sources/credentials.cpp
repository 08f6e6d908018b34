#include "sources/credentials.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string_view>

#include "base/ascii.h"
#include "sources/source.h"
#include "sources/sources_limits.h"
#include "store/atomic_file.h"
#include "store/registry_store.h"
#include "store/store_error.h"
#include "store/user_folder.h"

namespace quillmark::sources {
namespace {

constexpr const char* kLoginVariable = "QUILLMARK_DATAFORSEO_LOGIN";
constexpr const char* kPasswordVariable = "QUILLMARK_DATAFORSEO_PASSWORD";

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : std::string(value);
}

std::string SetUpHint() {
  return std::string("set ") + kLoginVariable + " and " + kPasswordVariable +
         ", or write the lines login=... and password=... to " + CredentialsFilePath() +
         " (chmod 600)";
}

// The file's bytes, refused unless it is a regular file that only its owner may read or write.
// The check is made on the open descriptor, so the file cannot be swapped between the two.
std::optional<std::string> ReadPrivateFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return std::nullopt;
    // A link could lead to a file that others may change; the check below needs the file itself.
    if (errno == ELOOP)
      throw CredentialsError(AccountProblem::kLink,
                             path + " is a symbolic link; credentials are read only from the " +
                                 "file itself: move the file there (chmod 600)");
    throw CredentialsError(AccountProblem::kUnreadable,
                           "cannot read " + path + ": " + std::strerror(errno));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
    throw CredentialsError(AccountProblem::kNotAFile, path + " is not a regular file");
  if ((info.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    throw CredentialsError(AccountProblem::kOthersMayRead, path + " may be read by others (mode " +
                                                               mode + "); run: chmod 600 " + path);
  }
  if (static_cast<std::size_t>(info.st_size) > kMaxCredentialsBytes)
    throw CredentialsError(AccountProblem::kMalformed,
                           path + " is too large for a credentials file");
  std::string text(static_cast<std::size_t>(info.st_size), '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  return text;
}

}  // namespace

std::string CredentialsFilePath() {
  return store::RegistryFolder() + "/dataforseo-credentials";
}

void SaveDataForSeoCredentials(const Credentials& credentials) {
  for (const auto& [what, value] :
       {std::pair{"login", &credentials.login}, std::pair{"password", &credentials.password}}) {
    if (value->empty()) throw SourceError(std::string("the DataForSEO ") + what + " is empty");
    if (value->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
      throw SourceError(std::string("the DataForSEO ") + what + " holds a line break");
  }
  // Quoted, so that the reading, which trims the blanks at the ends and takes off one pair of
  // quotes, gives back each value exactly as it was typed.
  const std::string text = "# The DataForSEO API account of Quillmark\nlogin=\"" +
                           credentials.login + "\"\npassword=\"" + credentials.password + "\"\n";
  if (text.size() > kMaxCredentialsBytes)
    throw SourceError("the DataForSEO login or password is too long");
  const std::string path = CredentialsFilePath();
  const std::string folder = store::RegistryFolder();
  try {
    if (!store::MakeFolders(folder)) throw SourceError("cannot make the folder " + folder);
    ReplacePrivateFile(path, text);
  } catch (const StoreError& e) {
    throw SourceError(e.what());
  }
}

AccountInEnvironment EnvironmentAccount() {
  const bool login = !Variable(kLoginVariable).empty();
  const bool password = !Variable(kPasswordVariable).empty();
  if (login && password) return AccountInEnvironment::kAll;
  return login || password ? AccountInEnvironment::kPart : AccountInEnvironment::kNone;
}

Credentials LoadDataForSeoCredentials() {
  switch (EnvironmentAccount()) {
    case AccountInEnvironment::kAll:
      return {Variable(kLoginVariable), Variable(kPasswordVariable)};
    case AccountInEnvironment::kPart:
      throw CredentialsError(AccountProblem::kPartInEnvironment,
                             "dataforseo needs both its login and its password: " + SetUpHint());
    case AccountInEnvironment::kNone:
      break;
  }
  return LoadCredentialsFile();
}

Credentials LoadCredentialsFile() {
  const std::string path = CredentialsFilePath();
  const std::optional<std::string> text = ReadPrivateFile(path);
  if (!text) {
    throw CredentialsError(AccountProblem::kMissing,
                           "dataforseo needs an API account: " + SetUpHint());
  }
  Credentials found;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = ascii::Trim(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == '#' || equals == std::string_view::npos) continue;
    const std::string_view key = ascii::Trim(line.substr(0, equals));
    std::string_view value = ascii::Trim(line.substr(equals + 1));
    // password="..." as a shell would write it: the quotes are not part of the value.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (key == "login") found.login = std::string(value);
    if (key == "password") found.password = std::string(value);
  }
  if (found.login.empty() || found.password.empty()) {
    throw CredentialsError(AccountProblem::kMalformed,
                           path + " lacks a login= or a password= line");
  }
  return found;
}

}  // namespace quillmark::sources
