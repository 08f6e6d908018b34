#pragma once
// The Keyword History pane: the story of the phrase selected in the list, in the market of the
// window's research. Twelve months of searches and the rank over past runs as charts, and a
// table of the past runs (date, demand, supply, rank, source), newest first. Dockable under or
// beside the list, hidden until asked for.

#include <QDockWidget>
#include <memory>
#include <optional>
#include <string>

#include "history/history_store.h"

class QAbstractItemModel;

namespace Ui {
class KeywordHistoryPane;
}

namespace quillmark::ui {

class HistoryChart;
class PastRunsModel;

// Whose story the pane tells, and where.
struct PaneSubject {
  std::string phrase;
  history::Market market;
  // The rank line is that of the runs from `source` with `target`; the table lists the runs of
  // every source with `target`. An empty source, or no target, takes the newest run's, and no
  // target lists the runs of every target.
  std::string source;
  std::optional<std::string> target;
};

class KeywordHistoryPane : public QDockWidget {
  Q_OBJECT

 public:
  explicit KeywordHistoryPane(QWidget* parent = nullptr);
  ~KeywordHistoryPane() override;

  // Reads the phrase's runs and months from `store` and shows them; a history that cannot be
  // read is said instead.
  void ShowPhrase(history::HistoryStore& store, const PaneSubject& subject);
  // Shows no phrase, only `text` ("Select a row ...", "Keep History is off ...").
  void ShowMessage(const QString& text);

  Ui::KeywordHistoryPane& Form() { return *ui_; }
  HistoryChart& Chart();
  const QAbstractItemModel& Runs() const;

 private:
  std::unique_ptr<Ui::KeywordHistoryPane> ui_;
  std::unique_ptr<PastRunsModel> runs_;
};

}  // namespace quillmark::ui
