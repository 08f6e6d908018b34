#pragma once
// The main window: the banner with Start and Stop, the report list of keyword rows, the status
// bar and the menus. It is the research run's host: the run reaches the window, the
// Investigate dialog and the lists through it.

#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "research/endpoints.h"
#include "research/keyword_list.h"
#include "research/page_fetcher.h"
#include "research/research_host.h"
#include "research/researcher.h"
#include "research/top_search_list.h"
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

class TForm1 : public QMainWindow, public ResearchHost {
  Q_OBJECT

 public:
  // `fetch` is the blocking page fetch; the window runs it on a worker of `pool` and keeps
  // pumping while it waits. Reads the tips flag from the settings store.
  TForm1(session::FetchPool& pool, PooledFetch fetch, Endpoints endpoints,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // The dialog the Start command shows and the run reads its values from.
  void SetInvestigateDialog(TStartForm* dialog) { investigate_ = dialog; }
  // The window "&About..." shows modally.
  void SetAboutWindow(QDialog* about) { about_ = about; }
  // Told the max pages and the target when a research starts, before its first page is fetched:
  // a source that fetches every rank page of a phrase in one call needs the depth beforehand.
  using RunStartHook = std::function<void(std::int64_t max_pages, const std::string& target)>;
  void SetRunStartHook(RunStartHook hook) { run_start_hook_ = std::move(hook); }
  // Researches a phrase straight away (the top searches window's double-click).
  void ResearchPhrase(const std::string& phrase);
  // The window PlaceTopSearchesWindow puts beside this one.
  void SetTopSearchesWindow(QWidget* window) { top_searches_window_ = window; }

  Ui::TForm1& Form() { return *ui_; }
  QMenu& PopupMenu1() { return popup_menu_; }
  KeywordListModel& Model() { return *model_; }
  Researcher& GetResearcher() { return *researcher_; }
  QString StatusText() const;
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
  std::string TargetUrl() override;
  std::string MaxPagesText() override;
  int MaxResults() override;
  bool FilterUnwanted() override;
  std::vector<std::string> UnwantedTerms() override;
  KeywordList& Keywords() override { return keywords_; }
  TopSearchList& TopSearches() override { return top_searches_; }
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
  void UpdateProgress();
  // Passes the dialog's max pages and target to the run start hook.
  void TellRunStart();
  // The fetch on a worker, given up when Stop is pressed or the list moves on.
  FetchResult PumpedFetch(const PooledFetch& fetch, const std::string& url);

  std::unique_ptr<Ui::TForm1> ui_;
  KeywordList keywords_;
  TopSearchList top_searches_;
  std::unique_ptr<KeywordListModel> model_;
  EscapeKeyState escape_;
  PumpingFetcher pumping_;
  std::unique_ptr<Researcher> researcher_;
  QMenu popup_menu_;
  QLabel* status_text_ = nullptr;
  QProgressBar* progress_ = nullptr;
  TmxTipDialog tip_dialog_{this};
  // Named "TipsTimer", so tests can find it and shorten its wait.
  QTimer tips_timer_{this};
  TStartForm* investigate_ = nullptr;
  QDialog* about_ = nullptr;
  QPointer<QWidget> top_searches_window_;
  RunStartHook run_start_hook_;

  QSize fixed_size_;
  QString save_file_name_;
  // Runs in progress (a run started from inside another's pump nests), and the mode of the
  // newest one, which the progress bar counts.
  int runs_in_progress_ = 0;
  ResearchMode progress_mode_ = ResearchMode::kSeed;
};

}  // namespace quillmark::ui
