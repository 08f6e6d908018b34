#pragma once
// One research run: a Start in the window, a top search's double-click, one `qmk research` or
// `qmk top`. It is made with all it will use before its first fetch (the session, the front end's
// host, the dialog's answers) and owns what only the run has: its stop, its fetches on the
// session's workers, the read-ahead over them, and the report it hands back at its end.
//
// Threads: the front end makes the run and calls Start (or ResearchPhrase) on its own thread,
// which the run shares with the window; every fetch runs on a worker of the session's pool while
// that thread waits, pumping, so the window's commands run nested as the research pumps. A fetch
// polls one thing, its job's flag: Stop() raises the flag of every job of the run, the session's
// end that of every job of the session. Nothing else reads or writes the run from a worker, but
// for its ProviderRun, which outlives it while calls the run sent before a stop await replies.

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "research/page_fetcher.h"
#include "research/research_host.h"
#include "research/research_limits.h"
#include "research/unwanted_terms.h"
#include "session/fetch_pool.h"
#include "session/page_session.h"
#include "session/run_report.h"
#include "sources/provider_run.h"

namespace quillmark {
class Researcher;
}

namespace quillmark::session {

// What the run is asked to do: the Investigate dialog's answers, fixed for the run. The research
// reads them at the moments its steps name and gets the same answers every time.
struct RunRequest {
  ResearchMode mode = ResearchMode::kSeed;
  std::string seed{};
  std::string target_url{};
  // The pages list's text, read as a whole number at each row's rank lookup: a text that is
  // none (no entry chosen) fails the first row's lookup and ends the run after it.
  std::string max_pages_text = std::to_string(kDefaultMaxPages);
  int max_results = kDefaultMaxResults;
  bool filter_unwanted = false;
  std::vector<std::string> unwanted_terms = DefaultUnwantedTerms();
  // Fetches kept in flight while the rows fill: 1 fetches one page at a time, in the run's order;
  // 0 as many as the session's source takes by default (PageSession::DefaultParallel), and never
  // more than it takes at most.
  int parallel = 0;
  // The user's own phrases (session/phrase_list.h), researched instead of the seed's suggestions
  // when there are any; `seed` then names the list, and `max_results` should be their number.
  std::vector<std::string> phrases{};
  // USD the run's provider calls may spend before no further one is made; 0: no bound.
  double max_cost = 0;
  // The most provider calls the run may make, retries included; 0: no bound.
  std::int64_t max_calls = 0;
  // Supply and rank through the provider's queue: cheaper, minutes instead of seconds. Such a run
  // keeps as many fetches in flight as the source takes at most (one post's worth of tasks),
  // unless `parallel` says otherwise.
  sources::Economy economy = sources::Economy::kOff;
};

// What the front end wants to hear while the run goes, on the run's thread.
struct RunWatch {
  // Told of each page as the run takes it (not of pages a stop made unnecessary).
  std::function<void(const std::string& url, const FetchResult& result)> page_taken{};
  // Polled at every pump and wait of the run: true stops it. Where a signal handler has only set
  // a flag (Ctrl-C), this is where the run, not a worker, turns it into Stop().
  Cancellation interrupted{};
};

class ResearchRun {
 public:
  ResearchRun(std::shared_ptr<const PageSession> session, ResearchHost& host, RunRequest request,
              RunWatch watch = {});
  // Gives up what the run still has in flight.
  ~ResearchRun();
  ResearchRun(const ResearchRun&) = delete;
  ResearchRun& operator=(const ResearchRun&) = delete;

  const RunRequest& Request() const { return request_; }

  // The Stop button, Exit, Clear, a new Start, Ctrl-C: every fetch of the run in flight is given
  // up at once, nothing more is fetched, and the run ends at its next checkpoint (the row in
  // hand is finished). A provider call already sent goes on to its reply on its worker, counted
  // in the run's calls as finished after the stop. Safe from any thread.
  void Stop();
  bool Stopped() const { return stopped_; }
  // The provider's words when it refused the account in this run, "" otherwise: every page not
  // fetched after the refusal has them as its reason.
  std::string Refusal() const { return provider_run_->Notes().refusal; }
  // The run's provider calls, also after its end: calls sent before a stop may still answer.
  std::shared_ptr<const sources::ProviderRun> ProviderCalls() const { return provider_run_; }

  // The Start command's run, once its dialog was confirmed: the busy cursor, the save dialogs'
  // file name, the seed research or the top searches listing, the cursor back and "Done!".
  // Once only; never throws.
  RunReport Start();
  // A seed research of the request's seed straight away (a top search's double-click): no
  // cursor, no "Done!". Once only; never throws.
  RunReport ResearchPhrase();

  // How far the run has come: the rows listed in its mode, of the max results.
  struct Progress {
    int done;
    int maximum;
  };
  Progress CurrentProgress();

 private:
  class RunHost;
  class AheadFetch;

  // The page at `url` on a worker, waited for on the run's thread; a stop gives it up at once.
  FetchResult FetchNow(const std::string& url);
  // Starts `url` on a worker for the read-ahead.
  std::unique_ptr<StartedFetch> StartForReadAhead(const std::string& url);
  // `first`: the run waits for it now, so it goes before the fetches read ahead.
  std::shared_ptr<FetchPool::Job> Submit(const std::string& url, bool first);
  // A page the run took: counted and told to the watch.
  void Taken(const std::string& url, const FetchResult& result);
  // Polls the watch's interrupt; called on the run's thread.
  void TakeInterrupt();
  void CancelFetches();
  // Makes the run's research and takes it through `steps`; never throws.
  RunReport Run(const std::function<void(Researcher&)>& steps);
  // Waits for every fetch of the run to end and hands back what the run did.
  RunReport Finish(const Researcher& researcher);

  std::shared_ptr<const PageSession> session_;
  ResearchHost& host_;
  const RunRequest request_;
  RunWatch watch_;
  std::unique_ptr<RunHost> run_host_;
  // Shared with the fetches on the workers, which may end after the run gave them up.
  std::shared_ptr<sources::ProviderRun> provider_run_;
  std::atomic<bool> stopped_{false};
  std::mutex jobs_mutex_;  // guards jobs_: Stop() may come from another thread
  std::vector<std::shared_ptr<FetchPool::Job>> jobs_;
  std::vector<std::shared_ptr<FetchPool::Job>> given_up_;  // read ahead, never taken
  // The Escape key's state at the run's last checkpoint, which ended the run when held.
  bool escape_held_ = false;
  RunReport report_;
};

}  // namespace quillmark::session
