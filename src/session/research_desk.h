#pragma once
// What the window shows and drives, kept apart from the showing: the keyword list, the top
// searches list and the research run over them, with the rules around a run that hold however
// it is shown: the data source learns a run's depth and target before its first page, how far
// a run has come, and when to say that a run's first page never came. Start-up makes it and
// hands it to the window, which is the run's host.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "research/endpoints.h"
#include "research/keyword_list.h"
#include "research/research_host.h"
#include "research/researcher.h"
#include "research/top_search_list.h"
#include "session/fetch_ahead.h"
#include "session/fetch_pool.h"

namespace quillmark::session {

// How a research keeps several fetches in flight: on the workers of `pool`, each waking the
// host's thread by `wake` as it ends, at most `parallel` at once. Without a pool, or with
// `parallel` 1, a research fetches one page at a time through the host's wait.
struct ParallelFetches {
  FetchPool* pool = nullptr;
  std::function<void()> wake;
  int parallel = 1;
};

class ResearchDesk {
 public:
  // Told the max pages and the target when a research starts, before its first page is fetched:
  // a source that fetches every rank page of a phrase in one call needs the depth beforehand.
  using RunStartHook = std::function<void(std::int64_t max_pages, const std::string& target)>;
  // Runs `fetch` for `url` on a worker and waits for it; once `given_up` holds it stops waiting
  // and answers `if_given_up`. The window keeps pumping its events meanwhile.
  using FetchWait = std::function<FetchResult(const CancellableFetch& fetch, const std::string& url,
                                              const std::function<bool()>& given_up,
                                              const FetchResult& if_given_up)>;

  // What the data source has to say about the run since it was told of its start, one sentence
  // each (see NetworkSession::NoteTexts).
  using RunNotes = std::function<std::vector<std::string>()>;

  // `fetch` is the session's blocking page fetch; `run_start` and `run_notes` may be empty.
  ResearchDesk(CancellableFetch fetch, Endpoints endpoints, RunStartHook run_start = {},
               RunNotes run_notes = {});
  ~ResearchDesk();
  ResearchDesk(const ResearchDesk&) = delete;
  ResearchDesk& operator=(const ResearchDesk&) = delete;

  KeywordList& Keywords() { return keywords_; }
  TopSearchList& TopSearches() { return top_searches_; }

  // Gives the run its host, which shows the lists of this desk, and the host's way of waiting
  // for a page. Nothing below runs before; Detach, before the host goes, undoes it.
  void Attach(ResearchHost& host, FetchWait wait, ParallelFetches parallel = {});
  void Detach();
  Researcher& GetResearcher() { return *researcher_; }
  // Where the runs started from now on fetch their pages; the run start hook may call it, before
  // the run's first page.
  void SetEndpoints(const Endpoints& endpoints);

  // The Start command. When the run started, returns what to tell the user after its "Done!",
  // if anything: that its suggestion or top searches page could not be fetched (the empty list
  // must not pass for a phrase that nobody searches for), then the source's notes on the run.
  std::optional<std::string> Start();
  // A seed research straight away (the top searches window's double-click): no dialog, no Stop.
  // Returns what to tell the user after it, as Start does.
  std::optional<std::string> ResearchPhrase(const std::string& phrase);

  // The host calls these as its busy cursor comes and goes: a run confirmed in the dialog
  // starts, and ends. Runs nest when one is started from inside another's pump.
  void RunStarted();
  void RunEnded();

  // How far the newest run has come: rows listed in its mode, of the max results read now.
  struct Progress {
    int done;
    int maximum;
  };
  // Nothing while no run is in progress.
  std::optional<Progress> RunProgress() const;

 private:
  // Passes the dialog's max pages and target to the run start hook.
  void TellRunStart();
  // What to say after a run: its first page not fetched, then the source's notes.
  std::optional<std::string> AfterRun(bool seed_mode) const;
  // The fetch on a worker, given up when Stop is pressed or the list moves on.
  FetchResult RunFetch(const std::string& url);

  CancellableFetch fetch_;
  Endpoints endpoints_;
  RunStartHook run_start_;
  RunNotes run_notes_;
  KeywordList keywords_;
  TopSearchList top_searches_;
  ResearchHost* host_ = nullptr;
  FetchWait wait_;
  std::unique_ptr<FetchAhead> ahead_;
  std::unique_ptr<Researcher> researcher_;
  int runs_in_progress_ = 0;
  ResearchMode progress_mode_ = ResearchMode::kSeed;
};

}  // namespace quillmark::session
