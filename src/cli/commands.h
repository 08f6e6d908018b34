#pragma once
// The qmk commands. Each Add*Command registers its subcommand on the application; the callback
// it installs runs the command and stores the process exit code in `exit_code`.

#include <CLI/CLI.hpp>

namespace quillmark::cli {

// Exit codes that scripts rely on.
inline constexpr int kExitOk = 0;
// A file cannot be read or written (standard output included).
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// Some page could not be fetched; the rows are still printed and saved as far as they go.
inline constexpr int kExitNotFetched = 3;
// 130 after Ctrl-C and 143 after SIGTERM come from InterruptExitCode (interrupt.h).

void AddFetchCommand(CLI::App& app, int& exit_code);
void AddServeDemoCommand(CLI::App& app, int& exit_code);
void AddBridgeCommand(CLI::App& app, int& exit_code);
void AddResearchCommand(CLI::App& app, int& exit_code);
void AddTopCommand(CLI::App& app, int& exit_code);
void AddOpenCommand(CLI::App& app, int& exit_code);
void AddAccountCommand(CLI::App& app, int& exit_code);
void AddHistoryCommand(CLI::App& app, int& exit_code);

}  // namespace quillmark::cli
