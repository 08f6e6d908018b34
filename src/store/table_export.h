#pragma once
// The keyword list as a table for other programs: CSV (RFC 4180) for "Export Table..." and
// qmk's --format csv, tab-separated lines for the clipboard and qmk's --format tsv. The quoting
// rule lives here once, so every table we write reads back the same way.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "research/keyword_list.h"

namespace quillmark {

using TextRow = std::vector<std::string>;

// One CSV record ended by CR LF (RFC 4180 section 2): a field holding a comma, a double quote,
// CR or LF goes in double quotes with its quotes doubled; any other field is written as it is.
std::string CsvLine(const TextRow& fields);

// The text with each TAB, CR and LF replaced by a blank, so that it stays one field of a line.
std::string OneLine(std::string_view text);

// One tab-separated line ended by LF: the fields, each OneLine, joined by TAB.
std::string TsvLine(const TextRow& fields);

// The caption and the sub-items of the first `columns` columns as the list shows them; a
// sub-item the row lacks (a row a stopped run left unfinished, Keyword Effectiveness) is "".
TextRow RowTexts(const KeywordRow& row, std::size_t columns = kColumnCount);

// The titles of the eight columns, then every row in list order, as CSV.
std::string KeywordTableCsv(const KeywordList& list);

// The titles of the eight columns, then the rows at `positions` in the order given, as
// tab-separated lines for pasting into a spreadsheet.
std::string KeywordRowsTsv(const KeywordList& list, const std::vector<std::size_t>& positions);

// Turns the program's single-byte texts into the bytes a file holds.
using TextEncoder = std::function<std::string(const std::string&)>;

// Replaces the file at `path` with encode(KeywordTableCsv(list)), atomically. The whole text is
// encoded at once: the separators and quotes are ASCII, which reads the same in every code page
// we meet. Raises StoreError (the old file stays whole).
void ExportKeywordTable(const KeywordList& list, const std::string& path,
                        const TextEncoder& encode);

}  // namespace quillmark
