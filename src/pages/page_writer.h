#pragma once
// Writes the pages the research code reads (markers in page_format.h). The stand-in service and
// the provider sources share the cells and markers written here: the stand-in adds its generated
// decoration around them (demo/demo_pages.h), the providers' pages are the bare ones below. A
// provider phrase goes onto a page exactly as it is, or not at all; links carry a phrase
// percent-encoded.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::pages {

// Whether a phrase comes back from its cell as it went in (at most with A-Z lower-cased): it holds
// no ";", "<" or ">" and no control byte. The readers take a link text from after the last ">"
// or ";" of a cell (the end of a tag or of an entity such as "&nbsp;") up to "</a>", so those
// three would cut the phrase or shift the cells after it, and a control byte would split a line
// of the list or of its file. Everything else stays: "&", quotes, "+", "%", "#", bytes above 127.
bool CellCarries(std::string_view phrase);

// Escapes & < > " so a phrase from a request can be shown without adding markup.
std::string HtmlEscape(std::string_view text);
// Percent-encodes all but unreserved URL characters; a blank becomes "+" or "%20".
std::string PercentEncode(std::string_view text, bool blank_as_plus);

struct Suggestion {
  std::string phrase;
  std::optional<std::uint64_t> demand = 0;  // nullopt: not known
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

// A provider's page, and how many of its phrases were left out of it.
struct ProviderPage {
  std::string text;
  std::size_t left_out = 0;
};

// The providers' pages. A phrase is written without the blanks at its ends; one that CellCarries
// refuses is left out rather than changed, since the lookups of its row would then ask about
// another phrase than the one its demand belongs to.
// " done " and then one cell pair per suggestion, in the order given, of the first
// kMaxSuggestionRows.
ProviderPage SuggestionPage(std::string_view seed, const std::vector<Suggestion>& rows);
// "of about COUNT for": the count the supply lookup reads, in all its digits.
std::string SupplyPage(std::uint64_t count);
// One "<li>" item per result address from the 1-based `first` result of `urls` on, at most a rank
// page's worth. Nothing else is on the page, so the target can only be found in an item.
std::string RankPage(const std::vector<std::string>& urls, std::int64_t first);
// A table of link cells, one per phrase, in the order given.
ProviderPage TopSearchesPage(const std::vector<std::string>& phrases);

}  // namespace quillmark::pages
