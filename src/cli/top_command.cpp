#include <iostream>

#include "cli/commands.h"
#include "cli/network_options.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"

namespace quillmark::cli {
namespace {

struct TopArgs {
  RunSettings run;
  OutputFormat format = OutputFormat::kTable;
  NetworkOptions network;
};

int RunTop(const TopArgs& args) {
  const auto host = RunFromTerminal(args.run, args.network);

  RowTable table;
  table.titles = {"Rank", "Keyword"};
  table.right_aligned = {true, false};
  for (const TopSearchRow& row : host->TopSearches().Rows())
    table.rows.push_back({row.caption, row.keyword});
  return PrintRows(table, args.format) ? kExitOk : kExitFailure;
}

}  // namespace

void AddTopCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<TopArgs>();
  CLI::App* cmd = app.add_subcommand("top", "List today's top searches");
  cmd->add_option("--results", args->run.max_results, "Most phrases to list")
      ->check(CLI::Range(2, 100))
      ->default_str("10");
  cmd->add_flag("--filter", args->run.filter_unwanted,
                "Filter unwanted searches (sites such as google, ebay, amazon, .com)");
  AddFormatOption(cmd, args->format);
  AddNetworkOptions(cmd, args->network);
  cmd->callback([args, &exit_code] {
    args->run.mode = ResearchMode::kTopSearches;
    exit_code = RunTop(*args);
  });
}

}  // namespace quillmark::cli
