#pragma once
// The DataForSEO account: from QUILLMARK_DATAFORSEO_LOGIN and QUILLMARK_DATAFORSEO_PASSWORD, else
// from the file "dataforseo-credentials" in the user's config folder (beside the settings store),
// which holds the lines "login=..." and "password=..." (a value may stand in quotes) and must be
// a regular file, not a link, readable by its owner alone.

#include <string>

namespace quillmark::sources {

struct Credentials {
  std::string login;
  std::string password;
};

// Where the credentials file is looked for.
std::string CredentialsFilePath();

// Writes the account to the credentials file, atomically and readable by its owner alone from
// the start; the config folder is made when missing. Throws SourceError for an empty login or
// password, one holding a line break or a NUL, and a file that cannot be written. Messages name
// the file, never what it holds.
void SaveDataForSeoCredentials(const Credentials& credentials);

// Throws SourceError, saying how to set the account up, when there is none or the file may be
// read by others or is malformed. Messages name the file, never what it holds.
Credentials LoadDataForSeoCredentials();

}  // namespace quillmark::sources
