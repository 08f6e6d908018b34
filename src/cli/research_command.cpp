#include <unistd.h>

#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/keyword_rows.h"
#include "cli/network_options.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"
#include "store/investigation_file.h"
#include "store/store_error.h"

namespace quillmark::cli {
namespace {

struct ResearchArgs {
  RunSettings run;
  std::string save_path;
  OutputFormat format = OutputFormat::kTable;
  NetworkOptions network;
};

// A save that is bound to fail is better reported before a run of several minutes.
bool SaveFolderUsable(const std::string& path, std::string& reason) {
  std::filesystem::path folder = std::filesystem::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    reason = "cannot write " + path + ": No such directory " + folder.string();
    return false;
  }
  if (::access(folder.c_str(), W_OK) != 0) {
    reason = "cannot write " + path + ": Permission denied";
    return false;
  }
  return true;
}

int RunResearch(const ResearchArgs& args) {
  if (!args.save_path.empty()) {
    std::string reason;
    if (!SaveFolderUsable(args.save_path, reason)) {
      std::cerr << "qmk: " << reason << "\n";
      return kExitFailure;
    }
  }
  const auto host = RunFromTerminal(args.run, args.network);
  if (Interrupted()) std::cerr << "qmk: stopped; showing the rows found so far\n";

  // Rows that cannot be printed are still saved below.
  const bool printed = PrintRows(KeywordRowTable(host->Keywords(), false), args.format);
  if (!args.save_path.empty()) {
    try {
      SaveInvestigationFile(host->Keywords(), args.save_path);
    } catch (const StoreError& e) {
      std::cerr << "qmk: " << e.what() << "\n";
      return kExitFailure;
    }
    std::cerr << "qmk: saved " << host->Keywords().Count() << " rows to " << args.save_path << "\n";
  }
  return printed ? kExitOk : kExitFailure;
}

}  // namespace

void AddResearchCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<ResearchArgs>();
  CLI::App* cmd = app.add_subcommand("research", "Research the keywords related to a seed phrase");
  cmd->add_option("seed", args->run.seed, "The main keyword of the business")->required();
  cmd->add_option("--target", args->run.target_url,
                  "Your site (e.g. example.com): find its rank for every phrase");
  cmd->add_option("--pages", args->run.max_pages, "Result pages of 20 to search for the rank")
      ->check(CLI::Range(1, 20))
      ->default_str("3");
  cmd->add_option("--results", args->run.max_results, "Most phrases to research")
      ->check(CLI::Range(2, 100))
      ->default_str("10");
  cmd->add_option("--save", args->save_path, "Also save the rows as an investigation file");
  AddFormatOption(cmd, args->format);
  AddNetworkOptions(cmd, args->network);
  cmd->callback([args, &exit_code] {
    args->run.mode = ResearchMode::kSeed;
    exit_code = RunResearch(*args);
  });
}

}  // namespace quillmark::cli
