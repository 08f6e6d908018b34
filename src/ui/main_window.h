#pragma once
// The main window: the banner with Start and Stop, the report list of keyword rows, the status
// bar and the menus. It keeps the keyword and top searches lists, makes a research run for each
// Start and double-click on a top search, and is the host of its runs: a run reaches the window
// and the Investigate dialog through it, and waits for its pages here, pumping.

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "research/keyword_list.h"
#include "research/research_host.h"
#include "research/top_search_list.h"
#include "session/calls_line.h"
#include "session/page_session.h"
#include "session/research_run.h"
#include "session/run_in_hand.h"
#include "ui/escape_key_state.h"
#include "ui/tip_dialog.h"

class QAbstractEventDispatcher;
class QDialog;
class QLabel;
class QProgressBar;

namespace Ui {
class TForm1;
}

namespace quillmark::ui {

class KeywordListModel;
class TStartForm;
class ChosenSession;
class WindowHistory;

// The session a new run fetches through (the one in use when it starts); nullptr starts none.
using SessionForRun = std::function<std::shared_ptr<const session::PageSession>()>;

class TForm1 : public QMainWindow, public ResearchHost {
  Q_OBJECT

 public:
  // Each run fetches through the session `session_for_run` gives when it starts. Reads the tips
  // flag and how many fetches a research keeps in flight from the settings store.
  explicit TForm1(SessionForRun session_for_run, QWidget* parent = nullptr);
  ~TForm1() override;

  // The dialog the Start command shows and the run reads its values from.
  void SetInvestigateDialog(TStartForm* dialog) { investigate_ = dialog; }
  // The window "&About..." shows modally.
  void SetAboutWindow(QDialog* about) { about_ = about; }
  // Researches a phrase straight away (the top searches window's double-click).
  void ResearchPhrase(const std::string& phrase);
  // Where the runs' data comes from, said at the right of the status bar with what a run cost;
  // nullptr says nothing. Must outlive the window.
  void SetDataSource(ChosenSession* sessions);
  // The window PlaceTopSearchesWindow puts beside this one.
  void SetTopSearchesWindow(QWidget* window) { top_searches_window_ = window; }

  Ui::TForm1& Form() { return *ui_; }
  // The runs kept, the list's change markers and the Keyword History pane.
  WindowHistory& History() { return *history_; }
  QMenu& PopupMenu1() { return popup_menu_; }
  KeywordListModel& Model() { return *model_; }
  QString StatusText() const;
  // The status bar's word on where the numbers come from, and on a provider run's calls.
  QLabel& DataSourceLabel() { return *source_label_; }
  QLabel& RunCallsLabel() { return *calls_label_; }
  QProgressBar& Progress() { return *progress_; }
  // The tip of the day; its start-up state is the tips flag of the settings store.
  TmxTipDialog& TipDialog() { return tip_dialog_; }
  bool TipsAtStartup() const { return tip_dialog_.StartupState(); }
  void SetTipsAtStartup(bool shown) { tip_dialog_.SetStartupState(shown); }
  // The proposed file name of the save dialogs: the seed of the last run started.
  const QString& SaveDialogsFileName() const { return save_file_name_; }

  // The run in hand, which Stop, Exit, Clear and a new Start stop.
  session::RunInHand& InHand() { return in_hand_; }
  // The Stop command: stops the run in hand, then lets pending messages run.
  void StopCommand();

  // ResearchHost
  void SetStatusText(const std::string& text) override;
  void ProcessMessages() override;
  bool EscapeDown() override { return escape_.Down(); }
  // Pumps, waiting for the next event, but no longer than a few dozen milliseconds; a fetch
  // that ends on a worker wakes it at once through Wake.
  void WaitForEvents() override;
  void Wake() override;
  std::string TargetUrl() override;
  std::string MaxPagesText() override;
  int MaxResults() override;
  bool FilterUnwanted() override;
  std::vector<std::string> UnwantedTerms() override;
  KeywordList& Keywords() override { return keywords_; }
  TopSearchList& TopSearches() override { return top_searches_; }
  void PlaceTopSearchesWindow() override;
  bool ShowInvestigateDialog() override;
  std::string SeedText() override;
  ResearchMode Mode() override;
  void ShowBusyCursor() override;
  void RestoreCursor() override;
  void SetSaveDialogsFileName(const std::string& name) override;

 signals:
  // Each Start proposes its seed as the file name of the save dialogs.
  void SaveDialogsFileNameSet(const QString& name);

 public slots:
  void BitBtn2Click();
  void StopBtnClick();
  void Clearkeywordsdata1Click();
  void Exit1Click();
  void SelectAll1Click();
  void SelectNone1Click();
  void InvertSelection1Click();
  void ListView1ColumnClick(int column);
  void About1Click();
  // Help: the help file and the homepage, each with the desktop's "open" action. Neither stops
  // a run: reading the help while the list fills is the point.
  void Contents1Click();
  void Homepage1Click();
  void ipoftheday1Click();
  // File > "Data Source...": the choice applies from the next Start, so a run goes on.
  void DataSource1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void TipsTimerTimer();

 private:
  void SetUpList();
  void SetUpStatusBar();
  // The list follows the window's edges when it is maximized.
  void AnchorList();
  // Shows the progress of the run in hand on the status bar while a Start's run is busy.
  void UpdateProgress();
  void ShowSource();
  // The run of a request through the session in use; the source and the most calls it may
  // make are shown as it is made.
  std::unique_ptr<session::ResearchRun> MakeRun(session::RunRequest request);
  // What a run's end shows: its calls (when they are still the ones shown), then its message;
  // and the run is kept in the history.
  void ShowRunEnd(const session::RunReport& report, std::uint64_t run_number,
                  const session::RunRequest& request);
  // The calls label as the run it shows stands now; while calls of an ended run await replies,
  // a timer keeps it up to date.
  void ShowCalls();
  // The window's fixed size grows by the Keyword History pane while it is docked and shown.
  void FitToPane();

  std::unique_ptr<Ui::TForm1> ui_;
  SessionForRun session_for_run_;
  KeywordList keywords_;
  TopSearchList top_searches_;
  session::RunInHand in_hand_;
  // How many runs were made, and how many Start runs show the busy cursor now (they nest).
  std::uint64_t runs_made_ = 0;
  int busy_runs_ = 0;
  int parallel_;
  std::unique_ptr<KeywordListModel> model_;
  // After the model, which it marks and which must outlive it.
  std::unique_ptr<WindowHistory> history_;
  EscapeKeyState escape_;
  QAbstractEventDispatcher* dispatcher_;
  // Ends a wait for events that nothing else ends.
  QTimer wake_;
  QMenu popup_menu_;
  QLabel* status_text_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* calls_label_ = nullptr;
  QLabel* source_label_ = nullptr;
  session::CallsLine calls_line_;
  // The run whose calls the label shows (0: none, after Clear).
  std::uint64_t calls_run_ = 0;
  QTimer calls_timer_;
  ChosenSession* sessions_ = nullptr;
  TmxTipDialog tip_dialog_{this};
  // Named "TipsTimer", so tests can find it and shorten its wait.
  QTimer tips_timer_{this};
  TStartForm* investigate_ = nullptr;
  QDialog* about_ = nullptr;
  QPointer<QWidget> top_searches_window_;

  QSize fixed_size_;
  QString save_file_name_;
};

}  // namespace quillmark::ui
