#include "cli/keyword_rows.h"

namespace quillmark::cli {
namespace {
// The caption and the six filled columns; "Keyword Effectiveness" is never filled.
constexpr std::size_t kShownColumns = kColumnEffectiveness;
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
    fields.push_back(row->Caption());
    // A row that a stopped run left unfinished shows its missing columns empty.
    for (std::size_t i = 0; i + 1 < kShownColumns; ++i) {
      const std::string* text = row->SubItem(i);
      fields.push_back(text ? *text : std::string());
    }
    if (with_check_flag) fields.emplace_back(row->Checked() ? "1" : "0");
    table.rows.push_back(std::move(fields));
  }
  return table;
}

}  // namespace quillmark::cli
