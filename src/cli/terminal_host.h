#pragma once
// The research host for a terminal: the dialog's values come from the command line, the status
// bar is one progress line on standard error, and Ctrl-C is the Stop button.

#include <condition_variable>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "research/research_host.h"
#include "session/fetch_ahead.h"

namespace quillmark::session {
struct SessionOptions;
}

namespace quillmark::cli {

struct RunSettings {
  std::string seed;
  ResearchMode mode = ResearchMode::kSeed;
  std::string target_url;
  int max_pages = 3;
  int max_results = 10;
  bool filter_unwanted = false;
  int parallel = session::kDefaultParallelFetches;  // fetches in flight at once
};

class TerminalHost : public ResearchHost {
 public:
  TerminalHost(RunSettings settings, std::ostream& status_stream, bool status_is_terminal);
  ~TerminalHost() override;

  void SetStatusText(const std::string& text) override;
  // There is no window to pump; this is where Ctrl-C turns into the Stop request. The request
  // is raised again at every pump, so a run that clears it at its start still sees it.
  void ProcessMessages() override;
  bool EscapeDown() override { return false; }
  // Sleeps until Wake is called or a few dozen milliseconds pass.
  void WaitForEvents() override;
  // Ends a wait in progress, or the next one; safe from any thread.
  void Wake();

  std::string TargetUrl() override { return settings_.target_url; }
  std::string MaxPagesText() override { return std::to_string(settings_.max_pages); }
  int MaxResults() override { return settings_.max_results; }
  bool FilterUnwanted() override { return settings_.filter_unwanted; }
  std::vector<std::string> UnwantedTerms() override;

  KeywordList& Keywords() override { return keywords_; }
  TopSearchList& TopSearches() override { return top_searches_; }
  void PlaceTopSearchesWindow() override {}

  // The command line has already said "Investigate": confirm at once.
  void ShowInvestigateDialog() override;
  std::string SeedText() override { return settings_.seed; }
  ResearchMode Mode() override { return settings_.mode; }

  // Ends the progress line so that what follows starts on a line of its own.
  void FinishStatus();
  // A page was not fetched: the run's "Done!" is not shown.
  void RunFailed() { run_failed_ = true; }
  const std::string& LastStatus() const { return last_status_; }

 private:
  RunSettings settings_;
  std::ostream& status_;
  bool status_is_terminal_;
  bool status_line_open_ = false;
  bool run_failed_ = false;
  std::string last_status_;
  KeywordList keywords_;
  TopSearchList top_searches_;
  std::mutex wake_mutex_;
  std::condition_variable woken_;
  bool wake_pending_ = false;
};

// What a run from the terminal did besides its rows.
struct TerminalRun {
  std::unique_ptr<TerminalHost> host;  // holds the rows
  int pages_asked = 0;                 // fetches made (a stop makes the rest unnecessary)
  int pages_not_fetched = 0;           // of these, the ones that failed; each named on stderr
  int pages_not_used = 0;              // fetched ahead for rows the run did not reach
  // What the provider calls were and cost ("21 provider calls (3 from the cache), $0.0420"): the
  // last line of the command's standard error. Empty when no provider answered the run.
  std::string calls_text;

  // The command's exit status: a stop outranks a file failure, which outranks a page failure.
  int ExitStatus(bool files_ok) const;
};

// Runs the Start command through the core, as the window does, with the dialog's answers taken
// from `settings`; Ctrl-C stops it at once (the fetch in flight is cancelled) and the rows so far
// are kept. Each page that cannot be fetched is named on standard error as it happens (those a
// refused account failed only once, at the end, with the source's other notes on the run). A
// keyword research from a provider says first how many calls it may make.
TerminalRun RunFromTerminal(const RunSettings& settings, const session::SessionOptions& network);

}  // namespace quillmark::cli
