#pragma once
// The list's order by a column, as a click on a column header sorts it: captions A to Z without
// regard to case, Demand, Profitability, Estimated prospects # and Keyword Effectiveness largest
// first, Supply, Cost-per-Prospect and Rank # smallest first. A text that is missing or cannot be
// read compares equal to everything, so the order is not a strict weak one: sort it stably.
// A row whose text in the column is no measured figure (SortsLast: it rests on a page not
// fetched, a stop, a demand the suggestion service does not know, or it is an index from a demand
// of 0 or a count too large for the calculation) goes after every measured row, whichever way
// the column sorts: a "0" that was never measured is not the best cost.

#include <cstddef>

#include "research/keyword_list.h"
#include "research/keyword_row.h"

namespace quillmark {

// Negative when `a` goes before `b`, positive when after, 0 when equal. Throws
// std::out_of_range for a column past the last.
int CompareRows(const KeywordRow& a, const KeywordRow& b, std::size_t column);

// Sorts the whole list once by the column: the measured rows by their texts, then the rest;
// rows that compare equal keep their order.
void SortKeywordList(KeywordList& list, std::size_t column);

}  // namespace quillmark
