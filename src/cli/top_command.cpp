#include <iostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"
#include "command_line/common_options.h"
#include "research/research_limits.h"
#include "session/count_text.h"
#include "session/provider_calls.h"
#include "session/run_history.h"
#include "session/session_options.h"
#include "store/settings_key.h"

namespace quillmark::cli {
namespace {

struct TopArgs {
  session::RunRequest run{.mode = ResearchMode::kTopSearches};
  OutputFormat format = OutputFormat::kTable;
  session::SessionOptions network;
  bool no_history = false;  // this listing is not kept in the history
};

int RunTop(const TopArgs& args) {
  const TerminalRun run = RunFromTerminal(args.run, args.network);
  if (Interrupted()) std::cerr << "qmk: stopped; showing the phrases found so far\n";

  RowTable table;
  table.titles = {"Rank", "Keyword"};
  table.right_aligned = {true, false};
  for (const TopSearchRow& row : run.host->TopSearches().Rows())
    table.rows.push_back({row.caption, row.keyword});
  const bool printed = PrintRows(table, args.format);
  std::cerr << "qmk: " << session::CountText(table.rows.size(), "phrase", "phrases") << "; "
            << (run.report.not_fetched.empty() ? "every page fetched"
                                               : "the top-searches page was not fetched")
            << (Interrupted() ? "; stopped\n" : "\n");
  if (!run.report.provider.empty())
    std::cerr << "qmk: " << session::CallsText(run.report.calls) << "\n";
  // Kept for what it cost; the history's failure is said, the listing stands.
  if (!args.no_history && store::LoadHistoryFlag()) {
    session::RunHistory kept;
    for (const std::string& line : kept.RecordAndTell(args.run, run.report))
      std::cerr << "qmk: " << TerminalSafe(line) << "\n";
  }
  return run.ExitStatus(printed);
}

}  // namespace

void AddTopCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<TopArgs>();
  CLI::App* cmd = app.add_subcommand("top", "List today's top searches");
  cmd->add_option("--results", args->run.max_results, "Most phrases to list")
      ->check(CLI::Range(kMinMaxResults, kMaxMaxResults))
      ->default_str(std::to_string(kDefaultMaxResults));
  cmd->add_flag("--filter", args->run.filter_unwanted,
                "Filter unwanted searches (sites such as google, ebay, amazon, .com)");
  AddFormatOption(cmd, args->format);
  cmd->add_flag("--no-history", args->no_history, "Do not keep this listing in the history");
  command_line::AddNetworkOptions(cmd, args->network);
  command_line::AddSourceOptions(cmd, args->network, command_line::PagesAsked::kTopSearches);
  cmd->callback([args, &exit_code] {
    // This command fetches the top-searches page only: its source is the top source.
    args->network.top_source = args->network.source;
    args->network.source.clear();
    exit_code = RunTop(*args);
  });
}

}  // namespace quillmark::cli
