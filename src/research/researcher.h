#pragma once
// The research run: from a seed phrase to filled keyword rows, and the top searches listing.
// It reaches the window through a ResearchHost and the network through a PageFetcher.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "research/endpoints.h"
#include "research/lookup_status.h"
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
  // failure of the fetch or of a row is passed on after the rows are done. A suggestion page
  // whose fetch was cancelled gives no rows.
  void ResearchSeed(std::string_view seed);
  // Empties the keyword list and fills it, row by row, from a suggestion page. Ends at
  // Escape, Stop, max results or the page's end; a failure inside a row is rethrown after the
  // row. A run whose list was cleared or that a newer run replaced ends quietly.
  void ParseSuggestionPage(std::string page);

  // The supply text of a phrase: plain digits, "?" without a count on the page, "0" for an
  // empty count, "" for an empty phrase (no request then). `status`, when given, learns how the
  // lookup went (its supply fields).
  std::string LookupSupply(std::string_view phrase, LookupStatus* status = nullptr);
  // The rank text of the target in the phrase's results: digits, or "-" when not found within
  // `max_pages` pages of 20, or when the phrase or target is empty. `status`, when given, learns
  // how the lookup went (its rank fields).
  std::string LookupRank(std::string_view phrase, std::string_view target_url,
                         std::int64_t max_pages, LookupStatus* status = nullptr);

  // Fetches the top-searches page and lists its phrases. Returns how the fetch went (without
  // the body); a cancelled fetch lists nothing.
  FetchResult ExtractTopSearches();
  // Empties the top searches list and fills it from the page.
  void ParseTopSearches(std::string page);

  // How the last suggestion page and the last top-searches page were fetched (bodies left out),
  // so a run that listed nothing can say whether there was nothing or the page never came.
  const FetchResult& SuggestionPageFetch() const { return suggestion_fetch_; }
  const FetchResult& TopSearchesPageFetch() const { return top_fetch_; }

 private:
  class RunScope;

  // Inside a run, once the Stop request is set, nothing more is fetched: the answer is a
  // cancelled fetch without a request.
  FetchResult Fetch(const std::string& url);
  // Pumps messages; inside a run, ends the run when its list has moved on without it.
  void Pump();

  ResearchHost& host_;
  PageFetcher fetcher_;
  Endpoints endpoints_;
  // Set while a run is in progress: tells whether that run's list has moved on without it.
  std::function<bool()> run_is_stale_;
  FetchResult suggestion_fetch_;
  FetchResult top_fetch_;
};

}  // namespace quillmark
