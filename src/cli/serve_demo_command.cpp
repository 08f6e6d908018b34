#include "cli/commands.h"

namespace quillmark::cli {

void AddServeDemoCommand(CLI::App& app, int& exit_code) {
  // Not built yet: the command exists so that the front end links.
  auto* cmd = app.add_subcommand("serve-demo", "(not available yet)");
  cmd->callback([&exit_code] { exit_code = kExitFailure; });
}

}  // namespace quillmark::cli
