#pragma once
// Writes the pages the research code reads (markers in page_format.h). The stand-in service and
// the provider sources share the cells and markers written here: the stand-in adds its generated
// decoration around them (demo/demo_pages.h), the providers' pages are the bare ones below. A
// provider phrase keeps its characters except the few that would end its cell or shift the cells
// that follow it; links carry a phrase percent-encoded.

#include <cstddef>
#include <cstdint>
#include <optional>
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
  std::optional<std::int64_t> demand = 0;  // nullopt: not known
};

// A table of cell pairs, one row per suggestion in the order given, written as given: the demand
// after "&nbsp;" (kUnknownDemand when not known), then the phrase as the text of a link to its own
// suggestion page, whose query goes on with `link_parameters` written for HTML ("&amp;mkt=us"). The
// reader takes a link text only from a cell that also holds a ";", which the "&amp;" gives.
void AppendSuggestionTable(std::string& page, const std::vector<Suggestion>& rows,
                           std::string_view link_parameters);
// A table of link cells, `cells_per_row` (1 or more) to a row, one per phrase in the order
// given; each links to the exact-phrase search of its phrase.
void AppendTopSearchesTable(std::string& page, const std::vector<std::string>& phrases,
                            std::size_t cells_per_row);
// The supply count between its markers: " of about COUNT for ".
void AppendSupplyCount(std::string& page, std::string_view count);

// The providers' pages. " done " and then one cell pair per suggestion, in the order given.
std::string SuggestionPage(std::string_view seed, const std::vector<Suggestion>& rows);
// "of about COUNT for": the count the supply lookup reads.
std::string SupplyPage(std::int64_t count);
// One "<li>" item per result address from the 1-based `first` result of `urls` on, at most a rank
// page's worth. Nothing else is on the page, so the target can only be found in an item.
std::string RankPage(const std::vector<std::string>& urls, std::int64_t first);
// A table of link cells, one per phrase, in the order given.
std::string TopSearchesPage(const std::vector<std::string>& phrases);

}  // namespace quillmark::pages
