#include "cli/keyword_rows.h"

#include <algorithm>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "research/shown_cell.h"
#include "store/table_export.h"

namespace quillmark::cli {
namespace {
// The caption and the six filled columns; "Keyword Effectiveness" is never filled.
constexpr std::size_t kShownColumns = kColumnEffectiveness;

// The names --sort takes for the shown columns.
constexpr std::pair<const char*, KeywordColumn> kSortNames[] = {
    {"keyword", kColumnKeyword},   {"demand", kColumnDemand},
    {"supply", kColumnSupply},     {"cost", kColumnCost},
    {"rank", kColumnRank},         {"profitability", kColumnProfitability},
    {"prospects", kColumnEstimate}};
}  // namespace

RowTable KeywordRowTable(const KeywordList& list, bool with_check_flag) {
  RowTable table;
  for (std::size_t c = 0; c < kShownColumns; ++c) {
    table.titles.emplace_back(kColumnTitles[c]);
    table.right_aligned.push_back(c != kColumnKeyword);
  }
  if (with_check_flag) {
    table.titles.emplace_back("Checked");
    table.right_aligned.push_back(true);
  }
  for (const KeywordRowPtr& row : list.Rows()) {
    std::vector<std::string> fields;
    std::vector<bool> unmeasured;
    for (ShownCell& cell : RowCells(*row, kShownColumns)) {
      unmeasured.push_back(!cell.Measured());
      fields.push_back(std::move(cell.text));
    }
    if (with_check_flag) fields.emplace_back(row->Checked() ? "1" : "0");
    table.rows.push_back(std::move(fields));
    table.unmeasured.push_back(std::move(unmeasured));
  }
  return table;
}

void ReportValuesNotReal(const KeywordList& list, std::ostream& err) {
  for (const KeywordRowPtr& row : list.Rows()) {
    // Each cause once, with the figures it spoils, in column order.
    std::vector<std::pair<std::string, std::vector<std::string>>> causes;
    for (std::size_t c = kColumnDemand; c < kShownColumns; ++c) {
      const ShownCell cell = ShowCell(*row, static_cast<KeywordColumn>(c));
      if (cell.kind != CellKind::kNotReal) continue;
      std::istringstream lines(cell.note);
      for (std::string line; std::getline(lines, line);) {
        // "not a real cost: <cause>"
        const std::size_t colon = line.find(": ");
        if (colon != std::string::npos) line.erase(0, colon + 2);
        auto known = std::find_if(causes.begin(), causes.end(),
                                  [&line](const auto& cause) { return cause.first == line; });
        if (known == causes.end()) known = causes.insert(causes.end(), {line, {}});
        known->second.emplace_back(kColumnTitles[c]);
      }
    }
    for (const auto& [cause, titles] : causes) {
      err << "qmk: row \"" << TerminalSafe(row->Caption()) << "\": " << cause << ", so ";
      for (std::size_t i = 0; i < titles.size(); ++i)
        err << (i == 0 ? "" : i + 1 == titles.size() ? " and " : ", ") << titles[i];
      err << (titles.size() == 1 ? " is" : " are") << " not real\n";
    }
  }
}

void AddSortOption(CLI::App* command, std::optional<std::size_t>& column) {
  std::vector<std::string> names;
  for (const auto& [name, sorted] : kSortNames) names.emplace_back(name);
  command
      ->add_option_function<std::string>(
          "--sort",
          [&column](const std::string& given) {
            const std::string name = CLI::detail::to_lower(given);
            for (const auto& [known, sorted] : kSortNames)
              if (name == known) column = sorted;
          },
          "Sort the rows as a click on the column's header does in the window; rows whose "
          "figure was not measured (a page not fetched, a stop, an unknown demand) or is no "
          "real value (a cost from a demand of 0) go last")
      ->type_name("COLUMN")
      ->check(CLI::IsMember(names, CLI::ignore_case));
}

}  // namespace quillmark::cli
