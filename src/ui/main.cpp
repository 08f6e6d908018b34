// quillmark: the windowed program. Names the application, ends at once when another copy runs,
// creates its windows once and runs the message loop until the main window closes.

#include <QApplication>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>

#include <CLI/CLI.hpp>

#include "cli/network_options.h"
#include "research/decimal_separator.h"
#include "ui/investigate_dialog.h"
#include "ui/list_commands.h"
#include "ui/main_window.h"
#include "ui/single_instance.h"
#include "ui/window_sources.h"

namespace {

constexpr const char* kTitle = "Quillmark";
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

}  // namespace

int main(int argc, char** argv) {
  // A peer that closes while we send must surface as an error, never end the program.
  std::signal(SIGPIPE, SIG_IGN);
  quillmark::InitDecimalSeparatorFromLocale();

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kTitle));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));

  const quillmark::ui::SingleInstanceLock lock(kTitle);
  if (lock.AnotherCopyRuns()) return 0;

  namespace cli = quillmark::cli;
  CLI::App options{"Quillmark keyword research", "quillmark"};
  options.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  cli::NetworkOptions network;
  bool demo = false;
  options.add_flag("--demo", demo,
                   "Use the bundled stand-in service (generated data) for all three services, "
                   "whatever QUILLMARK_*_HOST say");
  cli::AddNetworkOptions(&options, network);
  cli::AddSourceOptions(&options, network, true);
  // The window's --source is the research's; the top searches have --top-source.
  options.get_option("--source")
      ->description(
          "Where the research pages come from: stand-in, endpoints, dataforseo "
          "(default: the remembered source, else the configured hosts, else the "
          "stand-in)");
  options.add_option("--top-source", network.top_source,
                     "Where the top searches come from: stand-in, endpoints, trends (default: "
                     "the remembered one, else as --source when it lists them)");
  try {
    options.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return options.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "quillmark: " << e.what() << "\nRun 'quillmark --help' for usage.\n";
    return kExitUsage;
  }
  if (demo) {
    for (const char* variable :
         {"QUILLMARK_SUGGEST_HOST", "QUILLMARK_SEARCH_HOST", "QUILLMARK_TOP_HOST"})
      ::unsetenv(variable);
    network.source = network.top_source = "stand-in";
  }

  try {
    // Hosts given for this start mean those hosts, whatever source the settings remember; only
    // a choice made on its own is remembered.
    const bool this_start_only = demo || options.count("--suggest-host") > 0 ||
                                 options.count("--search-host") > 0 ||
                                 options.count("--top-host") > 0;
    // Lives as long as the windows: it may hold the stand-in service they talk to.
    const auto session = quillmark::ui::OpenWindowSession(
        network, this_start_only || options.count("--source") > 0,
        this_start_only || options.count("--top-source") > 0, !this_start_only);
    if (!session) return kExitFailure;
    quillmark::PageFetcher fetch = session->Fetcher();
    if (session->UsesProvider()) fetch = quillmark::ui::OneFetchAtATime(std::move(fetch));
    quillmark::ui::TForm1 main_window(std::move(fetch), session->GetEndpoints());
    main_window.SetRunStartHook([&session](std::int64_t max_pages, const std::string& target) {
      session->SetRunParameters({.max_pages = max_pages, .target = target});
    });
    quillmark::ui::TStartForm investigate(main_window, &main_window);
    main_window.SetInvestigateDialog(&investigate);
    quillmark::ui::ListCommands list_commands(main_window);
    main_window.show();
    return QApplication::exec();
  } catch (const CLI::ValidationError& e) {
    std::cerr << "quillmark: " << e.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "quillmark: " << e.what() << "\n";
    return kExitFailure;
  }
}
