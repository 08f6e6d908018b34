#pragma once
// The user's own folders after the XDG base-directory rules, and making them.

#include <string>

namespace quillmark::store {

// `override_variable` when set, else $`xdg_variable`/quillmark when that is an absolute path,
// else ~/`home_relative`/quillmark.
std::string UserFolder(const char* override_variable, const char* xdg_variable,
                       const char* home_relative);

// Like `mkdir -p`, private to the user for the folders it makes; whether the folder is there.
bool MakeFolders(const std::string& folder);

}  // namespace quillmark::store
