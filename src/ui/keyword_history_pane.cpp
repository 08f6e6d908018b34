#include "ui/keyword_history_pane.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <array>
#include <utility>
#include <vector>

#include "session/run_history.h"
#include "ui/history_chart.h"
#include "ui/text_convert.h"
#include "ui_keyword_history_pane.h"

namespace quillmark::ui {

// The past runs of a phrase as the pane's table shows them: a figure that was not measured keeps
// the text the list showed, greyed, with the reason in its tooltip.
class PastRunsModel final : public QAbstractTableModel {
 public:
  enum Column { kDate, kDemand, kSupply, kRank, kSource, kColumns };

  void SetRuns(std::vector<history::PhraseRun> runs) {
    beginResetModel();
    runs_ = std::move(runs);
    measured_.clear();
    measured_.reserve(runs_.size());
    for (const history::PhraseRun& run : runs_) measured_.push_back(history::MeasuredFigures(run));
    endResetModel();
  }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(runs_.size());
  }
  int columnCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : kColumns;
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    static constexpr std::array<const char*, kColumns> kTitles = {"Date", "Demand", "Supply",
                                                                  "Rank", "Source"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= kColumns)
      return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kTitles[section]);
  }

  QVariant data(const QModelIndex& index, int role) const override {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid)) return {};
    const history::PhraseRun& run = runs_[static_cast<std::size_t>(index.row())];
    const history::Measured& measured = measured_[static_cast<std::size_t>(index.row())];
    const int column = index.column();
    if (role == Qt::TextAlignmentRole) {
      return column == kDemand || column == kSupply || column == kRank
                 ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                 : QVariant();
    }
    const bool unmeasured = (column == kDemand && !measured.demand) ||
                            (column == kSupply && !measured.supply) ||
                            (column == kRank && !measured.rank);
    switch (role) {
      case Qt::DisplayRole:
        switch (column) {
          case kDate:
            return ToQString(session::HistoryDateText(run.started));
          case kDemand:
            return ToQString(run.demand);
          case kSupply:
            return ToQString(run.supply);
          case kRank:
            return ToQString(run.rank);
          default:
            return ToQString(run.source);
        }
      case Qt::ForegroundRole: {
        if (!unmeasured) return {};
        QColor muted = QPalette().color(QPalette::Text);
        muted.setAlphaF(0.5f);
        return muted;
      }
      case Qt::ToolTipRole: {
        if (!unmeasured) return {};
        std::string why = column == kDemand   ? DescribeDemandLookup(run.lookups)
                          : column == kSupply ? DescribeSupplyLookup(run.lookups)
                                              : DescribeRankLookup(run.lookups);
        return ToQString(why.empty() ? std::string("not measured") : why);
      }
      default:
        return {};
    }
  }

 private:
  std::vector<history::PhraseRun> runs_;
  std::vector<history::Measured> measured_;
};

namespace {

// The most runs a pane reads: the table and the line have no room for more.
constexpr std::size_t kMostRuns = 1000;
constexpr int kFigureColumnWidth = 64;
constexpr int kCellPadding = 12;

}  // namespace

KeywordHistoryPane::KeywordHistoryPane(QWidget* parent)
    : QDockWidget(parent),
      ui_(std::make_unique<Ui::KeywordHistoryPane>()),
      runs_(std::make_unique<PastRunsModel>()) {
  ui_->setupUi(this);
  QTableView& view = *ui_->RunsView;
  view.setModel(runs_.get());
  view.verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  view.horizontalHeader()->resizeSection(
      PastRunsModel::kDate,
      view.fontMetrics().horizontalAdvance(QStringLiteral("2025-12-31 23:59")) + kCellPadding);
  for (int column : {PastRunsModel::kDemand, PastRunsModel::kSupply, PastRunsModel::kRank})
    view.horizontalHeader()->resizeSection(column, kFigureColumnWidth);
}

KeywordHistoryPane::~KeywordHistoryPane() {
  ui_->RunsView->setModel(nullptr);
}

HistoryChart& KeywordHistoryPane::Chart() {
  return *ui_->Chart;
}

const QAbstractItemModel& KeywordHistoryPane::Runs() const {
  return *runs_;
}

void KeywordHistoryPane::ShowMessage(const QString& text) {
  ui_->PhraseLabel->setText(text);
  ui_->Chart->SetData({});
  runs_->SetRuns({});
}

void KeywordHistoryPane::ShowPhrase(history::HistoryStore& store, const PaneSubject& subject) {
  std::vector<history::PhraseRun> runs;
  HistoryChartData chart;
  try {
    runs = store.PhraseRuns(subject.phrase, subject.market, subject.target, kMostRuns);
    chart.months = store.Months(subject.phrase, subject.market);
  } catch (const history::HistoryError& e) {
    ShowMessage(ToQString(e.what()));
    return;
  }

  const std::string source =
      subject.source.empty() && !runs.empty() ? runs.front().source : subject.source;
  const std::string target =
      subject.target ? *subject.target : (runs.empty() ? std::string() : runs.front().target);
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    if (run->source != source || run->target != target) continue;
    // A rank the lookup did not measure is no point of the line, not a gap in it.
    const history::Measured measured = history::MeasuredFigures(*run);
    if (!measured.rank) continue;
    chart.ranks.push_back(
        {run->started, *measured.rank == 0 ? std::nullopt : std::optional(*measured.rank)});
  }
  if (!source.empty())
    chart.rank_title =
        ToQString((target.empty() ? std::string("no target") : target) + ", " + source);

  std::string label = "\"" + subject.phrase + "\" in " + session::MarketText(subject.market);
  if (subject.target && !subject.target->empty()) label += ", target " + *subject.target;
  label += ": " + std::to_string(runs.size()) + (runs.size() == 1 ? " run" : " runs");
  if (runs.size() >= kMostRuns) label += " (the latest)";
  ui_->PhraseLabel->setText(ToQString(label));
  ui_->Chart->SetData(std::move(chart));
  runs_->SetRuns(std::move(runs));
}

}  // namespace quillmark::ui
