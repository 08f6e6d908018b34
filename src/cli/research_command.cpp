#include <iostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/keyword_rows.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"
#include "command_line/common_options.h"
#include "research/column_compare.h"
#include "research/research_limits.h"
#include "session/count_text.h"
#include "session/provider_calls.h"
#include "session/run_history.h"
#include "session/session_options.h"
#include "sources/source.h"
#include "store/atomic_file.h"
#include "store/investigation_file.h"
#include "store/settings_key.h"
#include "store/store_error.h"

namespace quillmark::cli {
namespace {

struct ResearchArgs {
  session::RunRequest run;
  int max_pages = kDefaultMaxPages;
  std::string save_path;
  OutputFormat format = OutputFormat::kTable;
  std::optional<std::size_t> sort_column;
  session::SessionOptions network;
  std::int64_t max_calls = 0;  // 0: no bound
  bool compare = false;        // a last column: the change since the phrase's last run
  bool no_history = false;     // this run is not kept in the history
};

void SayHistoryNotice(session::RunHistory& history) {
  if (const std::string notice = history.TakeNotice(); !notice.empty())
    std::cerr << "qmk: " << TerminalSafe(notice) << "\n";
}

// The rows as printed, with --compare the change of each since the phrase's runs before this
// one (empty where there is nothing to compare, or no history to compare with).
RowTable PrintedRows(const KeywordList& rows, const session::RunReport& report,
                     const session::RunRequest& request, session::RunHistory* kept) {
  RowTable table = KeywordRowTable(rows, false);
  if (kept == nullptr) return table;
  table.titles.emplace_back("Change");
  table.right_aligned.push_back(false);
  history::HistoryStore* store = kept->Store();
  SayHistoryNotice(*kept);
  std::optional<session::RunComparison> comparison;
  if (store != nullptr) comparison.emplace(*store, report.origin, request.seed, request.target_url);
  for (std::size_t i = 0; i < table.rows.size(); ++i)
    table.rows[i].push_back(comparison ? comparison->Words(*rows.Row(i)) : std::string());
  return table;
}

// Names the rows a stop cut short, with how far their lookups got.
void ReportStoppedRows(const KeywordList& list) {
  for (const KeywordRowPtr& row : list.Rows()) {
    const LookupStatus& lookups = row->Lookups();
    if (!LookupStopped(lookups)) continue;
    std::cerr << "qmk: row \"" << TerminalSafe(row->Caption()) << "\" stopped: ";
    if (lookups.supply == SupplyLookup::kSkipped) {
      std::cerr << "supply not looked up";
      if (lookups.rank_pages > 0) std::cerr << ", ";
    }
    if (lookups.rank_pages > 0) {
      std::cerr << "rank searched on " << lookups.rank_pages_searched << " of "
                << session::CountText(static_cast<std::size_t>(lookups.rank_pages), "page",
                                      "pages");
    }
    std::cerr << "\n";
  }
}

// Names the rows whose demand the suggestion service gave no count for: a figure from the
// provider, not a page that failed, so it does not change the exit status.
void ReportUnknownDemands(const KeywordList& list) {
  for (const KeywordRowPtr& row : list.Rows()) {
    const std::string why = DescribeDemandLookup(row->Lookups());
    if (!why.empty())
      std::cerr << "qmk: row \"" << TerminalSafe(row->Caption()) << "\": " << why << "\n";
  }
}

int RunResearch(const ResearchArgs& args) {
  const std::int64_t most_calls = session::MostProviderCalls(args.run.max_results);
  if (args.max_calls > 0 && sources::IsProvider(sources::ParseSourceName(args.network.source)) &&
      most_calls > args.max_calls) {
    std::cerr << "qmk: this research may make up to " << most_calls << " provider calls (1 + "
              << args.run.max_results << " results x 2), more than --max-calls " << args.max_calls
              << "; lower --results or raise --max-calls\n";
    return kExitUsage;
  }
  // A save that is bound to fail is better reported before a run of several minutes.
  if (!args.save_path.empty()) {
    if (const std::string refusal = ReplaceRefusal(args.save_path); !refusal.empty()) {
      std::cerr << "qmk: " << refusal << "\n";
      return kExitFailure;
    }
  }
  session::RunRequest request = args.run;
  request.max_pages_text = std::to_string(args.max_pages);
  // Retries after a rate limit count too: a run that reaches the bound makes no further call.
  request.max_calls = args.max_calls;
  const TerminalRun run = RunFromTerminal(request, args.network);
  const session::RunReport& report = run.report;
  KeywordList& rows = run.host->Keywords();
  if (args.sort_column) SortKeywordList(rows, *args.sort_column);
  if (Interrupted()) std::cerr << "qmk: stopped; showing the rows found so far\n";
  ReportStoppedRows(rows);
  ReportUnknownDemands(rows);
  ReportValuesNotReal(rows, std::cerr);

  // Rows that cannot be printed are still saved below.
  session::RunHistory kept;
  bool files_ok =
      PrintRows(PrintedRows(rows, report, request, args.compare ? &kept : nullptr), args.format);
  if (!args.save_path.empty()) {
    try {
      if (SaveInvestigationFile(rows, args.save_path)) {
        std::cerr << "qmk: saved " << session::CountText(rows.Count(), "row", "rows") << " to "
                  << args.save_path << "\n";
      } else {
        std::cerr << "qmk: no rows to save; " << args.save_path << " not written\n";
      }
    } catch (const StoreError& e) {
      std::cerr << "qmk: " << e.what() << "\n";
      files_ok = false;
    }
  }

  if (report.pages_not_used > 0) {
    std::cerr << "qmk: "
              << session::CountText(static_cast<std::size_t>(report.pages_not_used), "page",
                                    "pages")
              << " fetched for rows not reached\n";
  }
  std::cerr << "qmk: " << session::CountText(rows.Count(), "row", "rows") << "; ";
  if (report.not_fetched.empty()) {
    std::cerr << "every page fetched";
  } else {
    std::cerr << report.not_fetched.size() << " of "
              << session::CountText(static_cast<std::size_t>(report.pages_asked), "page", "pages")
              << " not fetched";
  }
  std::cerr << (Interrupted() ? "; stopped\n" : "\n");
  if (!report.provider.empty()) std::cerr << "qmk: " << session::CallsText(report.calls) << "\n";
  // The history's failure is said; the research's outcome stands.
  if (!args.no_history && store::LoadHistoryFlag()) {
    for (const std::string& line : kept.RecordAndTell(request, report))
      std::cerr << "qmk: " << TerminalSafe(line) << "\n";
  }

  return run.ExitStatus(files_ok);
}

}  // namespace

void AddResearchCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<ResearchArgs>();
  CLI::App* cmd = app.add_subcommand("research", "Research the keywords related to a seed phrase");
  cmd->add_option("seed", args->run.seed, "The main keyword of the business")->required();
  cmd->add_option("--target", args->run.target_url,
                  "Your site (e.g. example.com): find its rank for every phrase");
  cmd->add_option("--pages", args->max_pages, "Result pages of 20 to search for the rank")
      ->check(CLI::Range(kMinMaxPages, kMaxMaxPages))
      ->default_str(std::to_string(kDefaultMaxPages));
  cmd->add_option("--results", args->run.max_results, "Most phrases to research")
      ->check(CLI::Range(kMinMaxResults, kMaxMaxResults))
      ->default_str(std::to_string(kDefaultMaxResults));
  cmd->add_option("--parallel", args->run.parallel,
                  "Pages fetched at once while the rows fill (1: one at a time, in the run's "
                  "order)")
      ->check(CLI::Range(1, kMaxParallelFetches))
      ->default_str(std::to_string(kDefaultParallelFetches));
  cmd->add_option("--save", args->save_path, "Also save the rows as an investigation file");
  AddFormatOption(cmd, args->format);
  AddSortOption(cmd, args->sort_column);
  command_line::AddNetworkOptions(cmd, args->network);
  command_line::AddSourceOptions(cmd, args->network, command_line::PagesAsked::kResearch);
  cmd->add_option("--max-calls", args->max_calls,
                  "Refuse to start when the research could make more provider calls than this, "
                  "and make no more than this, retries included")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            std::int64_t calls = 0;
            if (!CLI::detail::lexical_cast(text, calls)) return "'" + text + "' is not a number";
            return calls >= 1 ? std::string() : "must be at least 1";
          },
          "N"));
  cmd->add_flag("--compare", args->compare,
                "Add a last column: each phrase's change since its last run with the same "
                "source, market and target (up 3, down 12, in, out, new; demand +25%)");
  cmd->add_flag("--no-history", args->no_history, "Do not keep this run in the history");
  cmd->callback([args, &exit_code] {
    args->run.mode = ResearchMode::kSeed;
    exit_code = RunResearch(*args);
  });
}

}  // namespace quillmark::cli
