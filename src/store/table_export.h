#pragma once
// The keyword list as a table for other programs: CSV (RFC 4180) for "Export Table..." and
// qmk's --format csv, tab-separated lines for the clipboard and qmk's --format tsv. The quoting
// rule lives here once, so every table we write reads back the same way, and so does the rule that
// keeps a spreadsheet from running a cell: phrases come from outside.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "research/keyword_list.h"
#include "research/shown_cell.h"

namespace quillmark {

using TextRow = std::vector<std::string>;

// The text as a spreadsheet cell that holds it as text: one beginning with "=", "+", "-", "@",
// TAB or CR, which a spreadsheet would read as a formula, gets a leading "'", unless it is a plain
// number ("-5", "-70%", "0,5"), which stays a number.
std::string SpreadsheetText(std::string_view text);

// One CSV record ended by CR LF (RFC 4180 section 2), each field a SpreadsheetText: every CSV we
// write is for spreadsheets. A field holding a comma, a double quote, CR or LF goes in double
// quotes with its quotes doubled; any other field is written as it is.
std::string CsvLine(const TextRow& fields);

// The text with each TAB, CR and LF replaced by a blank, so that it stays one field of a line.
std::string OneLine(std::string_view text);

// One tab-separated line ended by LF: the fields, each OneLine, joined by TAB.
std::string TsvLine(const TextRow& fields);

// The first `columns` cells of the row as the list shows them (ShowCell: "?" for an index nobody
// measured), without their notes; a cell the row lacks (a row a stopped run left unfinished,
// Keyword Effectiveness) is an empty one.
std::vector<ShownCell> RowCells(const KeywordRow& row, std::size_t columns = kColumnCount);

// The titles of the eight columns, then every row in list order, as CSV: the texts the list
// shows, and an empty cell for every value not measured, which a spreadsheet then leaves out of
// its sums.
std::string KeywordTableCsv(const KeywordList& list);

// The titles of the eight columns, then the rows at `positions` in the order given, as the list
// shows them, as tab-separated lines of SpreadsheetText for pasting into a spreadsheet.
std::string KeywordRowsTsv(const KeywordList& list, const std::vector<std::size_t>& positions);

// Turns the program's single-byte texts into the bytes a file holds.
using TextEncoder = std::function<std::string(const std::string&)>;

// Replaces the file at `path` with encode(KeywordTableCsv(list)), atomically. The whole text is
// encoded at once: the separators and quotes are ASCII, which reads the same in every code page
// we meet. Raises StoreError (the old file stays whole).
void ExportKeywordTable(const KeywordList& list, const std::string& path,
                        const TextEncoder& encode);

}  // namespace quillmark
