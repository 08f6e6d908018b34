#include "pages/page_writer.h"

#include <algorithm>

#include "base/ascii.h"
#include "pages/page_format.h"

namespace quillmark::pages {
namespace {

bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

}  // namespace

bool CellCarries(std::string_view phrase) {
  for (const char ch : phrase) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < ' ' || c == 0x7F || c == '<' || c == '>' || c == ';') return false;
  }
  return true;
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

std::string PercentEncode(std::string_view text, bool blank_as_plus) {
  std::string out;
  out.reserve(text.size() * 3);
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    if (IsUnreserved(c)) {
      out.push_back(ch);
    } else if (c == ' ' && blank_as_plus) {
      out.push_back('+');
    } else {
      out.push_back('%');
      out.push_back(ascii::HexDigit(c >> 4));
      out.push_back(ascii::HexDigit(c));
    }
  }
  return out;
}

void AppendSuggestionTable(std::string& page, const std::vector<Suggestion>& rows,
                           std::string_view link_parameters) {
  page += "<table>\n";
  for (const Suggestion& row : rows) {
    page += "<tr><td>&nbsp;";
    page += row.demand ? std::to_string(*row.demand) : std::string(kUnknownDemand);
    page += "</td><td><a href=\"";
    page += kSuggestionPath;
    page += "?term=";
    page += PercentEncode(row.phrase, false);
    page += link_parameters;
    page += "\">";
    page += row.phrase;
    page += "</a></td></tr>\n";
  }
  page += "</table>\n";
}

void AppendTopSearchesTable(std::string& page, const std::vector<std::string>& phrases,
                            std::size_t cells_per_row) {
  page += "<table>\n";
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    if (i % cells_per_row == 0) page += "<tr>";
    page += "<td><a href=\"";
    page += kSearchPath;
    page += "?p=%22";
    page += PercentEncode(phrases[i], true);
    page += "%22\">";
    page += phrases[i];
    page += "</a></td>";
    if (i % cells_per_row == cells_per_row - 1 || i + 1 == phrases.size()) page += "</tr>\n";
  }
  page += "</table>\n";
}

void AppendSupplyCount(std::string& page, std::string_view count) {
  page += kCountStart;
  page += count;
  page += kCountEnd;
}

ProviderPage SuggestionPage(std::string_view seed, const std::vector<Suggestion>& rows) {
  ProviderPage page;
  page.text = "<html><body>\n<p>Keyword ideas from the provider: search";
  page.text += kSuggestionsStart;
  page.text += "for <b>" + HtmlEscape(seed) + "</b></p>\n";
  std::vector<Suggestion> cells;
  cells.reserve(std::min(rows.size(), kMaxSuggestionRows));
  for (std::size_t i = 0; i < rows.size() && i < kMaxSuggestionRows; ++i) {
    // The blanks around a phrase are the provider's layout (a feed's title on a line of its
    // own), not part of what anyone searched for.
    const std::string_view phrase = ascii::Trim(rows[i].phrase);
    if (!CellCarries(phrase)) {
      ++page.left_out;
      continue;
    }
    cells.push_back({std::string(phrase), rows[i].demand});
  }
  AppendSuggestionTable(page.text, cells, "&amp;mkt=us");
  page.text += "</body></html>\n";
  return page;
}

std::string SupplyPage(std::uint64_t count) {
  std::string page = "<html><body><p>Results";
  AppendSupplyCount(page, std::to_string(count));
  page += "the exact phrase</p></body></html>\n";
  return page;
}

std::string RankPage(const std::vector<std::string>& urls, std::int64_t first) {
  std::string page;
  if (first < 1) return page;
  const auto begin = static_cast<std::size_t>(first - 1);
  const std::size_t end =
      std::min(urls.size(), begin + static_cast<std::size_t>(kResultsPerRankPage));
  for (std::size_t i = begin; i < end; ++i) {
    page += kResultItem;
    page += HtmlEscape(urls[i]) + "\n";
  }
  return page;
}

ProviderPage TopSearchesPage(const std::vector<std::string>& phrases) {
  ProviderPage page;
  page.text = "<html><body>\n";
  std::vector<std::string> cells;
  cells.reserve(phrases.size());
  for (const std::string& raw : phrases) {
    const std::string_view phrase = ascii::Trim(raw);
    if (CellCarries(phrase))
      cells.emplace_back(phrase);
    else
      ++page.left_out;
  }
  // One cell to a row: the providers' pages are as plain as the readers allow.
  AppendTopSearchesTable(page.text, cells, 1);
  page.text += "</body></html>\n";
  return page;
}

}  // namespace quillmark::pages
