#pragma once
// The research run: from a seed phrase to filled keyword rows, and the top searches listing.
// It reaches the window through a ResearchHost and the network through a PageFetcher, and learns
// that it was stopped from the same test its fetches are given.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "research/endpoints.h"
#include "research/lookup_status.h"
#include "research/page_fetcher.h"
#include "research/research_host.h"

namespace quillmark {

class ReadAhead;

class Researcher {
 public:
  // `stopped` says whether the run was stopped: then it ends at its next checkpoint and fetches
  // nothing more. Empty: never.
  Researcher(ResearchHost& host, PageFetcher fetcher, Endpoints endpoints,
             Cancellation stopped = {});
  Researcher(const Researcher&) = delete;
  Researcher& operator=(const Researcher&) = delete;

  // Lets a seed research keep up to `parallel` fetches in flight: while it fills the row in
  // hand, the pages of the rows after it are fetched through `start`. The rows, their texts and
  // the pages asked for are those of the research one page at a time, which is what `parallel`
  // 1 (or no `start`) gives: every page through the PageFetcher, in the run's order.
  void SetParallelFetches(FetchStarter start, int parallel);

  // Asks the suggestion service about the seed and fills the keyword list from its page. A
  // failure of the fetch or of a row is passed on after the rows are done. A suggestion page
  // whose fetch was cancelled gives no rows.
  void ResearchSeed(std::string_view seed);
  // The same for the run's own list of `count` phrases: the page of their demand, in the list's
  // order, fills the keyword list. `name` (the list's) is the status text while it is fetched.
  void ResearchList(std::string_view name, std::size_t count);
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
  // Whether the last run ended because its list moved on without it (cleared, or taken over by a
  // newer run): the rows in the list are then not its own.
  bool ListMovedOn() const { return list_moved_on_; }

 private:
  class RunScope;

  bool Stopped() const { return stopped_ && stopped_(); }
  // The steps of a research after the status text: the page at `url`, then its rows.
  void ResearchPage(const std::string& url);
  // Inside a run, once it is stopped, nothing more is fetched: the answer is a cancelled fetch
  // without a request.
  FetchResult Fetch(const std::string& url);
  // Pumps messages; inside a run, ends the run when its list has moved on without it, and
  // lets the run's read-ahead start what it may.
  void Pump();
  // Pumps and sleeps until something may have changed; ends the run as Pump does.
  void WaitForEvents();

  ResearchHost& host_;
  PageFetcher fetcher_;
  Endpoints endpoints_;
  Cancellation stopped_;
  // Set while a run is in progress: tells whether that run's list has moved on without it.
  std::function<bool()> run_is_stale_;
  FetchStarter start_fetch_;
  int parallel_ = 1;
  // The read-ahead of the run in progress, if it has one; and those of every run in progress,
  // including the ones a nested run interrupted.
  ReadAhead* read_ahead_ = nullptr;
  std::vector<ReadAhead*> read_aheads_;
  FetchResult suggestion_fetch_;
  FetchResult top_fetch_;
  bool list_moved_on_ = false;
};

}  // namespace quillmark
