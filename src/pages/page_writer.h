#pragma once
// Writes provider data as the pages the research code reads (the same markers the stand-in
// service writes, see demo/demo_pages.h). A phrase keeps its characters except the few that
// would end its cell or shift the cells that follow it; links carry it percent-encoded.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::pages {

// Escapes & < > " so a phrase from a request can be shown without adding markup.
std::string HtmlEscape(std::string_view text);
// Percent-encodes all but unreserved URL characters; a blank becomes "+" or "%20".
std::string PercentEncode(std::string_view text, bool blank_as_plus);

struct Suggestion {
  std::string phrase;
  std::int64_t demand = 0;
};

// " done " and then one cell pair per suggestion, in the order given.
std::string SuggestionPage(std::string_view seed, const std::vector<Suggestion>& rows);
// "of about COUNT for": the count the supply lookup reads.
std::string SupplyPage(std::int64_t count);
// One "<li>" item per result address from the 1-based `first` result of `urls` on, at most a rank
// page's worth. Nothing else is on the page, so the target can only be found in an item.
std::string RankPage(const std::vector<std::string>& urls, std::int64_t first);
// A table of link cells, one per phrase, in the order given.
std::string TopSearchesPage(const std::vector<std::string>& phrases);

}  // namespace quillmark::pages
