#pragma once
// The main window: the banner with Start and Stop, the report list of keyword rows, the status
// bar and the menus. It shows a research desk (the lists and the run) and is the run's host:
// the run reaches the window and the Investigate dialog through it.

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "research/research_host.h"
#include "session/research_desk.h"
#include "ui/escape_key_state.h"
#include "ui/pumping_fetcher.h"
#include "ui/tip_dialog.h"

class QDialog;
class QLabel;
class QProgressBar;

namespace Ui {
class TForm1;
}

namespace quillmark::ui {

class KeywordListModel;
class TStartForm;
class WindowSession;

class TForm1 : public QMainWindow, public ResearchHost {
  Q_OBJECT

 public:
  // Shows `desk` and hosts its runs, whose fetches it waits for on the workers of `pool`,
  // pumping meanwhile. Both must outlive the window. Reads the tips flag and how many fetches a
  // research keeps in flight from the settings store.
  TForm1(session::FetchPool& pool, session::ResearchDesk& desk, QWidget* parent = nullptr);
  ~TForm1() override;

  // The dialog the Start command shows and the run reads its values from.
  void SetInvestigateDialog(TStartForm* dialog) { investigate_ = dialog; }
  // The window "&About..." shows modally.
  void SetAboutWindow(QDialog* about) { about_ = about; }
  // Researches a phrase straight away (the top searches window's double-click).
  void ResearchPhrase(const std::string& phrase);
  // Where the runs' data comes from, said at the right of the status bar with what a run cost;
  // nullptr says nothing. Must outlive the window.
  void SetDataSource(WindowSession* sessions);
  // The window PlaceTopSearchesWindow puts beside this one.
  void SetTopSearchesWindow(QWidget* window) { top_searches_window_ = window; }

  Ui::TForm1& Form() { return *ui_; }
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

  // ResearchHost
  void SetStatusText(const std::string& text) override;
  void ProcessMessages() override;
  bool EscapeDown() override { return escape_.Down(); }
  void WaitForEvents() override;
  std::string TargetUrl() override;
  std::string MaxPagesText() override;
  int MaxResults() override;
  bool FilterUnwanted() override;
  std::vector<std::string> UnwantedTerms() override;
  KeywordList& Keywords() override { return desk_.Keywords(); }
  TopSearchList& TopSearches() override { return desk_.TopSearches(); }
  void PlaceTopSearchesWindow() override;
  void ShowInvestigateDialog() override;
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
  // Shows the desk's run progress on the status bar.
  void UpdateProgress();
  void ShowSource();

  std::unique_ptr<Ui::TForm1> ui_;
  session::ResearchDesk& desk_;
  std::unique_ptr<KeywordListModel> model_;
  EscapeKeyState escape_;
  PumpingFetcher pumping_;
  QMenu popup_menu_;
  QLabel* status_text_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* calls_label_ = nullptr;
  QLabel* source_label_ = nullptr;
  WindowSession* sessions_ = nullptr;
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
