#pragma once
// Reads the demo pages the way the research code does: by fixed markers on the lower-cased text.
// Kept independent of src/research so the service is checked against the page contract itself.

#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmark::demo::testing {

inline std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

inline std::size_t Count(std::string_view text, std::string_view pattern) {
  std::size_t n = 0;
  for (auto at = text.find(pattern); at != std::string_view::npos;
       at = text.find(pattern, at + pattern.size())) {
    ++n;
  }
  return n;
}

// The (demand, phrase) pairs of a suggestion page: from the first " done " on, every cell in
// turn, the first of a pair read after "&nbsp;", the second as the text after the last ">" or
// ";" before "</a>".
inline std::vector<std::pair<std::string, std::string>> SuggestionPairs(std::string_view page) {
  std::string text = Lower(page);
  std::string_view rest = text;
  if (auto done = rest.find(" done "); done != std::string_view::npos) rest.remove_prefix(done);
  auto next_cell = [&rest](std::string& cell) {
    auto open = rest.find("<td>");
    auto close = rest.find("</td>");
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
      return false;
    }
    cell = std::string(rest.substr(open, close - open));
    rest.remove_prefix(close + 5);
    return true;
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  std::string demand_cell, phrase_cell;
  while (next_cell(demand_cell) && next_cell(phrase_cell)) {
    auto nbsp = demand_cell.find("&nbsp;");
    std::string demand = nbsp == std::string::npos ? "" : demand_cell.substr(nbsp + 6);
    std::string link = phrase_cell.substr(0, phrase_cell.find("</a>"));
    auto cut = link.find_last_of(">;");
    pairs.emplace_back(demand, cut == std::string::npos ? "" : link.substr(cut + 1));
  }
  return pairs;
}

// The text between "of about" and the first "for" within the 100 characters after it, with
// commas kept; "?" when the page has no "of about".
inline std::string SupplyText(std::string_view page) {
  std::string text = Lower(page);
  auto at = text.find("of about");
  if (at == std::string::npos) return "?";
  std::string window = text.substr(at + 8, 100);
  window = window.substr(0, window.find("for"));
  auto first = window.find_first_not_of(' ');
  auto last = window.find_last_not_of(' ');
  return first == std::string::npos ? "" : window.substr(first, last - first + 1);
}

// The rank the research code reads off one result page for `target`: 0 when the target is not
// on the page, otherwise `offset` plus the number of items before the one holding it.
inline int RankOnPage(std::string_view page, std::string_view target, int offset) {
  std::string text = Lower(page);
  if (text.find(target) == std::string::npos) return 0;
  std::string_view rest = text;
  if (auto at = rest.find("of about"); at != std::string_view::npos) rest.remove_prefix(at);
  for (int i = 0;; ++i) {
    auto start = rest.find("<li>");
    if (start == std::string_view::npos) return offset;
    auto next = rest.find("<li>", start + 4);
    // The last item runs to the end of the page.
    std::string_view item =
        rest.substr(start, next == std::string_view::npos ? std::string_view::npos : next - start);
    if (item.find(target) != std::string_view::npos) return offset + i;
    rest.remove_prefix(start + 4);
  }
}

// The phrases of a top-searches page's link cells inside its table.
inline std::vector<std::string> TopPhrases(std::string_view page) {
  std::string text = Lower(page);
  std::vector<std::string> out;
  auto table = text.find("<table");
  auto end = text.find("</table");
  if (table == std::string::npos || end == std::string::npos) return out;
  std::string_view rest = std::string_view(text).substr(table, end - table);
  for (auto at = rest.find("<td><a href="); at != std::string_view::npos;
       at = rest.find("<td><a href=")) {
    rest.remove_prefix(at + 12);
    std::string_view cell = rest.substr(0, rest.find("</a></td>"));
    out.emplace_back(cell.substr(cell.find('>') + 1));
  }
  return out;
}

}  // namespace quillmark::demo::testing
