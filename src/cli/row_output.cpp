#include "cli/row_output.h"

#include <algorithm>
#include <iostream>
#include <ostream>

namespace quillmark::cli {
namespace {

// Page texts may carry tabs and line breaks; in the line-based formats they would split a row.
std::string OneLine(const std::string& text) {
  std::string out = text;
  std::replace_if(
      out.begin(), out.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
  return out;
}

// The table is for a terminal.
std::string Shown(const std::string& text) {
  return TerminalSafe(OneLine(text));
}

std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
  return out;
}

void WriteTsv(std::ostream& out, const RowTable& table) {
  for (const auto& row : table.rows) {
    for (std::size_t i = 0; i < row.size(); ++i) {
      if (i) out << '\t';
      out << OneLine(row[i]);
    }
    out << '\n';
  }
}

void WriteCsvLine(std::ostream& out, const std::vector<std::string>& fields) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) out << ',';
    out << CsvField(fields[i]);
  }
  out << "\r\n";
}

void WriteAligned(std::ostream& out, const RowTable& table) {
  const std::size_t columns = table.titles.size();
  std::vector<std::size_t> widths(columns, 0);
  for (std::size_t c = 0; c < columns; ++c) widths[c] = table.titles[c].size();
  for (const auto& row : table.rows)
    for (std::size_t c = 0; c < columns && c < row.size(); ++c)
      widths[c] = std::max(widths[c], Shown(row[c]).size());

  auto write_line = [&](const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string text = c < fields.size() ? Shown(fields[c]) : std::string();
      const std::string pad(widths[c] - text.size(), ' ');
      const bool right = c < table.right_aligned.size() && table.right_aligned[c];
      if (c) line += "  ";
      line += right ? pad + text : text + pad;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << '\n';
  };
  write_line(table.titles);
  std::vector<std::string> rule;
  for (std::size_t w : widths) rule.emplace_back(w, '-');
  write_line(rule);
  for (const auto& row : table.rows) write_line(row);
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return out;
}

void AddFormatOption(CLI::App* command, OutputFormat& format) {
  command
      ->add_option_function<std::string>(
          "--format",
          [&format](const std::string& name) {
            format = name == "tsv"   ? OutputFormat::kTsv
                     : name == "csv" ? OutputFormat::kCsv
                                     : OutputFormat::kTable;
          },
          "Output format: table (default), tsv or csv")
      ->check(CLI::IsMember({"table", "tsv", "csv"}));
}

void WriteRows(std::ostream& out, const RowTable& table, OutputFormat format) {
  switch (format) {
    case OutputFormat::kTsv:
      WriteTsv(out, table);
      break;
    case OutputFormat::kCsv:
      WriteCsvLine(out, table.titles);
      for (const auto& row : table.rows) WriteCsvLine(out, row);
      break;
    case OutputFormat::kTable:
      WriteAligned(out, table);
      break;
  }
  out.flush();
}

bool PrintRows(const RowTable& table, OutputFormat format) {
  WriteRows(std::cout, table, format);
  if (std::cout) return true;
  std::cerr << "qmk: cannot write the rows to standard output\n";
  return false;
}

}  // namespace quillmark::cli
