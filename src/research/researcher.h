#pragma once
// The research run: from a seed phrase to filled keyword rows, and the top searches listing.
// It reaches the window through a ResearchHost and the network through a PageFetcher.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "research/endpoints.h"
#include "research/page_fetcher.h"
#include "research/research_host.h"

namespace quillmark {

class Researcher {
 public:
  Researcher(ResearchHost& host, PageFetcher fetcher, Endpoints endpoints);
  Researcher(const Researcher&) = delete;
  Researcher& operator=(const Researcher&) = delete;

  ResearchHost& Host() { return host_; }
  const Endpoints& GetEndpoints() const { return endpoints_; }

  // Asks the suggestion service about the seed and fills the keyword list from its page. A
  // failure of the fetch or of a row is passed on after the rows are done.
  void ResearchSeed(std::string_view seed);
  // Empties the keyword list and fills it, row by row, from a suggestion page. Ends at
  // Escape, Stop, max results or the page's end; a failure inside a row is rethrown after the
  // row. A run whose list was cleared or that a newer run replaced ends quietly.
  void ParseSuggestionPage(std::string page);

  // The supply text of a phrase: plain digits, "?" without a count on the page, "0" for an
  // empty count, "" for an empty phrase (no request then).
  std::string LookupSupply(std::string_view phrase);
  // The rank text of the target in the phrase's results: digits, or "-" when not found within
  // `max_pages` pages of 20, or when the phrase or target is empty.
  std::string LookupRank(std::string_view phrase, std::string_view target_url,
                         std::int64_t max_pages);

  // Fetches the top-searches page and lists its phrases; always returns true.
  bool ExtractTopSearches();
  // Empties the top searches list and fills it from the page.
  void ParseTopSearches(std::string page);

 private:
  class RunScope;

  std::string Fetch(const std::string& url);
  // Pumps messages; inside a run, ends the run when its list has moved on without it.
  void Pump();

  ResearchHost& host_;
  PageFetcher fetcher_;
  Endpoints endpoints_;
  // Set while a run is in progress: tells whether that run's list has moved on without it.
  std::function<bool()> run_is_stale_;
};

}  // namespace quillmark
