// qmk history: a phrase's story (the runs it was in and its monthly demand), the list of runs,
// and forgetting entries. Reads and writes the history file the window shares.

#include <ctime>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/row_output.h"
#include "command_line/common_options.h"
#include "history/history_file.h"
#include "session/provider_calls.h"
#include "session/run_history.h"
#include "session/session_options.h"

namespace quillmark::cli {
namespace {

// Keys in the order written, for people reading it too.
using json = nlohmann::ordered_json;

struct HistoryArgs {
  std::string phrase;
  session::SessionOptions market;  // the market options fill its location and language
  std::optional<std::string> target;
  OutputFormat format = OutputFormat::kTable;
  bool json = false;
  bool runs = false;
  std::optional<std::string> forget;
  std::optional<std::string> before;
};

std::string MonthText(const MonthlyDemand& month) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", month.year, month.month);
  return text;
}

// Local midnight at the start of a YYYY-MM-DD date; nothing for any other text.
std::optional<std::int64_t> DateStart(const std::string& text) {
  std::tm day{};
  int year = 0, month = 0, mday = 0;
  char rest = 0;
  if (text.size() != 10 ||
      std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &year, &month, &mday, &rest) != 3)
    return std::nullopt;
  day.tm_year = year - 1900;
  day.tm_mon = month - 1;
  day.tm_mday = mday;
  day.tm_isdst = -1;
  const std::time_t start = std::mktime(&day);
  // mktime rolls 2025-02-30 over into March: such a date is no date.
  if (start == -1 || day.tm_year != year - 1900 || day.tm_mon != month - 1 || day.tm_mday != mday)
    return std::nullopt;
  return start;
}

bool Written() {
  std::cout.flush();
  if (std::cout) return true;
  std::cerr << "qmk: cannot write to standard output\n";
  return false;
}

// The phrase's runs and months. Unmeasured figures keep the list's texts ("?", "-"), except
// in CSV, where they are empty, and in JSON, where they are null beside their text.
bool PrintPhrase(const HistoryArgs& args, const history::Market& market,
                 const std::vector<history::PhraseRun>& runs,
                 const std::vector<history::StoredMonth>& months) {
  if (args.json) {
    json out = {{"phrase", args.phrase},
                {"location", market.location},
                {"language", market.language},
                {"runs", json::array()},
                {"months", json::array()}};
    const auto figure = [](const std::optional<std::int64_t>& value) {
      return value ? json(*value) : json(nullptr);
    };
    for (const history::PhraseRun& run : runs) {
      const history::Measured measured = history::MeasuredFigures(run);
      out["runs"].push_back({{"date", session::HistoryDateText(run.started)},
                             {"time", run.started},
                             {"source", run.source},
                             {"target", run.target},
                             {"demand", figure(measured.demand)},
                             {"supply", figure(measured.supply)},
                             {"rank", measured.rank == 0 ? json(nullptr) : figure(measured.rank)},
                             {"demand_text", run.demand},
                             {"supply_text", run.supply},
                             {"rank_text", run.rank}});
    }
    for (const history::StoredMonth& month : months) {
      out["months"].push_back({{"year", month.demand.year},
                               {"month", month.demand.month},
                               {"volume", month.demand.volume},
                               {"generated", month.generated}});
    }
    // Texts from pages may hold bytes that are no UTF-8: they are replaced, never a failure.
    std::cout << out.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    return Written();
  }

  const bool csv = args.format == OutputFormat::kCsv;
  const auto shown = [csv](const std::string& text, const std::optional<std::int64_t>& value) {
    return csv && !value ? std::string() : text;
  };
  const auto origin = [](bool generated) { return generated ? "generated" : "provider"; };
  RowTable run_table{{"Date", "Demand", "Supply", "Rank", "Target", "Source"},
                     {},
                     {false, true, true, true, false, false}};
  for (const history::PhraseRun& run : runs) {
    const history::Measured measured = history::MeasuredFigures(run);
    run_table.rows.push_back({session::HistoryDateText(run.started),
                              shown(run.demand, measured.demand),
                              shown(run.supply, measured.supply), shown(run.rank, measured.rank),
                              run.target, run.source});
  }
  if (args.format == OutputFormat::kTable) {
    RowTable month_table{{"Month", "Searches", "Figures"}, {}, {false, true, false}};
    for (const history::StoredMonth& month : months) {
      month_table.rows.push_back(
          {MonthText(month.demand), std::to_string(month.demand.volume), origin(month.generated)});
    }
    std::cout << "Runs of \"" << TerminalSafe(args.phrase) << "\" in "
              << session::MarketText(market) << ":\n";
    if (!PrintRows(run_table, args.format)) return false;
    std::cout << "\nMonthly demand:\n";
    return PrintRows(month_table, args.format);
  }
  // One table for scripts: the runs, then the months, told apart by the first field.
  RowTable table{{"Entry", "Date", "Demand", "Supply", "Rank", "Target", "Source"}, {}, {}};
  for (auto& row : run_table.rows) {
    row.insert(row.begin(), "run");
    table.rows.push_back(std::move(row));
  }
  for (const history::StoredMonth& month : months) {
    table.rows.push_back({"month", MonthText(month.demand), std::to_string(month.demand.volume), "",
                          "", "", origin(month.generated)});
  }
  return PrintRows(table, args.format);
}

bool PrintRuns(const HistoryArgs& args, const std::vector<history::RunSummary>& runs) {
  if (args.json) {
    json out = json::array();
    for (const history::RunSummary& run : runs) {
      out.push_back({{"date", session::HistoryDateText(run.started)},
                     {"time", run.started},
                     {"seed", run.seed},
                     {"source", run.source},
                     {"location", run.market.location},
                     {"language", run.market.language},
                     {"target", run.target},
                     {"max_pages", run.max_pages},
                     {"results", run.results_asked},
                     {"stopped", run.stopped},
                     {"rows", run.rows},
                     {"calls", run.calls},
                     {"cached_calls", run.cached_calls},
                     {"retries", run.retries},
                     {"money", run.money}});
    }
    std::cout << out.dump(2, ' ', false, json::error_handler_t::replace) << "\n";
    return Written();
  }
  RowTable table{{"Date", "Seed", "Source", "Rows", "Calls", "Money"},
                 {},
                 {false, false, false, true, true, true}};
  for (const history::RunSummary& run : runs) {
    // A listing of the top searches has no seed.
    table.rows.push_back({session::HistoryDateText(run.started),
                          run.seed.empty() ? "(top searches)" : run.seed, run.source,
                          std::to_string(run.rows), std::to_string(run.calls),
                          session::MoneyText(run.money)});
  }
  return PrintRows(table, args.format);
}

std::string Plural(std::int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "3 runs, 120 rows and 12 months"
std::string ForgottenText(const history::Forgotten& forgotten) {
  return Plural(forgotten.runs, "run", "runs") + ", " + Plural(forgotten.rows, "row", "rows") +
         " and " + Plural(forgotten.months, "month", "months") + " of demand";
}

int RunHistory(HistoryArgs& args) {
  const int chosen =
      !args.phrase.empty() + args.runs + args.forget.has_value() + args.before.has_value();
  if (chosen != 1) {
    std::cerr << "qmk: history takes one of PHRASE, --runs, --forget PHRASE or --before DATE\n"
                 "Run 'qmk history --help' for usage.\n";
    return kExitUsage;
  }
  std::optional<std::int64_t> before;
  if (args.before && !(before = DateStart(*args.before))) {
    std::cerr << "qmk: --before takes a date as YYYY-MM-DD, not '" << TerminalSafe(*args.before)
              << "'\n";
    return kExitUsage;
  }
  try {
    history::OpenedHistory opened = history::OpenHistory(history::HistoryFilePath());
    if (!opened.notice.empty()) std::cerr << "qmk: " << TerminalSafe(opened.notice) << "\n";
    history::HistoryStore& store = opened.store;
    if (args.runs) return PrintRuns(args, store.Runs()) ? kExitOk : kExitFailure;
    if (args.forget) {
      const history::Forgotten forgotten = store.ForgetPhrase(*args.forget);
      std::cout << "Forgot \"" << TerminalSafe(*args.forget) << "\": " << ForgottenText(forgotten)
                << ".\n";
      return Written() ? kExitOk : kExitFailure;
    }
    if (before) {
      const history::Forgotten forgotten = store.ForgetBefore(*before);
      std::cout << "Forgot everything before " << *args.before << ": " << ForgottenText(forgotten)
                << ".\n";
      return Written() ? kExitOk : kExitFailure;
    }
    const history::Market market{args.market.location_code, args.market.language_code};
    const auto runs = store.PhraseRuns(args.phrase, market, args.target);
    const auto months = store.Months(args.phrase, market);
    if (runs.empty() && months.empty()) {
      std::cerr << "qmk: no history of \"" << TerminalSafe(args.phrase) << "\" in "
                << session::MarketText(market)
                << (args.target ? " for " + TerminalSafe(*args.target) : "") << "\n";
    }
    return PrintPhrase(args, market, runs, months) ? kExitOk : kExitFailure;
  } catch (const history::HistoryError& e) {
    std::cerr << "qmk: " << TerminalSafe(e.what()) << "\n";
    return kExitFailure;
  }
}

}  // namespace

void AddHistoryCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<HistoryArgs>();
  CLI::App* cmd = app.add_subcommand(
      "history", "Show a phrase's past runs and monthly demand, list the runs, or forget entries");
  cmd->add_option("phrase", args->phrase, "The phrase whose runs and months to show");
  command_line::AddMarketOptions(cmd, args->market);
  cmd->add_option("--target", args->target, "Only the runs with this target site")
      ->type_name("SITE");
  cmd->add_option_function<std::string>(
         "--format",
         [args](const std::string& given) {
           const std::string name = CLI::detail::to_lower(given);
           args->json = name == "json";
           args->format = name == "tsv"   ? OutputFormat::kTsv
                          : name == "csv" ? OutputFormat::kCsv
                                          : OutputFormat::kTable;
         },
         "Output format: table (default), tsv, csv or json")
      ->check(CLI::IsMember({"table", "tsv", "csv", "json"}, CLI::ignore_case));
  cmd->add_flag("--runs", args->runs, "List the runs: date, seed, source, rows, calls, money");
  cmd->add_option("--forget", args->forget,
                  "Remove a phrase: its rows, its months and the runs it was the seed of")
      ->type_name("PHRASE");
  cmd->add_option("--before", args->before,
                  "Remove the runs made before a date (YYYY-MM-DD), and the months ended before it")
      ->type_name("DATE");
  cmd->footer(
      "The history file is $QUILLMARK_DATA_DIR/history.sqlite3, else\n"
      "$XDG_DATA_HOME/quillmark/history.sqlite3, else ~/.local/share/quillmark/history.sqlite3;\n"
      "here: " +
      history::HistoryFilePath() +
      "\n"
      "It holds the runs (date, source, market, seed, target, calls, money), their rows and\n"
      "the monthly demand; never a login or password. A damaged file is set aside with the\n"
      "date in its name and a new one started.\n"
      "Exit status: 0 success, 1 the history file cannot be read or written, 2 usage error.");
  cmd->callback([args, &exit_code] { exit_code = RunHistory(*args); });
}

}  // namespace quillmark::cli
