#pragma once
// Where the window's pages come from: the sources named on the command line, else those the
// settings remember, and the sessions that serve them. A choice made in the Data Source dialog
// opens a new session at the next run's start; the one before stays until no run uses it.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "session/network_session.h"
#include "session/session_options.h"
#include "store/settings_key.h"

namespace quillmark::ui {

// What the command line fixed for this start; the rest comes from the remembered choice.
struct GivenOptions {
  bool source = false;      // --source, or hosts given for this start
  bool top_source = false;  // --top-source, or hosts given for this start
  bool market = false;      // --location, --language or --country
};

// What the command line gave for this start: its options and which of them it fixed.
struct CommandLineChoice {
  session::SessionOptions options;
  GivenOptions given;
};

// `network` with the remembered choice where the command line gave nothing. The remembered
// hosts count only with the remembered "endpoints" source.
session::SessionOptions WithRememberedChoice(session::SessionOptions network, GivenOptions given);

// The choice the Data Source dialog shows: the remembered one, with what the command line fixed
// for this start laid over it, so that the dialog shows what the research uses. Hosts given
// without a source show as the "endpoints" source.
store::SourceChoice ChoiceInUse(const CommandLineChoice& command_line);

// Asked when the remembered source cannot be used at start, with the reason: true when the user
// chose anew (the choice is tried again), false to use the generated data for this start.
using ChooseAgain = std::function<bool(const QString& reason)>;

// Fills `network` from the settings where the command line gave none, and opens the session.
// With `remember`, a choice the command line gave is kept for the next start once the session
// opens. A source the command line gave that cannot be used is said in a message box and gives
// nullptr: the window never falls back to other data unasked. With a remembered research source
// the failure goes to `choose_again` when there is one, else it is said as well. A remembered
// source name that names no fit source is a bad setting: said the same way, and the generated
// data stands in for it unless the user chooses anew. `opened_with`, when given, receives the
// options the session was opened with.
std::unique_ptr<session::NetworkSession> OpenWindowSession(
    session::SessionOptions network, GivenOptions given, bool remember,
    const ChooseAgain& choose_again = {}, session::SessionOptions* opened_with = nullptr);

// The status bar's word on the data: "Generated data" while the stand-in answers the research,
// else the source's name and, for a provider, the market; the tooltip holds the whole of it.
struct SourceLabel {
  QString text;
  QString tooltip;
};
SourceLabel DescribeSource(const session::NetworkSession& session,
                           const session::SessionOptions& opened_with);

// The session of the data source the user chose: the one start-up opened, and from a run's start
// on the one a newly remembered choice opens. Each run holds the session it started with.
class ChosenSession {
 public:
  // `session` was opened with `opened_with` from the command line's `given` options and `fixed`.
  ChosenSession(std::shared_ptr<session::NetworkSession> session,
                session::SessionOptions opened_with, session::SessionOptions given,
                GivenOptions fixed);
  ChosenSession(const ChosenSession&) = delete;
  ChosenSession& operator=(const ChosenSession&) = delete;

  // The Data Source dialog saved a choice: the next run opens its session anew even when the
  // choice reads as before, since the account behind it may have changed. The dialog showed
  // what the command line fixed and saved it with the rest: from now on the saved choice rules.
  void ChoiceSaved() {
    choice_saved_ = true;
    fixed_ = {};
  }
  // What the command line gave for this start, as far as it still rules.
  CommandLineChoice CommandLine() const { return {given_, fixed_}; }
  // The session a run starting now fetches through: a remembered choice that differs from the
  // one last taken opens a new session here (one that cannot be opened is said, and the session
  // before goes on).
  std::shared_ptr<const session::NetworkSession> ForNextRun();
  std::shared_ptr<const session::NetworkSession> Current() const { return current_; }

  // The current session's label; its tooltip also names a choice that takes over at the next
  // Start.
  SourceLabel Label() const;

 private:
  // What the next run would open: the remembered choice with what the command line fixed.
  session::SessionOptions Wanted() const;
  // Whether the next run opens a new session for `wanted`.
  bool NewChoice(const session::SessionOptions& wanted) const;

  std::shared_ptr<session::NetworkSession> current_;
  session::SessionOptions opened_with_;
  // What the remembered choice gave when last looked at: a choice that could not be opened is
  // not tried again at every Start.
  session::SessionOptions considered_;
  session::SessionOptions given_;
  GivenOptions fixed_;
  bool choice_saved_ = false;
};

}  // namespace quillmark::ui
