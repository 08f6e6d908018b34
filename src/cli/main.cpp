// qmk: the terminal front end over the same core as the window.

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "cli/row_output.h"
#include "research/decimal_separator.h"

int main(int argc, char** argv) {
  // A peer that closes while we send must surface as an error, never kill the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Fractional columns are written with the user's decimal separator, as the window does.
  quillmark::InitDecimalSeparatorFromLocale();

  namespace cli = quillmark::cli;
  CLI::App app{"Quillmark keyword research from the terminal", "qmk"};
  app.require_subcommand(1, 1);
  app.fallthrough(false);
  // A repeated option takes its last value, so a wrapper's defaults can be overridden.
  app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  int exit_code = cli::kExitOk;
  cli::AddResearchCommand(app, exit_code);
  cli::AddTopCommand(app, exit_code);
  cli::AddOpenCommand(app, exit_code);
  cli::AddFetchCommand(app, exit_code);
  cli::AddServeDemoCommand(app, exit_code);
  cli::AddBridgeCommand(app, exit_code);
  // CLI11 would call a mistyped command an unexpected argument.
  const auto known = [&app](const char* name) {
    for (const CLI::App* command : app.get_subcommands({}))
      if (command->get_name() == name) return true;
    return false;
  };
  if (argc > 1 && argv[1][0] != '-' && !known(argv[1])) {
    std::cerr << "qmk: unknown command '" << cli::TerminalSafe(argv[1]) << "'\n";
    std::cerr << "Run 'qmk --help' for usage.\n";
    return cli::kExitUsage;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "qmk: " << e.what() << "\n";
    std::cerr << "Run 'qmk --help' for usage.\n";
    return cli::kExitUsage;
  } catch (const std::exception& e) {
    // A failure of the surroundings (the stand-in service cannot listen, memory runs out) is
    // reported, never left to abort the process.
    std::cerr << "qmk: " << e.what() << "\n";
    return cli::kExitFailure;
  }
  return exit_code;
}
