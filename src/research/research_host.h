#pragma once
// Everything a research run needs from its surroundings. The main window implements it with
// Qt, qmk for a terminal, the tests with a fake. The run calls these on the one thread it
// shares with the window, at the moments its steps name, so an answer may change between calls.

#include <string>
#include <vector>

#include "research/keyword_list.h"
#include "research/top_search_list.h"

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
  // Pumps messages and then sleeps until something may have changed: a message came, a fetch
  // the run started on another thread ended, or a few dozen milliseconds passed. The run calls
  // it while it waits for such a page. This default cannot be woken and only sleeps briefly.
  virtual void WaitForEvents();

  // The Investigate dialog's values, read afresh at each call.
  virtual std::string TargetUrl() = 0;     // HomepageEdit
  virtual std::string MaxPagesText() = 0;  // DepthCombo's displayed text; "" without selection
  virtual int MaxResults() = 0;            // MaxResultsSpinEdit's value
  virtual bool FilterUnwanted() = 0;       // CBFilter
  virtual std::vector<std::string> UnwantedTerms() = 0;  // MemoUnwantedTerms' lines

  // The main window's keyword list; the same object for the host's whole life.
  virtual KeywordList& Keywords() = 0;
  // The top searches window's list; the same object for the host's whole life.
  virtual TopSearchList& TopSearches() = 0;
  // Puts the top searches window against the main window's right edge, tops aligned, and
  // shows it (not modal).
  virtual void PlaceTopSearchesWindow() = 0;

  // --- The Start command ---

  // Shows the Investigate dialog modally and returns when it has closed. Its Investigate
  // button calls ConfirmInvestigate, its Cancel button CancelInvestigate (start_command.h).
  virtual void ShowInvestigateDialog() = 0;
  virtual std::string SeedText() = 0;  // LabeledEdit1, exactly as it stands
  virtual ResearchMode Mode() = 0;     // RadioButton1 checked: kSeed
  // Remembers the screen cursor and shows the hourglass; RestoreCursor puts it back.
  virtual void ShowBusyCursor() {}
  virtual void RestoreCursor() {}
  // The default file name of both save dialogs of the main window.
  virtual void SetSaveDialogsFileName(const std::string& /*name*/) {}
};

}  // namespace quillmark
