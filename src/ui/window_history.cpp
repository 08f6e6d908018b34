#include "ui/window_history.h"

#include <QItemSelectionModel>
#include <QMenu>
#include <algorithm>
#include <utility>
#include <vector>

#include "session/history_export.h"
#include "store/settings_key.h"
#include "ui/keyword_history_pane.h"
#include "ui/keyword_list_model.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/text_convert.h"
#include "ui_main_window.h"

namespace quillmark::ui {

WindowHistory::WindowHistory(TForm1& window, std::string history_path)
    : window_(window),
      history_(std::move(history_path)),
      pane_(std::make_unique<KeywordHistoryPane>(&window).release()) {
  Ui::TForm1& form = window.Form();
  window.addDockWidget(Qt::BottomDockWidgetArea, pane_);
  pane_->hide();

  QAction* keyword_history = form.KeywordHistory1;
  connect(keyword_history, &QAction::triggered, this, [this](bool shown) {
    pane_->setVisible(shown);
    if (shown) RefreshPane();
  });
  // Closed by its own button, or shown again as a floating window's: the entry follows.
  connect(pane_, &QDockWidget::visibilityChanged, this,
          [this, keyword_history](bool) { keyword_history->setChecked(!pane_->isHidden()); });

  form.KeepHistory1->setChecked(Keeping());
  // The Data Source dialog may set the switch too: the entry shows it as it is.
  connect(form.File1, &QMenu::aboutToShow, this,
          [&form] { form.KeepHistory1->setChecked(Keeping()); });
  connect(form.KeepHistory1, &QAction::triggered, this, &WindowHistory::SetKeeping);

  QTreeView* list = form.ListView1;
  connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this] { RefreshPane(); });
  // Cleared or sorted, the list may hold another phrase where the selection was.
  connect(&window.Model(), &QAbstractItemModel::modelReset, this, [this] { RefreshPane(); });
  connect(list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
    if (index.column() == KeywordListModel::kRank || index.column() == KeywordListModel::kDemand)
      ShowPaneFor(index.row());
  });
}

WindowHistory::~WindowHistory() {
  window_.Model().SetComparison(nullptr);
}

bool WindowHistory::Keeping() {
  return store::LoadHistoryFlag();
}

void WindowHistory::SetKeeping(bool keep) {
  store::SaveHistoryFlag(keep);
  if (!keep) {
    window_.Model().SetComparison(nullptr);
    comparison_.reset();
  }
  RefreshPane();
}

void WindowHistory::SayNotice() {
  if (const std::string notice = history_.TakeNotice(); !notice.empty())
    ShowWarning(&window_, ToQString(notice));
}

void WindowHistory::RunStarting(const session::PageSession& session,
                                const session::RunRequest& request) {
  if (request.mode != ResearchMode::kSeed) return;
  std::unique_ptr<session::RunComparison> comparison;
  if (Keeping()) {
    history::HistoryStore* store = history_.Store();
    SayNotice();
    if (store != nullptr) {
      comparison = std::make_unique<session::RunComparison>(*store, session.ResearchOrigin(),
                                                            request.seed, request.target_url);
    }
  }
  // The model lets go of the old comparison before it goes.
  window_.Model().SetComparison(comparison.get());
  comparison_ = std::move(comparison);
  RefreshPane();
}

void WindowHistory::RunEnded(const session::RunRequest& request, const session::RunReport& report,
                             bool newest) {
  if (!Keeping()) return;
  const session::RunHistory::Recorded recorded = history_.Record(request, report);
  SayNotice();
  if (recorded.failure.empty()) {
    failure_said_.clear();
  } else if (recorded.failure != failure_said_ && recorded.failure != history_.Problem()) {
    failure_said_ = recorded.failure;
    ShowWarning(&window_, ToQString(recorded.failure));
  }
  if (newest && recorded.id && comparison_ && report.mode == ResearchMode::kSeed)
    comparison_->SetRecorded(*recorded.id);
  RefreshPane();
}

void WindowHistory::ShowPaneFor(int row) {
  QTreeView* list = window_.Form().ListView1;
  list->setCurrentIndex(window_.Model().index(row, 0));
  pane_->show();
  window_.Form().KeywordHistory1->setChecked(true);
  RefreshPane();
}

void WindowHistory::RefreshPane() {
  if (pane_->isHidden()) return;
  if (!Keeping()) {
    pane_->ShowMessage(
        QStringLiteral("Keep History is off (File menu): runs are neither kept nor shown here."));
    return;
  }
  const QModelIndex current = window_.Form().ListView1->currentIndex();
  if (!current.isValid() || static_cast<std::size_t>(current.row()) >= window_.Keywords().Count()) {
    pane_->ShowMessage(QStringLiteral("Select a row to see its phrase's history."));
    return;
  }
  history::HistoryStore* store = history_.Store();
  SayNotice();
  if (store == nullptr) {
    pane_->ShowMessage(ToQString(history_.Problem()));
    return;
  }
  PaneSubject subject;
  subject.phrase = window_.Keywords().Row(static_cast<std::size_t>(current.row()))->Caption();
  if (comparison_) {
    subject.market = comparison_->Origin().market;
    subject.source = comparison_->Origin().source;
    subject.target = comparison_->Target();
  } else {
    // Rows read from a file, before any run: the market of the session in use, every target.
    subject.market =
        origin_before_runs_ ? origin_before_runs_().market : session::RunOrigin{}.market;
  }
  pane_->ShowPhrase(*store, subject);
}

std::string WindowHistory::ExportCsv() {
  std::vector<int> rows;
  for (const QModelIndex& index : window_.Form().ListView1->selectionModel()->selectedRows())
    rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  std::vector<std::string> phrases;
  for (int row : rows) {
    const std::string& phrase = window_.Keywords().Row(static_cast<std::size_t>(row))->Caption();
    if (std::find(phrases.begin(), phrases.end(), phrase) == phrases.end())
      phrases.push_back(phrase);
  }
  history::HistoryStore* store = history_.Store();
  if (store == nullptr) throw history::HistoryError(history_.Problem());
  return session::HistoryCsv(*store, phrases);
}

}  // namespace quillmark::ui
