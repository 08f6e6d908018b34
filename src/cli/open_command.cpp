#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/keyword_rows.h"
#include "cli/row_output.h"
#include "research/column_compare.h"
#include "store/investigation_file.h"
#include "store/store_error.h"

namespace quillmark::cli {
namespace {

struct OpenArgs {
  std::string path;
  OutputFormat format = OutputFormat::kTable;
  std::optional<std::size_t> sort_column;
};

int RunOpen(const OpenArgs& args) {
  // The window quietly adds nothing for a missing file; on the command line it is a mistake
  // worth saying.
  std::error_code error;
  if (!std::filesystem::exists(args.path, error)) {
    std::cerr << "qmk: cannot open " << args.path << ": No such file or directory\n";
    return kExitFailure;
  }
  KeywordList list;
  try {
    OpenInvestigationFile(list, args.path);
  } catch (const StoreError& e) {
    std::cerr << "qmk: " << e.what() << "\n";
    return kExitFailure;
  }
  if (args.sort_column) SortKeywordList(list, *args.sort_column);
  ReportValuesNotReal(list, std::cerr);
  return PrintRows(KeywordRowTable(list, true), args.format) ? kExitOk : kExitFailure;
}

}  // namespace

void AddOpenCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<OpenArgs>();
  CLI::App* cmd = app.add_subcommand("open", "Show the rows of an investigation file (.qmk)");
  cmd->add_option("file", args->path, "The investigation file")->required();
  AddFormatOption(cmd, args->format);
  AddSortOption(cmd, args->sort_column);
  cmd->callback([args, &exit_code] { exit_code = RunOpen(*args); });
}

}  // namespace quillmark::cli
