#pragma once
// The three page formats the research code asks for and reads, as the stand-in service and the
// provider sources write them: the endpoints' paths, the markers the readers search for, and the
// sizes of a page. Depends on nothing, so the research code builds its URLs and walks its pages
// with these same constants; tests/pages checks that every URL it builds is read back here.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmark::pages {

// "?term=SEED&..." with the blanks of the seed as "%20".
inline constexpr std::string_view kSuggestionPath = "/d/searchinventory/suggestion/";
// "?p=%22PHRASE%22" with the blanks as "+"; "&b=OFFSET" asks for a page of ranked results.
inline constexpr std::string_view kSearchPath = "/search";
inline constexpr std::string_view kTopPath = "/top";
// "?n=COUNT": the demand of the run's own list of COUNT phrases, answered as a suggestion page in
// the list's order. The phrases themselves travel with the run, not in the URL: a thousand of them
// would make a request line no server takes.
inline constexpr std::string_view kListPath = "/d/searchinventory/list/";

// The suggestion table follows the first " done " of the page.
inline constexpr std::string_view kSuggestionsStart = " done ";
// The count cell of a phrase whose demand the provider does not know: not a whole number, so
// the research takes the demand for unknown instead of a measured 0.
inline constexpr std::string_view kUnknownDemand = "?";
// The supply count stands between these; the rank page's result items follow the first.
inline constexpr std::string_view kCountStart = " of about ";
inline constexpr std::string_view kCountEnd = " for ";
// One per result on a rank page.
inline constexpr std::string_view kResultItem = "<li>";

// Results on one rank page: the research asks for "n=20" and counts ranks in pages of 20.
inline constexpr std::int64_t kResultsPerRankPage = 20;
// Phrases written onto one suggestion page; far more than any research lists.
inline constexpr std::size_t kMaxSuggestionRows = 2000;

}  // namespace quillmark::pages
