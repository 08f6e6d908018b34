#include "session/phrase_list.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unordered_set>

#include "base/ascii.h"
#include "pages/page_writer.h"
#include "session/count_text.h"

namespace quillmark::session {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// The title of the list's first column, which Export Table writes as the CSV file's header.
constexpr std::string_view kKeywordTitle = "Keyword";

std::string_view WithoutByteOrderMark(std::string_view text) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark)
    text.remove_prefix(kByteOrderMark.size());
  return text;
}

// Export Table's guard against formulas, taken off: "'=x" was the phrase "=x".
std::string WithoutFormulaGuard(std::string cell) {
  if (cell.size() >= 2 && cell.front() == '\'' &&
      std::string_view("=+-@\t\r").find(cell[1]) != std::string_view::npos)
    cell.erase(0, 1);
  return cell;
}

}  // namespace

std::vector<std::string> TextLines(std::string_view text) {
  text = WithoutByteOrderMark(text);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at = 0; at <= text.size(); ++at) {
    if (at < text.size() && text[at] != '\n' && text[at] != '\r') continue;
    lines.emplace_back(text.substr(start, at - start));
    if (at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n') ++at;
    start = at + 1;
  }
  return lines;
}

std::vector<std::string> CsvFirstColumn(std::string_view text) {
  text = WithoutByteOrderMark(text);
  std::vector<std::string> cells;
  for (std::size_t at = 0; at < text.size(); ++at) {
    // One record: its first cell, then the rest of the record skipped.
    const bool first_record = at == 0;
    std::string cell;
    bool cell_over = false;
    if (text[at] == '"') {
      for (++at; at < text.size(); ++at) {
        if (text[at] != '"') {
          cell += text[at];
        } else if (at + 1 < text.size() && text[at + 1] == '"') {
          cell += '"';
          ++at;
        } else {
          ++at;
          break;
        }
      }
      cell_over = true;
    }
    bool in_quotes = false;  // in a quoted cell after the first, which may hold line breaks
    for (; at < text.size(); ++at) {
      const char c = text[at];
      if (c == '"' && cell_over) in_quotes = !in_quotes;
      if (in_quotes) continue;
      if (c == '\n' || c == '\r') break;
      if (c == ',') cell_over = true;
      if (!cell_over) cell += c;
    }
    if (at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n') ++at;
    if (first_record && ascii::EqualNoCase(ascii::Trim(cell), kKeywordTitle)) continue;
    cells.push_back(WithoutFormulaGuard(std::move(cell)));
  }
  return cells;
}

PhraseList ReadPhrases(const std::vector<std::string>& lines) {
  PhraseList list;
  std::unordered_set<std::string> seen;
  for (const std::string& line : lines) {
    const std::string_view phrase = ascii::Trim(line);
    if (phrase.empty()) continue;
    if (!seen.insert(ascii::ToLower(phrase)).second) {
      ++list.duplicates;
    } else if (!pages::CellCarries(phrase)) {
      ++list.left_out;
    } else {
      list.phrases.emplace_back(phrase);
    }
  }
  return list;
}

std::vector<std::string> ReadPhraseFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  std::string text;
  char block[64 * 1024];
  while (file.read(block, sizeof block) || file.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(file.gcount()));
    if (text.size() > kMaxListFileBytes)
      throw std::runtime_error(path + " is larger than a list of " +
                               std::to_string(kMaxListPhrases) + " phrases can be");
  }
  if (file.bad()) throw std::runtime_error("cannot read " + path);
  const std::size_t dot = path.rfind('.');
  const bool csv = dot != std::string::npos && path.find('/', dot) == std::string::npos &&
                   ascii::EqualNoCase(std::string_view(path).substr(dot), ".csv");
  return csv ? CsvFirstColumn(text) : TextLines(text);
}

std::string PhraseListText(const PhraseList& list) {
  std::string text = CountText(list.phrases.size(), "phrase", "phrases");
  if (list.duplicates > 0)
    text += "; " + CountText(list.duplicates, "duplicate", "duplicates") + " skipped";
  if (list.left_out > 0) {
    text += "; " + std::to_string(list.left_out) +
            " left out: " + (list.left_out == 1 ? "it holds" : "they hold") +
            " characters the list cannot show";
  }
  return text;
}

std::string PhraseListRefusal(const PhraseList& list) {
  if (list.phrases.empty()) return "the list holds no phrase to research";
  if (!list.TooMany()) return {};
  return CountText(list.phrases.size(), "phrase", "phrases") + ": at most " +
         std::to_string(kMaxListPhrases) + " can be researched in one run";
}

}  // namespace quillmark::session
