// qmk: the terminal front end over the same core as the window.

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "cli/row_output.h"
#include "research/decimal_separator.h"
#include "session/session_error.h"

namespace {

constexpr const char* kDescription =
    "qmk: Quillmark's keyword research from the terminal.\n"
    "Looks up the search phrases related to a seed with their demand (searches last month),\n"
    "supply (pages competing for the exact phrase), a site's rank, cost-per-prospect and\n"
    "profitability; lists today's top searches; reads the window's investigation files.\n"
    "Rows go to standard output, progress and failures to standard error. With a provider\n"
    "source, standard error says the most calls a research may make before it starts and ends\n"
    "with the calls made and what they cost.\n";

constexpr const char* kFooter =
    "Run 'qmk COMMAND --help' for the options of a command.\n"
    "\n"
    "Environment:\n"
    "  QUILLMARK_SUGGEST_HOST  the suggestion service, HOST[:PORT]\n"
    "  QUILLMARK_SEARCH_HOST   the web-search engine, HOST[:PORT]\n"
    "  QUILLMARK_TOP_HOST      the top-searches page, HOST[:PORT]\n"
    "                          An option wins over its variable; a service left unset is\n"
    "                          answered by a stand-in service (generated data) that qmk starts\n"
    "                          on a free loopback port for the run.\n"
    "  QUILLMARK_DATAFORSEO_LOGIN, QUILLMARK_DATAFORSEO_PASSWORD\n"
    "                          the DataForSEO account for --source dataforseo (or the file\n"
    "                          dataforseo-credentials, mode 0600, in the window's settings\n"
    "                          folder, $XDG_CONFIG_HOME/quillmark)\n"
    "  QUILLMARK_DATAFORSEO_URL, QUILLMARK_TRENDS_URL\n"
    "                          where --source dataforseo and --source trends call, as\n"
    "                          https://HOST[:PORT] (http:// for this machine only); by default\n"
    "                          https://api.dataforseo.com and https://trends.google.com\n"
    "  QUILLMARK_CACHE_DIR     where provider replies are kept for reuse; by default\n"
    "                          $XDG_CACHE_HOME/quillmark, else ~/.cache/quillmark\n"
    "  QUILLMARK_DATA_DIR      where the history of runs is kept (history.sqlite3); by\n"
    "                          default $XDG_DATA_HOME/quillmark, else ~/.local/share/quillmark\n"
    "\n"
    "Exit status:\n"
    "  0    success, also when there are no rows\n"
    "  1    a file cannot be read or written, or the source cannot be used (no credentials,\n"
    "       an account the provider refuses in 'qmk account')\n"
    "  2    usage error: an unknown command or option, a bad value, an unknown country or\n"
    "       language (the close names are offered)\n"
    "  3    some page could not be fetched: the rows are printed as far as they go, and the\n"
    "       failed pages are named on standard error ('qmk account': no usable answer)\n"
    "  130  stopped by Ctrl-C (the rows so far printed and saved)\n"
    "  143  stopped by SIGTERM, as Ctrl-C";

}  // namespace

int main(int argc, char** argv) {
  // A peer that closes while we send must surface as an error, never kill the process.
  std::signal(SIGPIPE, SIG_IGN);
  // Fractional columns are written with the user's decimal separator, as the window does.
  quillmark::InitDecimalSeparatorFromLocale();

  namespace cli = quillmark::cli;
  CLI::App app{kDescription, "qmk"};
  app.footer(kFooter);
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
  cli::AddAccountCommand(app, exit_code);
  cli::AddHistoryCommand(app, exit_code);
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
  } catch (const quillmark::session::SessionError& e) {
    // A source or endpoint the session refuses is a bad value, as a refused option is.
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
