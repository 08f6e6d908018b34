#include "cli/row_output.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <ostream>

#include "store/table_export.h"

namespace quillmark::cli {
namespace {

// The table is for a terminal.
std::string Shown(const std::string& text) {
  return TerminalSafe(OneLine(text));
}

// For scripts the bytes stay as they are, unless they are going to a terminal after all.
std::string ScriptField(const std::string& text, bool to_terminal) {
  return to_terminal ? TerminalSafe(text) : text;
}

// Page texts may carry tabs and line breaks; in the line-based formats they would split a row.
// They become blanks before the terminal filter, which would show them as "?".
void WriteTsv(std::ostream& out, const RowTable& table, bool to_terminal) {
  for (const auto& row : table.rows) {
    std::vector<std::string> fields;
    for (const std::string& field : row) fields.push_back(ScriptField(OneLine(field), to_terminal));
    out << TsvLine(fields);
  }
}

void WriteCsvLine(std::ostream& out, const std::vector<std::string>& fields,
                  const std::vector<bool>& unmeasured, bool to_terminal) {
  std::vector<std::string> written;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const bool empty = i < unmeasured.size() && unmeasured[i];
    written.push_back(empty ? std::string() : ScriptField(fields[i], to_terminal));
  }
  out << CsvLine(written);
}

// One UTF-8 sequence at the front of `text`: its code point and length, or nothing when the
// bytes there are no valid sequence (a single-byte text, say).
struct Sequence {
  char32_t code = 0;
  std::size_t length = 0;
};

Sequence DecodeUtf8(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  char32_t code = 0;
  if (lead < 0x80) return {lead, 1};
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return {};
    code = (code << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and code points past Unicode are no valid sequence.
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return {};
  return {code, length};
}

// Columns a code point takes on a terminal: East Asian wide characters and most emoji take two,
// combining marks none.
int CodeWidth(char32_t c) {
  if ((c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) || (c >= 0xFE00 && c <= 0xFE0F))
    return 0;
  if ((c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
      (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
      (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
      (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
      (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD))
    return 2;
  return 1;
}

void WriteAligned(std::ostream& out, const RowTable& table) {
  const std::size_t columns = table.titles.size();
  std::vector<std::size_t> widths(columns, 0);
  for (std::size_t c = 0; c < columns; ++c) widths[c] = DisplayWidth(table.titles[c]);
  for (const auto& row : table.rows)
    for (std::size_t c = 0; c < columns && c < row.size(); ++c)
      widths[c] = std::max(widths[c], DisplayWidth(Shown(row[c])));

  auto write_line = [&](const std::vector<std::string>& fields) {
    std::string line;
    for (std::size_t c = 0; c < columns; ++c) {
      const std::string text = c < fields.size() ? Shown(fields[c]) : std::string();
      const std::string pad(widths[c] - DisplayWidth(text), ' ');
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
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const Sequence s = DecodeUtf8(text);
    if (s.length > 1) {
      // A UTF-8 character stays, unless it is a C1 control written in UTF-8.
      if (s.code >= 0x80 && s.code <= 0x9F) {
        out.push_back('?');
      } else {
        out.append(text.substr(0, s.length));
      }
      text.remove_prefix(s.length);
      continue;
    }
    const auto c = static_cast<unsigned char>(text.front());
    // Control bytes, DEL and the C1 bytes 0x80-0x9F of single-byte texts; other high bytes
    // of a single-byte text are letters, shown as the terminal can.
    out.push_back(c < 0x20 || (c >= 0x7F && c <= 0x9F) ? '?' : static_cast<char>(c));
    text.remove_prefix(1);
  }
  return out;
}

std::size_t DisplayWidth(std::string_view text) {
  std::size_t width = 0;
  while (!text.empty()) {
    const Sequence s = DecodeUtf8(text);
    width += s.length > 0 ? static_cast<std::size_t>(CodeWidth(s.code)) : 1;
    text.remove_prefix(std::max<std::size_t>(s.length, 1));
  }
  return width;
}

void AddFormatOption(CLI::App* command, OutputFormat& format) {
  command
      ->add_option_function<std::string>(
          "--format",
          [&format](const std::string& given) {
            const std::string name = CLI::detail::to_lower(given);
            format = name == "tsv"   ? OutputFormat::kTsv
                     : name == "csv" ? OutputFormat::kCsv
                                     : OutputFormat::kTable;
          },
          "Output format: table (default), tsv or csv. csv is for spreadsheets: a text "
          "beginning with =, +, -, @, a tab or a carriage return gets a leading ' so that it "
          "cannot run as a formula, and a figure that was not measured is an empty cell; tsv "
          "keeps every text as it is (\"?\" for a figure not measured)")
      ->check(CLI::IsMember({"table", "tsv", "csv"}, CLI::ignore_case));
}

void WriteRows(std::ostream& out, const RowTable& table, OutputFormat format, bool to_terminal) {
  switch (format) {
    case OutputFormat::kTsv:
      WriteTsv(out, table, to_terminal);
      break;
    case OutputFormat::kCsv: {
      const std::vector<bool> all_measured;
      WriteCsvLine(out, table.titles, all_measured, to_terminal);
      for (std::size_t r = 0; r < table.rows.size(); ++r)
        WriteCsvLine(out, table.rows[r],
                     r < table.unmeasured.size() ? table.unmeasured[r] : all_measured, to_terminal);
      break;
    }
    case OutputFormat::kTable:
      WriteAligned(out, table);
      break;
  }
  out.flush();
}

bool PrintRows(const RowTable& table, OutputFormat format) {
  WriteRows(std::cout, table, format, ::isatty(STDOUT_FILENO) == 1);
  if (std::cout) return true;
  std::cerr << "qmk: cannot write the rows to standard output\n";
  return false;
}

}  // namespace quillmark::cli
