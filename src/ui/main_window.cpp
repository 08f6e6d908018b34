#include "ui/main_window.h"

#include <QAbstractEventDispatcher>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDockWidget>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <QThread>
#include <algorithm>
#include <array>
#include <chrono>

#include "session/provider_calls.h"
#include "session/start_command.h"
#include "sources/price_table.h"
#include "store/settings_key.h"
#include "ui/centre_on_screen.h"
#include "ui/change_marker_delegate.h"
#include "ui/classic_font.h"
#include "ui/data_source_dialog.h"
#include "ui/desktop_open.h"
#include "ui/elided_label.h"
#include "ui/grid_line_delegate.h"
#include "ui/help_file.h"
#include "ui/homepage.h"
#include "ui/investigate_dialog.h"
#include "ui/jpeg_image.h"
#include "ui/keyword_history_pane.h"
#include "ui/keyword_list_model.h"
#include "ui/message_box.h"
#include "ui/pictures.h"
#include "ui/text_convert.h"
#include "ui/tips.h"
#include "ui/window_history.h"
#include "ui/window_sources.h"
#include "ui_main_window.h"

namespace quillmark::ui {
namespace {

struct ColumnWidth {
  int width;
  int minimum;
};
constexpr std::array<ColumnWidth, KeywordListModel::ColumnCount> kColumnWidths = {{
    {115, 75},
    {70, 65},
    {70, 70},
    {100, 95},
    {55, 50},
    {70, 65},
    {125, 125},
    {130, 130},
}};

// The client area below the menu bar, status bar included.
constexpr QSize kClientSize(502, 390);
constexpr int kStatusBarHeight = 19;
// The list's distance from the right and bottom edges of the area above the status bar.
constexpr int kListRightMargin = 6;
constexpr int kListBottomMargin = 4;
constexpr int kTipsDelayMs = 5000;
// How often a wait for a page without events still looks at the run.
constexpr std::chrono::milliseconds kWakeInterval{25};
// What the Keyword History pane adds to the window, under the list or beside it.
constexpr int kPaneHeight = 270;
constexpr int kPaneWidth = 440;
// How often the calls of an ended run are read again while some await their reply.
constexpr std::chrono::milliseconds kLateCallsInterval{250};

}  // namespace

TForm1::TForm1(SessionForRun session_for_run, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TForm1>()),
      session_for_run_(std::move(session_for_run)),
      parallel_(store::LoadParallelFetches()),
      model_(std::make_unique<KeywordListModel>(keywords_)),
      // Taken here, on the window's thread: a worker that wakes the window only calls it.
      dispatcher_(QAbstractEventDispatcher::instance(QThread::currentThread())) {
  RegisterPictures();
  ui_->setupUi(this);
  UseClassicFont(*this);
  wake_.setSingleShot(true);
  calls_timer_.setInterval(kLateCallsInterval);
  connect(&calls_timer_, &QTimer::timeout, this, [this] {
    ShowCalls();
    if (!calls_line_.Changing()) calls_timer_.stop();
  });

  ui_->Image1->setPixmap(QPixmap::fromImage(LoadJpeg(QStringLiteral(":/pictures/banner.jpg"))));
  SetUpList();
  SetUpStatusBar();
  history_ = std::make_unique<WindowHistory>(*this);
  QDockWidget* pane = &history_->Pane();
  connect(pane, &QDockWidget::visibilityChanged, this, &TForm1::FitToPane);
  connect(pane, &QDockWidget::topLevelChanged, this, &TForm1::FitToPane);
  connect(pane, &QDockWidget::dockLocationChanged, this, &TForm1::FitToPane);

  connect(ui_->BitBtn2, &QToolButton::clicked, this, &TForm1::BitBtn2Click);
  connect(ui_->StopBtn, &QToolButton::clicked, this, &TForm1::StopBtnClick);
  connect(ui_->Clearkeywordsdata1, &QAction::triggered, this, &TForm1::Clearkeywordsdata1Click);
  connect(ui_->Exit1, &QAction::triggered, this, &TForm1::Exit1Click);
  connect(ui_->SelectAll1, &QAction::triggered, this, &TForm1::SelectAll1Click);
  connect(ui_->SelectNone1, &QAction::triggered, this, &TForm1::SelectNone1Click);
  connect(ui_->InvertSelection1, &QAction::triggered, this, &TForm1::InvertSelection1Click);
  connect(ui_->About1, &QAction::triggered, this, &TForm1::About1Click);
  connect(ui_->Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
  connect(ui_->Homepage1, &QAction::triggered, this, &TForm1::Homepage1Click);
  connect(ui_->ipoftheday1, &QAction::triggered, this, &TForm1::ipoftheday1Click);
  connect(ui_->DataSource1, &QAction::triggered, this, &TForm1::DataSource1Click);

  // The window's fixed size counts the client area below the menu bar.
  fixed_size_ =
      QSize(kClientSize.width(), kClientSize.height() + ui_->MainMenu1->sizeHint().height());
  setFixedSize(fixed_size_);
  ui_->ClientArea->installEventFilter(this);
  CentreOnScreen(*this);

  tip_dialog_.setObjectName(QStringLiteral("mxTipDialog1"));
  tip_dialog_.SetBackColor(Qt::white);
  tip_dialog_.SetImage(QPixmap(QStringLiteral(":/pictures/tip.png")));
  tip_dialog_.SetImageBackColor(palette().color(QPalette::ButtonText));
  tip_dialog_.SetTips(QuillmarkTips());
  tip_dialog_.SetStartupState(store::LoadTipsFlag());
  tips_timer_.setObjectName(QStringLiteral("TipsTimer"));
  tips_timer_.setSingleShot(true);
  tips_timer_.setInterval(kTipsDelayMs);
  connect(&tips_timer_, &QTimer::timeout, this, &TForm1::TipsTimerTimer);
  tips_timer_.start();
}

TForm1::~TForm1() {
  in_hand_.Stop();
  // The pane, a child, goes after history_: its last signals must not fit the window to it.
  history_->Pane().disconnect(this);
  // The view goes before the model it shows.
  ui_->ListView1->setModel(nullptr);
}

void TForm1::SetUpList() {
  QTreeView* list = ui_->ListView1;
  list->setModel(model_.get());
  list->setItemDelegate(std::make_unique<ChangeMarkerDelegate>(list).release());
  QHeaderView* header = list->header();
  header->setStretchLastSection(false);
  header->setSectionsClickable(true);
  header->setSectionsMovable(false);
  header->setSortIndicatorShown(false);
  header->setMinimumSectionSize(1);
  for (int column = 0; column < KeywordListModel::ColumnCount; ++column)
    header->resizeSection(column, kColumnWidths[column].width);
  // Each column has a minimum of its own, which the header alone cannot hold.
  connect(header, &QHeaderView::sectionResized, this, [header](int column, int, int size) {
    if (column < 0 || column >= KeywordListModel::ColumnCount) return;
    if (size < kColumnWidths[column].minimum)
      header->resizeSection(column, kColumnWidths[column].minimum);
  });
  connect(header, &QHeaderView::sectionClicked, this, &TForm1::ListView1ColumnClick);

  popup_menu_.setObjectName(QStringLiteral("PopupMenu1"));
  popup_menu_.addAction(ui_->SelectAll1);
  popup_menu_.addAction(ui_->SelectNone1);
  popup_menu_.addSeparator();
  popup_menu_.addAction(ui_->InvertSelection1);
  connect(list, &QWidget::customContextMenuRequested, this,
          [this, list](const QPoint& at) { popup_menu_.popup(list->viewport()->mapToGlobal(at)); });
}

void TForm1::SetUpStatusBar() {
  QStatusBar* bar = ui_->StatusBar1;
  bar->setFixedHeight(kStatusBarHeight);
  status_text_ = std::make_unique<QLabel>(bar).release();
  status_text_->setObjectName(QStringLiteral("StatusText"));
  status_text_->setTextFormat(Qt::PlainText);
  bar->addWidget(status_text_, 1);
  progress_ = std::make_unique<QProgressBar>(bar).release();
  progress_->setObjectName(QStringLiteral("RunProgress"));
  progress_->setFixedSize(120, kStatusBarHeight - 6);
  progress_->setTextVisible(false);
  progress_->hide();
  bar->addPermanentWidget(progress_);
  calls_label_ = std::make_unique<QLabel>(bar).release();
  calls_label_->setObjectName(QStringLiteral("CallsLabel"));
  calls_label_->setTextFormat(Qt::PlainText);
  bar->addPermanentWidget(calls_label_);
  source_label_ = std::make_unique<ElidedLabel>(bar).release();
  source_label_->setObjectName(QStringLiteral("SourceLabel"));
  source_label_->setTextFormat(Qt::PlainText);
  // Clear of the window's edge, which the bar has no size grip to keep it from.
  source_label_->setContentsMargins(0, 0, 4, 0);
  bar->addPermanentWidget(source_label_);
}

void TForm1::SetDataSource(ChosenSession* sessions) {
  sessions_ = sessions;
  ShowSource();
  history_->SetOriginBeforeRuns([this]() -> session::RunOrigin {
    if (sessions_ == nullptr || !sessions_->Current()) return {};
    return sessions_->Current()->ResearchOrigin();
  });
}

void TForm1::ShowSource() {
  const ui::SourceLabel label = sessions_ != nullptr ? sessions_->Label() : ui::SourceLabel{};
  source_label_->setText(label.text);
  source_label_->setToolTip(label.tooltip);
  source_label_->setVisible(!label.text.isEmpty());
}

QString TForm1::StatusText() const {
  return status_text_->text();
}

// --- The research host ---

void TForm1::SetStatusText(const std::string& text) {
  status_text_->setText(ToQString(text));
}

void TForm1::ProcessMessages() {
  UpdateProgress();
  ShowCalls();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TForm1::WaitForEvents() {
  wake_.start(kWakeInterval);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  UpdateProgress();
  ShowCalls();
}

void TForm1::Wake() {
  if (dispatcher_ != nullptr) dispatcher_->wakeUp();
}

std::string TForm1::TargetUrl() {
  return investigate_ != nullptr ? investigate_->TargetUrl() : std::string();
}

std::string TForm1::MaxPagesText() {
  return investigate_ != nullptr ? investigate_->MaxPagesText() : ResearchHost::MaxPagesText();
}

int TForm1::MaxResults() {
  return investigate_ != nullptr ? investigate_->MaxResults() : ResearchHost::MaxResults();
}

bool TForm1::FilterUnwanted() {
  return investigate_ != nullptr && investigate_->FilterUnwanted();
}

std::vector<std::string> TForm1::UnwantedTerms() {
  return investigate_ != nullptr ? investigate_->UnwantedTerms() : ResearchHost::UnwantedTerms();
}

void TForm1::PlaceTopSearchesWindow() {
  if (top_searches_window_ == nullptr) return;
  const QRect frame = frameGeometry();
  top_searches_window_->move(frame.right() + 1, frame.top());
  top_searches_window_->show();
}

bool TForm1::ShowInvestigateDialog() {
  if (investigate_ == nullptr) return false;
  // The source of the session in use: a choice saved since is taken when the run starts.
  const auto session = sessions_ != nullptr ? sessions_->Current() : nullptr;
  investigate_->SetPriced(session != nullptr &&
                          !session->ProviderName(ResearchMode::kSeed).empty());
  return investigate_->exec() == QDialog::Accepted;
}

std::string TForm1::SeedText() {
  return investigate_ != nullptr ? investigate_->SeedText() : std::string();
}

ResearchMode TForm1::Mode() {
  return investigate_ != nullptr ? investigate_->Mode() : ResearchMode::kSeed;
}

void TForm1::ShowBusyCursor() {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  ++busy_runs_;
  UpdateProgress();
}

void TForm1::RestoreCursor() {
  QGuiApplication::restoreOverrideCursor();
  busy_runs_ = std::max(busy_runs_ - 1, 0);
  UpdateProgress();
}

std::unique_ptr<session::ResearchRun> TForm1::MakeRun(session::RunRequest request) {
  std::shared_ptr<const session::PageSession> session = session_for_run_();
  if (!session) return nullptr;
  request.parallel = parallel_;
  history_->RunStarting(*session, request);
  const std::string provider = session->ProviderName(request.mode);
  // A listing of the top searches is one call at most: the plan is a research's.
  const int planned = request.mode == ResearchMode::kSeed ? request.max_results : 0;
  auto run = std::make_unique<session::ResearchRun>(std::move(session), *this, std::move(request));
  ++runs_made_;
  ShowSource();
  calls_line_.Begin(run->ProviderCalls(), provider, planned);
  calls_run_ = runs_made_;
  calls_timer_.stop();
  ShowCalls();
  return run;
}

void TForm1::ShowRunEnd(const session::RunReport& report, std::uint64_t run_number,
                        const session::RunRequest& request) {
  history_->RunEnded(request, report, run_number == runs_made_);
  // A run that a newer one interrupted ends after it: the newer one's calls stay shown; after
  // Clear, none.
  if (run_number == calls_run_) {
    ShowSource();
    calls_line_.End();
    ShowCalls();
    if (calls_line_.Changing()) calls_timer_.start();
  }
  if (const auto message = session::AfterRunMessage(report)) ShowWarning(this, ToQString(*message));
}

void TForm1::ShowCalls() {
  calls_label_->setText(ToQString(calls_line_.Text()));
}

void TForm1::ResearchPhrase(const std::string& phrase) {
  session::RunRequest request = session::ReadRunRequest(*this);
  request.mode = ResearchMode::kSeed;
  request.seed = phrase;
  const std::unique_ptr<session::ResearchRun> run = MakeRun(std::move(request));
  if (!run) return;
  const std::uint64_t run_number = runs_made_;
  session::RunReport report;
  {
    const session::RunInHand::Holding holding(in_hand_, *run);
    report = run->ResearchPhrase();
  }
  ShowRunEnd(report, run_number, run->Request());
}

void TForm1::SetSaveDialogsFileName(const std::string& name) {
  save_file_name_ = ToQString(name);
  emit SaveDialogsFileNameSet(save_file_name_);
}

void TForm1::UpdateProgress() {
  session::ResearchRun* run = in_hand_.Get();
  if (busy_runs_ == 0 || run == nullptr) {
    progress_->hide();
    return;
  }
  const session::ResearchRun::Progress progress = run->CurrentProgress();
  progress_->setRange(0, progress.maximum);
  progress_->setValue(progress.done);
  progress_->show();
}

// --- Commands ---

void TForm1::BitBtn2Click() {
  std::uint64_t run_number = 0;
  session::RunRequest asked;
  const auto report = session::StartCommand(*this, in_hand_, [&](session::RunRequest request) {
    if (investigate_ != nullptr) {
      investigate_->TakePhrases(request);
      investigate_->TakeEconomy(request);
    }
    asked = request;
    auto run = MakeRun(std::move(request));
    run_number = runs_made_;
    return run;
  });
  if (!report) return;
  // "Done!" alone would read as a run complete; unless a newer run has the status bar since.
  if (const std::string stopped = session::StoppedText(*report);
      !stopped.empty() && run_number == runs_made_)
    SetStatusText(stopped);
  ShowRunEnd(*report, run_number, asked);
}

void TForm1::StopCommand() {
  in_hand_.Stop();
  ProcessMessages();
}

void TForm1::StopBtnClick() {
  StopCommand();
}

void TForm1::Clearkeywordsdata1Click() {
  StopCommand();
  keywords_.Clear();
  // The money line goes with the list it was about.
  calls_line_.Clear();
  calls_run_ = 0;
  calls_timer_.stop();
  ShowCalls();
}

void TForm1::Exit1Click() {
  StopCommand();
  close();
}

void TForm1::SelectAll1Click() {
  keywords_.CheckAll(true);
}

void TForm1::SelectNone1Click() {
  keywords_.CheckAll(false);
}

void TForm1::InvertSelection1Click() {
  keywords_.InvertChecks();
}

void TForm1::ListView1ColumnClick(int column) {
  if (column < 0 || column >= KeywordListModel::ColumnCount) return;
  model_->sort(column);
}

void TForm1::About1Click() {
  // The window is modal and a run may be pumping underneath: let the run end first.
  StopCommand();
  if (about_ != nullptr) about_->exec();
}

void TForm1::Contents1Click() {
  OpenHelpFile(this);
}

void TForm1::Homepage1Click() {
  OpenWithDesktop(QUrl(QString::fromLatin1(kHomepageUrl)));
}

void TForm1::ipoftheday1Click() {
  // The entry wakes up once the start-up tip has had its turn.
  if (tips_timer_.isActive()) return;
  try {
    tip_dialog_.Execute();
  } catch (...) {
  }
}

void TForm1::DataSource1Click() {
  DataSourceDialog dialog(this,
                          sessions_ != nullptr ? sessions_->CommandLine() : CommandLineChoice{});
  if (dialog.exec() == QDialog::Accepted && sessions_ != nullptr) {
    sessions_->ChoiceSaved();
    ShowSource();  // the tooltip names the choice the next Start takes
  }
}

void TForm1::TipsTimerTimer() {
  tips_timer_.stop();
  try {
    if (tip_dialog_.StartupState()) tip_dialog_.Execute();
  } catch (...) {
  }
}

// --- Window events ---

void TForm1::closeEvent(QCloseEvent* event) {
  store::SaveTipsFlag(tip_dialog_.StartupState());
  // Closing ends the program: a run pumping underneath ends at its next step instead of
  // going on unseen.
  in_hand_.Stop();
  event->accept();
}

void TForm1::changeEvent(QEvent* event) {
  // The frame cannot be dragged to another size, but it can be maximized.
  if (event->type() == QEvent::WindowStateChange) {
    if (isMaximized()) {
      setMinimumSize(0, 0);
      setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else if (!isMinimized()) {
      FitToPane();
    }
  }
  QMainWindow::changeEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ClientArea && event->type() == QEvent::Resize) AnchorList();
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::FitToPane() {
  if (isMaximized()) return;
  QDockWidget* pane = &history_->Pane();
  QSize size = fixed_size_;
  const bool docked = !pane->isHidden() && !pane->isFloating();
  const bool beside = dockWidgetArea(pane) == Qt::RightDockWidgetArea;
  if (docked) (beside ? size.rwidth() : size.rheight()) += beside ? kPaneWidth : kPaneHeight;
  setFixedSize(size);
  if (docked) {
    resizeDocks({pane}, {beside ? kPaneWidth : kPaneHeight},
                beside ? Qt::Horizontal : Qt::Vertical);
  }
}

void TForm1::AnchorList() {
  const QSize area = ui_->ClientArea->size();
  const QRect at = ui_->ListView1->geometry();
  ui_->ListView1->setGeometry(at.left(), at.top(),
                              std::max(area.width() - at.left() - kListRightMargin, 0),
                              std::max(area.height() - at.top() - kListBottomMargin, 0));
}

}  // namespace quillmark::ui
