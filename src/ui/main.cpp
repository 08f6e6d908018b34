// quillmark: the windowed program. Names the application, ends at once when another copy runs,
// creates its windows once and runs the message loop until the main window closes.

#include <QApplication>
#include <QIcon>
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <string_view>

#include <CLI/CLI.hpp>

#include "command_line/common_options.h"
#include "research/decimal_separator.h"
#include "session/session_options.h"
#include "ui/about_window.h"
#include "ui/data_source_dialog.h"
#include "ui/investigate_dialog.h"
#include "ui/list_commands.h"
#include "ui/main_window.h"
#include "ui/single_instance.h"
#include "ui/window_sources.h"

namespace {

constexpr const char* kTitle = "Quillmark";
constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

constexpr const char* kDescription =
    "Quillmark: keyword research for the owner of a web site.\n"
    "Press Start and type the main keyword of your business: Quillmark lists the related search\n"
    "phrases with their demand (searches last month), supply (pages competing for the exact\n"
    "phrase), your site's rank, cost-per-prospect and profitability. Help > Contents (F1)\n"
    "explains the window; qmk does the same research in a terminal.\n";

constexpr const char* kFooter =
    "Environment:\n"
    "  QUILLMARK_SUGGEST_HOST  the suggestion service, HOST[:PORT]\n"
    "  QUILLMARK_SEARCH_HOST   the web-search engine, HOST[:PORT]\n"
    "  QUILLMARK_TOP_HOST      the top-searches page, HOST[:PORT]\n"
    "                          An option wins over its variable; a service left unset is\n"
    "                          answered by the bundled stand-in service (generated data).\n"
    "  QUILLMARK_DATAFORSEO_LOGIN, QUILLMARK_DATAFORSEO_PASSWORD\n"
    "                          the DataForSEO account for --source dataforseo (or the file\n"
    "                          dataforseo-credentials, mode 0600, in the settings folder)\n"
    "  QUILLMARK_DATAFORSEO_URL, QUILLMARK_TRENDS_URL\n"
    "                          where --source dataforseo and --top-source trends call, as\n"
    "                          https://HOST[:PORT] (http:// for this machine only); by default\n"
    "                          https://api.dataforseo.com and https://trends.google.com\n"
    "  QUILLMARK_CONFIG_DIR    the folder of the settings (the Investigate dialog's last\n"
    "                          entries, the tips choice, the sources); by default\n"
    "                          $XDG_CONFIG_HOME/quillmark, else ~/.config/quillmark\n"
    "  QT_QPA_PLATFORM         Qt's window system (offscreen runs without a display); Qt's own\n"
    "                          options such as -platform and -style are accepted too.\n"
    "\n"
    "Only one copy runs per user: a copy started while another runs ends at once.";

// Looked for before Qt reaches the window system, so the help shows without a display too.
bool AsksForHelp(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    if (argument == "-h" || argument == "--help") return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  // A peer that closes while we send must surface as an error, never end the program.
  std::signal(SIGPIPE, SIG_IGN);
  quillmark::InitDecimalSeparatorFromLocale();

  namespace command_line = quillmark::command_line;
  CLI::App options{kDescription, "quillmark"};
  options.footer(kFooter);
  options.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  quillmark::session::SessionOptions network;
  bool demo = false;
  options.add_flag("--demo", demo, "Ignore QUILLMARK_*_HOST: use the stand-in service for all");
  command_line::AddNetworkOptions(&options, network);
  command_line::AddSourceOptions(&options, network, command_line::PagesAsked::kBoth);
  // The window's --source is the research's; the top searches have --top-source.
  options.get_option("--source")
      ->description(
          "Where the research pages come from: stand-in, endpoints, dataforseo "
          "(default: the remembered source, else the configured hosts, else the "
          "stand-in)");
  options.add_option("--top-source", network.top_source,
                     "Where the top searches come from: stand-in, endpoints, trends (default: "
                     "the remembered one, else as --source when it lists them)");
  if (AsksForHelp(argc, argv)) {
    std::cout << options.help();
    return 0;
  }

  // Takes Qt's own options out of argv before ours are read.
  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(kTitle));
  QApplication::setApplicationDisplayName(QString::fromLatin1(kTitle));
  // The desktop matches the window to its menu entry, and so to its icon; window managers that
  // do not take the icon from the entry find it in the installed icon theme.
  QGuiApplication::setDesktopFileName(QStringLiteral("quillmark"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quillmark")));
  try {
    options.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    std::cerr << "quillmark: " << e.what() << "\nRun 'quillmark --help' for usage.\n";
    return kExitUsage;
  }

  const quillmark::ui::SingleInstanceLock lock(kTitle);
  if (lock.AnotherCopyRuns()) return 0;
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
    const quillmark::ui::GivenOptions given{
        .source = this_start_only || options.count("--source") > 0,
        .top_source = this_start_only || options.count("--top-source") > 0,
        .market = demo || options.count("--location") > 0 || options.count("--language") > 0 ||
                  options.count("--country") > 0};
    // A remembered source that cannot be used is chosen anew in the window, never in a terminal.
    const auto choose_again = [&network, &given](const QString& reason) {
      quillmark::ui::DataSourceDialog dialog(nullptr, {network, given});
      dialog.SetReason(reason);
      return dialog.exec() == QDialog::Accepted;
    };
    quillmark::session::SessionOptions opened_with;
    auto first = quillmark::ui::OpenWindowSession(network, given, !this_start_only, choose_again,
                                                  &opened_with);
    if (!first) return kExitFailure;
    // Outlives the windows: a run holds the session it started with, and the session its
    // fetches and the stand-in service they talk to.
    quillmark::ui::ChosenSession sessions(std::move(first), opened_with, network, given);
    quillmark::ui::TForm1 main_window([&sessions] { return sessions.ForNextRun(); });
    main_window.SetDataSource(&sessions);
    quillmark::ui::TStartForm investigate(main_window, &main_window);
    main_window.SetInvestigateDialog(&investigate);
    quillmark::ui::TInfoForm about(&main_window);
    main_window.SetAboutWindow(&about);
    quillmark::ui::ListCommands list_commands(main_window);
    main_window.show();
    return QApplication::exec();
  } catch (const std::exception& e) {
    std::cerr << "quillmark: " << e.what() << "\n";
    return kExitFailure;
  }
}
