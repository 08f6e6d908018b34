#include "store/table_export.h"

#include <algorithm>

#include "store/atomic_file.h"

namespace quillmark {
namespace {

void AppendCsvField(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

TextRow Titles() {
  return TextRow(std::begin(kColumnTitles), std::end(kColumnTitles));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// "-5", "-0.333", "-70%", "12,5": what the indices write, and what a spreadsheet takes for a
// number without evaluating anything.
bool IsPlainNumber(std::string_view text) {
  std::size_t i = text.starts_with('-') ? 1 : 0;
  const auto digits = [&] {
    const std::size_t from = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    return i > from;
  };
  if (!digits()) return false;
  if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
    ++i;
    if (!digits()) return false;
  }
  if (i < text.size() && text[i] == '%') ++i;
  return i == text.size();
}

}  // namespace

std::string SpreadsheetText(std::string_view text) {
  // The common rule for formula injection: these are the characters a spreadsheet starts a
  // formula with (or skips before one).
  if (text.empty() || std::string_view("=+-@\t\r").find(text.front()) == std::string_view::npos ||
      IsPlainNumber(text))
    return std::string(text);
  return "'" + std::string(text);
}

std::string CsvLine(const TextRow& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += ',';
    AppendCsvField(line, SpreadsheetText(fields[i]));
  }
  line += "\r\n";
  return line;
}

std::string OneLine(std::string_view text) {
  std::string out(text);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return out;
}

std::string TsvLine(const TextRow& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    line += OneLine(fields[i]);
  }
  line += '\n';
  return line;
}

std::vector<ShownCell> RowCells(const KeywordRow& row, std::size_t columns) {
  std::vector<ShownCell> cells;
  cells.reserve(columns);
  for (std::size_t c = 0; c < columns; ++c)
    cells.push_back(ShowCell(row, static_cast<KeywordColumn>(c), false));
  return cells;
}

std::string KeywordTableCsv(const KeywordList& list) {
  std::string text = CsvLine(Titles());
  for (const KeywordRowPtr& row : list.Rows()) {
    TextRow fields;
    for (ShownCell& cell : RowCells(*row))
      fields.push_back(cell.Measured() ? std::move(cell.text) : std::string());
    text += CsvLine(fields);
  }
  return text;
}

std::string KeywordRowsTsv(const KeywordList& list, const std::vector<std::size_t>& positions) {
  std::string text = TsvLine(Titles());
  for (std::size_t at : positions) {
    TextRow fields;
    for (const ShownCell& cell : RowCells(*list.Row(at)))
      fields.push_back(SpreadsheetText(cell.text));
    text += TsvLine(fields);
  }
  return text;
}

void ExportKeywordTable(const KeywordList& list, const std::string& path,
                        const TextEncoder& encode) {
  ReplaceFileAtomically(path, encode(KeywordTableCsv(list)));
}

}  // namespace quillmark
