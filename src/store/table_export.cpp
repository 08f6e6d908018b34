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

}  // namespace

std::string CsvLine(const TextRow& fields) {
  std::string line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += ',';
    AppendCsvField(line, fields[i]);
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

TextRow RowTexts(const KeywordRow& row, std::size_t columns) {
  TextRow texts;
  texts.reserve(columns);
  texts.push_back(row.Caption());
  for (std::size_t i = 0; i + 1 < columns; ++i) {
    const std::string* text = row.SubItem(i);
    texts.push_back(text ? *text : std::string());
  }
  return texts;
}

std::string KeywordTableCsv(const KeywordList& list) {
  std::string text = CsvLine(Titles());
  for (const KeywordRowPtr& row : list.Rows()) text += CsvLine(RowTexts(*row));
  return text;
}

std::string KeywordRowsTsv(const KeywordList& list, const std::vector<std::size_t>& positions) {
  std::string text = TsvLine(Titles());
  for (std::size_t at : positions) text += TsvLine(RowTexts(*list.Row(at)));
  return text;
}

void ExportKeywordTable(const KeywordList& list, const std::string& path,
                        const TextEncoder& encode) {
  ReplaceFileAtomically(path, encode(KeywordTableCsv(list)));
}

}  // namespace quillmark
