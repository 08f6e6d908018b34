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

// Adds --location COUNTRY and --language LANGUAGE, the market of a provider research: a usage
// error (CLI::ValidationError) for a text that names none, offering the close names.
void AddMarketOptions(CLI::App* command, session::SessionOptions& options);

// The pages a command asks its source for.
enum class PagesAsked { kResearch, kTopSearches, kBoth };

// Adds --source NAME (the names that serve those pages) and --no-cache; for a command that
// researches keywords, the market: --location COUNTRY and --language LANGUAGE; for the top
// searches, --country COUNTRY. A market named by a text that names none is a usage error
// (CLI::ValidationError) that offers the close names.
void AddSourceOptions(CLI::App* command, session::SessionOptions& options, PagesAsked pages);

}  // namespace quillmark::command_line
