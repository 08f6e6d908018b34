#pragma once
// The DataForSEO account: from QUILLMARK_DATAFORSEO_LOGIN and QUILLMARK_DATAFORSEO_PASSWORD, else
// from the file "dataforseo-credentials" in the user's config folder (beside the settings store),
// which holds the lines "login=..." and "password=..." (a value may stand in quotes) and must be
// a regular file, not a link, readable by its owner alone.

#include <string>

#include "sources/source.h"

namespace quillmark::sources {

struct Credentials {
  std::string login;
  std::string password;
};

// Why no account could be read, for the front ends to say in their own words: a terminal names
// the variables and the file, the window what to type.
enum class AccountProblem {
  kPartInEnvironment,  // only one of the two variables is set
  kMissing,            // neither the variables nor the file
  kLink,               // the file is a symbolic link
  kNotAFile,           // a folder or a device stands there
  kOthersMayRead,      // its mode lets others read or write it
  kMalformed,          // too large, or without a login= or a password= line
  kUnreadable,         // the system refused to open it
};

class CredentialsError : public SourceError {
 public:
  CredentialsError(AccountProblem problem, const std::string& message)
      : SourceError(message), problem_(problem) {}
  AccountProblem Problem() const { return problem_; }

 private:
  AccountProblem problem_;
};

// How much of the account the environment gives. With all of it the file is never read; with a
// part, no account can be used.
enum class AccountInEnvironment { kNone, kPart, kAll };
AccountInEnvironment EnvironmentAccount();

// Where the credentials file is looked for.
std::string CredentialsFilePath();

// Writes the account to the credentials file, atomically and readable by its owner alone from
// the start; the config folder is made when missing. Throws SourceError for an empty login or
// password, one holding a line break or a NUL, and a file that cannot be written. Messages name
// the file, never what it holds.
void SaveDataForSeoCredentials(const Credentials& credentials);

// The account of the environment, else of the file. Throws CredentialsError, saying how to set
// the account up, when there is none or the file may be read by others or is malformed.
// Messages name the file, never what it holds.
Credentials LoadDataForSeoCredentials();
// The account of the file alone, whatever the environment holds; throws as above.
Credentials LoadCredentialsFile();

}  // namespace quillmark::sources
