#pragma once
// The pages of the stand-in service, as pure functions of their request. Every page is generated,
// deterministic and says so in its text; its markers are the ones the research code reads:
//
//  - suggestion page: " done " before a table of cell pairs, each
//    <td>&nbsp;DEMAND</td><td><a href=...>PHRASE</a></td>, demand in plain digits;
//  - search page: "of about" + comma-grouped count + " for " near the top, and for a rank request
//    20 "<li>" results after it, numbered from the requested offset;
//  - top-searches page: a <table> of cells written <td><a href=ADDRESS>PHRASE</a></td>.
//
// Demo sites: "example.com", "example.org" and "example.net" (as http://www.example.com/...)
// appear in the results of about two thirds of the phrases each, at a rank from 1 to 100 that
// depends on the phrase alone, and nowhere else on any page. A research with one of them as its
// target therefore finds real ranks across result pages. Their ranks are never a multiple of 20:
// the research code reads the last item of a page as belonging to the page's first rank. A `day`
// other than 0 moves each of these ranks by up to 15 either way, or takes the site out of the
// results, the same for every request of that day: two researches a "day" apart show how ranks
// change.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::demo {

// The sites placed in search results at deterministic ranks.
const std::vector<std::string>& DemoSites();

// The suggestion page for a decoded seed. An empty seed (after clean-up) lists no phrases. A
// `count` above 0 asks for that many phrases (at most kMaxRequestedSuggestions) instead of the
// seed's own 30 to 60.
std::string DemoSuggestionPage(std::string_view seed, int count = 0);

// The suggestion page for the user's own phrases, in their order, each with a demand made up from
// the phrase alone (the same Zipf-like spread as a seed's page), so a phrase shows the same
// demand in every list. Phrases the page cannot carry are left out (pages::CellCarries).
std::string DemoListPage(const std::vector<std::string>& phrases);

// The search page for a decoded phrase (enclosing double quotes allowed). `offset` 0 asks for the
// supply only (no result list); 1 or more lists the results offset .. offset + 19.
std::string DemoSearchPage(std::string_view phrase, int offset, int day = 0);

// The supply the search page reports for a phrase.
std::uint64_t DemoSupply(std::string_view phrase);

// The rank of `site` (one of DemoSites()) in the results for `phrase`; 0 when it is not listed.
int DemoSiteRank(std::string_view phrase, std::string_view site, int day = 0);

// The top-searches page of a day, given as yyyymmdd.
std::string DemoTopPage(int yyyymmdd);

// Today's date in UTC as yyyymmdd.
int TodayUtc();

}  // namespace quillmark::demo
