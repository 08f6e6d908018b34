#pragma once
// The research host for a terminal: the status bar is one progress line on standard error, the
// lists are kept for printing, and a wait for a page sleeps until the page's worker wakes it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "research/research_host.h"
#include "session/research_run.h"

namespace quillmark::session {
struct SessionOptions;
}

namespace quillmark::cli {

class TerminalHost : public ResearchHost {
 public:
  TerminalHost(std::ostream& status_stream, bool status_is_terminal);
  ~TerminalHost() override;

  void SetStatusText(const std::string& text) override;
  // There is no window to pump.
  void ProcessMessages() override {}
  bool EscapeDown() override { return false; }
  // Sleeps until Wake is called or a few dozen milliseconds pass.
  void WaitForEvents() override;
  void Wake() override;

  KeywordList& Keywords() override { return keywords_; }
  TopSearchList& TopSearches() override { return top_searches_; }
  void PlaceTopSearchesWindow() override {}

  // Ends the progress line so that what follows starts on a line of its own.
  void FinishStatus();
  // A page was not fetched: the run's "Done!" is not shown.
  void RunFailed() { run_failed_ = true; }
  // What the run says while it waits for long (a provider's queue), asked as it waits and shown
  // on the progress line when it changes: each second on a terminal, at most each half minute
  // in a log. "" says nothing.
  void SayWhileWaiting(std::function<std::string()> words) { waiting_words_ = std::move(words); }

 private:
  std::ostream& status_;
  bool status_is_terminal_;
  bool status_line_open_ = false;
  bool run_failed_ = false;
  KeywordList keywords_;
  TopSearchList top_searches_;
  std::mutex wake_mutex_;
  std::condition_variable woken_;
  bool wake_pending_ = false;
  std::function<std::string()> waiting_words_;
  std::string waiting_said_;
  std::chrono::steady_clock::time_point waiting_asked_{};
};

// What a run from the terminal did.
struct TerminalRun {
  std::unique_ptr<TerminalHost> host;  // holds the rows
  session::RunReport report;

  // The command's exit status: a stop outranks a file failure, which outranks a page failure.
  int ExitStatus(bool files_ok) const;
};

// Runs a research or top searches listing of `request` from the terminal; Ctrl-C stops it at once
// (the fetches in flight are given up; provider calls already sent get a moment to answer, and
// those that do not are said) and the rows so far are kept. Each page that cannot be fetched is
// named on standard error as it happens, a rank lookup once for all its pages (those a refused
// account or the run's call limit failed only once, at the end, with the provider's other notes
// on the run). A keyword research from a provider says first how many calls it may make.
TerminalRun RunFromTerminal(const session::RunRequest& request,
                            const session::SessionOptions& network);

}  // namespace quillmark::cli
