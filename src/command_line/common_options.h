#pragma once
// The command-line options both front ends take, filling the session's options: the fetch time
// limit, the three endpoints and the sources.

#include <CLI/CLI.hpp>

#include "session/session_options.h"

namespace quillmark::command_line {

// Adds --timeout SECONDS.
void AddTimeoutOption(CLI::App* command, session::SessionOptions& options);
// Adds --timeout SECONDS and --suggest-host/--search-host/--top-host HOST[:PORT].
void AddNetworkOptions(CLI::App* command, session::SessionOptions& options);

// Adds --source NAME (the names that serve the command) and --no-cache; for the top searches,
// --country CODE as well.
void AddSourceOptions(CLI::App* command, session::SessionOptions& options, bool top_searches);

}  // namespace quillmark::command_line
