#pragma once
// Everything a research run needs from its surroundings. The main window implements it with
// Qt, qmk for a terminal, the tests with a fake. The run calls these on the one thread it
// shares with the window, at the moments its steps name, so an answer may change between calls.

#include <string>
#include <vector>

#include "research/keyword_list.h"
#include "research/research_limits.h"
#include "research/top_search_list.h"
#include "research/unwanted_terms.h"

namespace quillmark {

// The Investigate dialog's two options.
enum class ResearchMode { kSeed, kTopSearches };

class ResearchHost {
 public:
  virtual ~ResearchHost() = default;

  // --- Surroundings of every run ---

  // The main window's status bar.
  virtual void SetStatusText(const std::string& text) = 0;
  // Runs pending window messages: repaints, and commands such as Stop, which may nest here.
  virtual void ProcessMessages() = 0;
  // Whether Escape was held down as of the last message pumped; a press already released
  // by then does not count. Answer from state recorded during ProcessMessages.
  virtual bool EscapeDown() = 0;
  // Pumps messages and then sleeps until something may have changed: a message came, Wake was
  // called, or a few dozen milliseconds passed. The run calls it while it waits for a page
  // fetched on another thread. This default only pumps and sleeps briefly.
  virtual void WaitForEvents();
  // Ends a WaitForEvents in progress, or the next one. Called from any thread (a fetch that
  // ended on a worker); this default does nothing.
  virtual void Wake() {}

  // The Investigate dialog's values, read afresh at each call. A run of the session answers
  // them from the request it was made with; a host without the dialog (a terminal) keeps these
  // defaults.
  virtual std::string TargetUrl() { return {}; }  // HomepageEdit
  // DepthCombo's displayed text; "" without selection.
  virtual std::string MaxPagesText() { return std::to_string(kDefaultMaxPages); }
  virtual int MaxResults() { return kDefaultMaxResults; }  // MaxResultsSpinEdit's value
  virtual bool FilterUnwanted() { return false; }          // CBFilter
  // MemoUnwantedTerms' lines.
  virtual std::vector<std::string> UnwantedTerms() { return DefaultUnwantedTerms(); }

  // The main window's keyword list; the same object for the host's whole life.
  virtual KeywordList& Keywords() = 0;
  // The top searches window's list; the same object for the host's whole life.
  virtual TopSearchList& TopSearches() = 0;
  // Puts the top searches window against the main window's right edge, tops aligned, and
  // shows it (not modal).
  virtual void PlaceTopSearchesWindow() = 0;

  // --- The Start command ---

  // Shows the Investigate dialog modally and returns when it has closed: true when it was
  // closed by its Investigate button, which calls ConfirmInvestigate (session/start_command.h).
  // A host without the dialog has its answers from elsewhere (a command line).
  virtual bool ShowInvestigateDialog() { return true; }
  virtual std::string SeedText() { return {}; }                // LabeledEdit1, as it stands
  virtual ResearchMode Mode() { return ResearchMode::kSeed; }  // RadioButton1 checked: kSeed
  // Remembers the screen cursor and shows the hourglass; RestoreCursor puts it back.
  virtual void ShowBusyCursor() {}
  virtual void RestoreCursor() {}
  // The default file name of both save dialogs of the main window.
  virtual void SetSaveDialogsFileName(const std::string& /*name*/) {}
};

}  // namespace quillmark
