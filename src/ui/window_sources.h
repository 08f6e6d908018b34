#pragma once
// Where the window's pages come from: the sources named on the command line, else those the
// settings remember, and the sessions that serve them. A choice made in the Data Source dialog
// opens a new session at the next Start; the one before stays until nothing fetches through it.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "session/network_session.h"
#include "session/research_desk.h"
#include "session/session_options.h"
#include "ui/pumping_fetcher.h"

namespace quillmark::ui {

// What the command line fixed for this start; the rest comes from the remembered choice.
struct GivenOptions {
  bool source = false;      // --source, or hosts given for this start
  bool top_source = false;  // --top-source, or hosts given for this start
  bool market = false;      // --location, --language or --country
};

// `network` with the remembered choice where the command line gave nothing. The remembered
// hosts count only with the remembered "endpoints" source.
session::SessionOptions WithRememberedChoice(session::SessionOptions network, GivenOptions given);

// Asked when the remembered source cannot be used at start, with the reason: true when the user
// chose anew (the choice is tried again), false to use the generated data for this start.
using ChooseAgain = std::function<bool(const QString& reason)>;

// Fills `network` from the settings where the command line gave none, and opens the session.
// With `remember`, a choice the command line gave is kept for the next start once the session
// opens. A source the command line gave that cannot be used is said in a message box and gives
// nullptr: the window never falls back to other data unasked. With a remembered research source
// the failure goes to `choose_again` when there is one, else it is said as well. `opened_with`,
// when given, receives the options the session was opened with.
std::unique_ptr<session::NetworkSession> OpenWindowSession(
    session::SessionOptions network, GivenOptions given, bool remember,
    const ChooseAgain& choose_again = {}, session::SessionOptions* opened_with = nullptr);

// The status bar's word on the data: "Generated data" while the stand-in answers the research,
// else the source's name.
struct SourceLabel {
  QString text;
  QString tooltip;
};
SourceLabel DescribeSource(const session::NetworkSession& session,
                           const session::SessionOptions& opened_with);

// The session the window's runs fetch through. At the start of a run, a remembered choice that
// differs from the one last taken opens a new session for that run and the ones after it; a
// session stays alive as long as a fetch still uses it.
class WindowSession {
 public:
  // `session` was opened with `opened_with` from the command line's `given` options and `fixed`.
  WindowSession(std::shared_ptr<session::NetworkSession> session,
                session::SessionOptions opened_with, session::SessionOptions given,
                GivenOptions fixed);
  WindowSession(const WindowSession&) = delete;
  WindowSession& operator=(const WindowSession&) = delete;

  // The fetch the desk runs: through the current session, which it holds while it fetches.
  // Every pool that runs it must end before this object.
  PooledFetch Fetch() const;
  Endpoints GetEndpoints() const;
  // Where the runs get their pages; the desk's endpoints follow a change of session.
  void AttachDesk(session::ResearchDesk* desk) { desk_ = desk; }
  // The Data Source dialog saved a choice: the next run opens its session anew even when the
  // choice reads as before, since the account behind it may have changed.
  void ChoiceSaved() { choice_saved_ = true; }
  // A run starts: opens the newly chosen session if there is one, tells the providers the run,
  // and counts its calls from here.
  void RunStarting(std::int64_t max_pages, const std::string& target);
  std::vector<std::string> NoteTexts() const;

  SourceLabel Label() const;
  // "up to 21 provider calls" when a provider answers the research, else "".
  std::string MostCallsText(int max_results) const;
  // What the calls since the last run start cost, when a provider answers any page, else "".
  std::string RunCallsText() const;
  std::shared_ptr<const session::NetworkSession> Current() const;

 private:
  // Whether a provider answers the research pages.
  bool ProviderResearch() const;

  mutable std::mutex mutex_;  // guards current_ against the fetches on the workers
  std::shared_ptr<session::NetworkSession> current_;
  session::SessionOptions opened_with_;
  // What the remembered choice gave when last looked at: a choice that could not be opened is
  // not tried again at every Start.
  session::SessionOptions considered_;
  session::SessionOptions given_;
  GivenOptions fixed_;
  session::ResearchDesk* desk_ = nullptr;
  bool choice_saved_ = false;
  sources::CallCounts run_start_calls_;
};

// The research desk of the window's runs, fetching through `sessions`, which must outlive it.
std::unique_ptr<session::ResearchDesk> MakeWindowDesk(WindowSession& sessions);

}  // namespace quillmark::ui
