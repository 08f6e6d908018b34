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

// Throws SourceError, saying how to set the account up, when there is none or the file may be
// read by others or is malformed. Messages name the file, never what it holds.
Credentials LoadDataForSeoCredentials();

}  // namespace quillmark::sources
