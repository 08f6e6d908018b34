#include <cmath>
#include <iostream>
#include <optional>
#include <stdexcept>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/keyword_rows.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"
#include "command_line/common_options.h"
#include "research/column_compare.h"
#include "research/research_limits.h"
#include "session/count_text.h"
#include "session/phrase_list.h"
#include "session/provider_calls.h"
#include "session/run_history.h"
#include "session/session_options.h"
#include "sources/price_table.h"
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
  double max_cost = 0;         // USD; 0: no bound
  std::string phrases_path;    // --phrases: the user's own list ("-" standard input)
  bool compare = false;        // a last column: the change since the phrase's last run
  bool no_history = false;     // this run is not kept in the history
  std::string economy;         // --economy: "normal" or "high"; "" live
};

// The list of --phrases as the run takes it, said on standard error; the exit status when it
// cannot be taken.
std::optional<int> TakePhrases(const std::string& path, session::RunRequest& request) {
  std::vector<std::string> lines;
  try {
    if (path == "-") {
      std::string text;
      char block[64 * 1024];
      while (std::cin.read(block, sizeof block) || std::cin.gcount() > 0) {
        text.append(block, static_cast<std::size_t>(std::cin.gcount()));
        if (text.size() > session::kMaxListFileBytes)
          throw std::runtime_error("standard input holds more than a list of phrases can");
      }
      lines = session::TextLines(text);
    } else {
      lines = session::ReadPhraseFile(path);
    }
  } catch (const std::exception& e) {
    std::cerr << "qmk: --phrases: " << TerminalSafe(e.what()) << "\n";
    return kExitFailure;
  }
  const session::PhraseList list = session::ReadPhrases(lines);
  std::cerr << "qmk: " << session::PhraseListText(list) << "\n";
  if (const std::string refusal = session::PhraseListRefusal(list); !refusal.empty()) {
    std::cerr << "qmk: --phrases: " << refusal << "\n";
    return kExitUsage;
  }
  request.phrases = list.phrases;
  request.max_results = static_cast<int>(list.phrases.size());
  // The list's name stands where a seed would: the status line, a history entry.
  const std::string name = path.substr(path.rfind('/') + 1);
  request.seed = path == "-" ? "phrases" : name.substr(0, name.rfind('.'));
  return std::nullopt;
}

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
  session::RunRequest request = args.run;
  if (!args.phrases_path.empty()) {
    if (const auto refused = TakePhrases(args.phrases_path, request)) return *refused;
  }
  request.max_pages_text = std::to_string(args.max_pages);
  request.max_cost = args.max_cost;
  // Retries after a rate limit count too: a run that reaches the bound makes no further call.
  request.max_calls = args.max_calls;
  const bool provider = sources::IsProvider(sources::ParseSourceName(args.network.source));
  if (!args.economy.empty()) {
    if (!provider) {
      std::cerr << "qmk: --economy uses a provider's queue; choose one with --source dataforseo\n";
      return kExitUsage;
    }
    request.economy = args.economy == "high" ? sources::Economy::kHigh : sources::Economy::kNormal;
  }
  if (provider) {
    const session::WorstCase worst = session::ResearchWorstCase(request, sources::PriceTable());
    if (args.max_calls > 0 && worst.calls > args.max_calls) {
      std::cerr << "qmk: this research may make " << session::WorstCaseText(worst)
                << ", more than --max-calls " << args.max_calls
                << "; lower --results or raise --max-calls\n";
      return kExitUsage;
    }
    if (args.max_cost > 0 && worst.money > args.max_cost) {
      std::cerr << "qmk: this research may make " << session::WorstCaseText(worst)
                << ", more than --max-cost " << session::MoneyUpText(args.max_cost)
                << "; lower --results or --pages, or raise --max-cost\n";
      return kExitUsage;
    }
  }
  // A save that is bound to fail is better reported before a run of several minutes.
  if (!args.save_path.empty()) {
    if (const std::string refusal = ReplaceRefusal(args.save_path); !refusal.empty()) {
      std::cerr << "qmk: " << refusal << "\n";
      return kExitFailure;
    }
  }
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
  CLI::Option* seed = cmd->add_option("seed", args->run.seed, "The main keyword of the business");
  CLI::Option* phrases =
      cmd->add_option("--phrases", args->phrases_path,
                      "Research your own phrases instead of the seed's suggestions: FILE holds "
                      "one a line, or a .csv file's first column; - reads standard input. Blanks "
                      "at the ends are trimmed, repeats (in any letter case) skipped; at most " +
                          std::to_string(kMaxListPhrases) + " phrases")
          ->type_name("FILE");
  seed->excludes(phrases);
  cmd->add_option("--target", args->run.target_url,
                  "Your site (e.g. example.com): find its rank for every phrase");
  cmd->add_option("--pages", args->max_pages, "Result pages of 20 to search for the rank")
      ->check(CLI::Range(kMinMaxPages, kMaxMaxPages))
      ->default_str(std::to_string(kDefaultMaxPages));
  cmd->add_option("--results", args->run.max_results, "Most phrases to research")
      ->check(CLI::Range(kMinMaxResults, kMaxMaxResults))
      ->default_str(std::to_string(kDefaultMaxResults))
      ->excludes(phrases);
  cmd->add_option("--parallel", args->run.parallel,
                  "Pages fetched at once while the rows fill (1: one at a time, in the run's "
                  "order). The stand-in and your own endpoints take " +
                      std::to_string(kDefaultParallelFetches) + " by default and at most " +
                      std::to_string(kMaxParallelFetches) + " (a larger N counts as that); " +
                      "a provider " + std::to_string(kDefaultProviderParallel) +
                      " by default and up to " + std::to_string(kMaxProviderParallel) +
                      ", well within DataForSEO's 2,000 calls a minute")
      ->check(CLI::Range(1, kMaxProviderParallel))
      ->default_str(std::to_string(kDefaultParallelFetches) + " or " +
                    std::to_string(kDefaultProviderParallel));
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
  cmd->add_option("--max-cost", args->max_cost,
                  "Refuse to start when the research could cost more than this many US dollars, "
                  "and make no further call once its calls have cost that much (prices: the "
                  "provider's pricing page of " +
                      std::string(sources::kPricesTaken) + ", replaced by what its replies showed)")
      ->check(CLI::Validator(
          [](std::string& text) -> std::string {
            double usd = 0;
            if (!CLI::detail::lexical_cast(text, usd) || !std::isfinite(usd))
              return "'" + text + "' is not an amount";
            return usd > 0 ? std::string() : "must be more than 0";
          },
          "USD"));
  cmd->add_option("--economy", args->economy,
                  "Look up supply and rank through DataForSEO's queue, for 0.3 of a live call's "
                  "price at normal priority (results in about 5 minutes) or 0.6 at high (about 1 "
                  "minute); the run waits for them. Tasks a stop leaves in the queue are paid "
                  "for: the same research within 30 days collects them free of charge")
      ->expected(0, 1)
      ->default_str("normal")
      ->check(CLI::IsMember({"normal", "high"}))
      ->type_name("[normal|high]");
  cmd->add_flag("--compare", args->compare,
                "Add a last column: each phrase's change since its last run with the same "
                "source, market and target (up 3, down 12, in, out, new; demand +25%)");
  cmd->add_flag("--no-history", args->no_history, "Do not keep this run in the history");
  cmd->callback([args, &exit_code] {
    if (args->run.seed.empty() && args->phrases_path.empty()) {
      std::cerr << "qmk: research needs a SEED or --phrases FILE\n";
      exit_code = kExitUsage;
      return;
    }
    args->run.mode = ResearchMode::kSeed;
    exit_code = RunResearch(*args);
  });
}

}  // namespace quillmark::cli
