#pragma once
// Turns the keyword list into output rows: the caption and the six column texts, and for
// opened files the check flag last. Sorts them first when asked to.

#include <cstddef>
#include <iosfwd>
#include <optional>

#include "cli/row_output.h"
#include "research/keyword_list.h"

namespace quillmark::cli {

RowTable KeywordRowTable(const KeywordList& list, bool with_check_flag);

// Says on `err`, a line per row and cause, which figures the formulas worked out from measured
// figures that give no real value ("qmk: row \"x\": no searches last month (a demand of 0), so
// Cost-per-Prospect is not real"): the window tints them; a terminal shows them as they are.
void ReportValuesNotReal(const KeywordList& list, std::ostream& err);

// Adds "--sort COLUMN" (keyword, demand, supply, cost, rank, profitability or prospects, in any
// letter case) to a command; `column` stays empty without it. Sort with SortKeywordList, as a
// click on the column's header does.
void AddSortOption(CLI::App* command, std::optional<std::size_t>& column);

}  // namespace quillmark::cli
