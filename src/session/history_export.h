#pragma once
// The history as a table for spreadsheets: File > "Export History...". One CSV with the cell
// rules of the table export (a figure not measured is an empty cell, a text a spreadsheet would
// evaluate is led by "'"), the runs' rows first, then the months, told apart by the first field.

#include <string>
#include <vector>

#include "history/history_store.h"

namespace quillmark::session {

// The titles, then a "run" line per kept row of the phrases given (in their order, each one's
// runs as recorded), or of every run when none is given, then a "month" line per kept month of
// the same phrases. In the program's texts, for the caller to encode.
std::string HistoryCsv(history::HistoryStore& store, const std::vector<std::string>& phrases);

}  // namespace quillmark::session
