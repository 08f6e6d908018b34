#pragma once
// Writes result rows in the three output formats of qmk: an aligned table for people, TSV and
// CSV for scripts.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace quillmark::cli {

enum class OutputFormat { kTable, kTsv, kCsv };

// Adds "--format table|tsv|csv" (default table) to a command.
void AddFormatOption(CLI::App* command, OutputFormat& format);

struct RowTable {
  std::vector<std::string> titles{};
  std::vector<std::vector<std::string>> rows{};  // each as long as `titles`
  // Columns shown right-aligned in the table format (numbers).
  std::vector<bool> right_aligned{};
  // Per row, the fields that hold no measured value ("?" for a figure nobody measured): csv
  // writes them empty, so a spreadsheet leaves them out of its sums. A row without flags, or a
  // field past them, is measured.
  std::vector<std::vector<bool>> unmeasured{};
};

// The text with control bytes, DEL and C1 controls (bytes 0x80-0x9F, or U+0080-U+009F written
// in UTF-8) shown as "?": pages and files must not drive the terminal. UTF-8 characters and the
// letters of single-byte texts stay.
std::string TerminalSafe(std::string_view text);
// The columns a text takes on a terminal: UTF-8 characters count once (East Asian wide ones
// twice), any other byte once.
std::size_t DisplayWidth(std::string_view text);

// tsv: fields joined by TAB, one LF-terminated line per row, no header, the texts as they are.
// csv, for spreadsheets: RFC 4180 with a header line of the titles, CR LF line ends, a text that
// a spreadsheet would take for a formula led by "'" (SpreadsheetText), an unmeasured field empty.
// table: titles, a rule, then columns aligned by display width. `to_terminal`: tsv and csv are
// made as safe as the table.
void WriteRows(std::ostream& out, const RowTable& table, OutputFormat format,
               bool to_terminal = false);

// Writes the rows to standard output; false (after saying so on standard error) when they could
// not all be written, e.g. into a closed pipe or a full disk.
bool PrintRows(const RowTable& table, OutputFormat format);

}  // namespace quillmark::cli
