#pragma once
// The main window's side of the history: each keyword run it ends is kept (unless File > "Keep
// History" is off), the list's Rank and Demand cells are marked with their change since the
// phrase's earlier runs of the same source, market and target, View > "Keyword History" and a
// double-click on a Rank or Demand cell show the pane for the selected phrase, and File >
// "Export History..." gets its text here. The history file is opened at the first run or look
// at the pane, not at start-up.

#include <QObject>
#include <functional>
#include <memory>
#include <string>

#include "session/page_session.h"
#include "session/research_run.h"
#include "session/run_history.h"

namespace quillmark::ui {

class KeywordHistoryPane;
class TForm1;

class WindowHistory : public QObject {
  Q_OBJECT

 public:
  // The pane goes into `window`'s bottom dock area, hidden. `history_path` is the file's.
  explicit WindowHistory(TForm1& window, std::string history_path = history::HistoryFilePath());
  ~WindowHistory() override;

  // Whether runs are kept: the settings' "history" switch, which File > "Keep History" sets.
  static bool Keeping();

  // A run is about to start through `session`: a keyword research's rows are compared from now
  // on with the phrases' earlier runs.
  void RunStarting(const session::PageSession& session, const session::RunRequest& request);
  // The run ended (`newest`: no run started after it): it is kept, and said when it cannot be; the
  // newest keyword research's rows are compared with the runs before it from then on.
  void RunEnded(const session::RunRequest& request, const session::RunReport& report, bool newest);

  // Where the pane looks before the first run: the market and source of the session in use.
  void SetOriginBeforeRuns(std::function<session::RunOrigin()> origin) {
    origin_before_runs_ = std::move(origin);
  }

  // Shows the pane for the list's row (a double-click on its Rank or Demand cell).
  void ShowPaneFor(int row);
  // Shows the pane's phrase anew: the row selected, the history as it is now.
  void RefreshPane();
  KeywordHistoryPane& Pane() { return *pane_; }

  // The CSV of File > "Export History...": the selected rows' phrases, or the whole history when
  // no row is selected. Throws history::HistoryError when the history cannot be read.
  std::string ExportCsv();

 private:
  void SetKeeping(bool keep);
  // Says once what the history file has to say (set aside, cannot be opened).
  void SayNotice();

  TForm1& window_;
  session::RunHistory history_;
  std::unique_ptr<session::RunComparison> comparison_;
  KeywordHistoryPane* pane_;  // owned by the window
  std::function<session::RunOrigin()> origin_before_runs_;
  // The last failure to keep a run that was said: a lasting one is said once.
  std::string failure_said_;
};

}  // namespace quillmark::ui
