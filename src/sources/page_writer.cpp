#include "sources/page_writer.h"

#include <algorithm>

#include "demo/demo_text.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

std::string SuggestionPage(std::string_view seed, const std::vector<Suggestion>& rows) {
  std::string page = "<html><body>\n<p>Keyword ideas from the provider: search done for <b>" +
                     demo::NormalizePhrase(seed) + "</b></p>\n<table>\n";
  const std::size_t count = std::min(rows.size(), kMaxSuggestionRows);
  for (std::size_t i = 0; i < count; ++i) {
    const std::string phrase = demo::NormalizePhrase(rows[i].phrase);
    // The link text is read after the last ";" or ">" before "</a>": the "&amp;" keeps that
    // rule satisfied, as on the service these pages stand in for.
    page += "<tr><td>&nbsp;" + std::to_string(std::max<std::int64_t>(rows[i].demand, 0)) +
            "</td><td><a href=\"/d/searchinventory/suggestion/?term=" +
            demo::PercentEncode(phrase, false) + "&amp;mkt=us\">" + phrase + "</a></td></tr>\n";
  }
  page += "</table>\n</body></html>\n";
  return page;
}

std::string SupplyPage(std::int64_t count) {
  return "<html><body><p>Results of about " + std::to_string(std::max<std::int64_t>(count, 0)) +
         " for the exact phrase</p></body></html>\n";
}

std::string RankPage(const std::vector<std::string>& urls, std::int64_t first) {
  std::string page;
  if (first < 1) return page;
  const auto begin = static_cast<std::size_t>(first - 1);
  const std::size_t end =
      std::min(urls.size(), begin + static_cast<std::size_t>(kResultsPerRankPage));
  for (std::size_t i = begin; i < end; ++i) page += "<li>" + demo::HtmlEscape(urls[i]) + "\n";
  return page;
}

std::string TopSearchesPage(const std::vector<std::string>& phrases) {
  std::string page = "<html><body>\n<table>\n";
  for (const std::string& raw : phrases) {
    const std::string phrase = demo::NormalizePhrase(raw);
    page += "<tr><td><a href=\"/search?p=%22" + demo::PercentEncode(phrase, true) + "%22\">" +
            phrase + "</a></td></tr>\n";
  }
  page += "</table>\n</body></html>\n";
  return page;
}

}  // namespace quillmark::sources
