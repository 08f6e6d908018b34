#pragma once
// The detail pane's two small charts of a phrase's story, drawn with QPainter in the palette's
// colours (so they read on a dark theme as on a light one) and in logical pixels (so they stay
// sharp at any scaling): twelve months of searches as bars, and the rank over past runs as a
// line, the top of the chart being rank 1, broken where the site was not within the pages.

#include <QWidget>
#include <cstdint>
#include <optional>
#include <vector>

#include "history/history_store.h"

class QPainter;

namespace quillmark::ui {

struct RankPoint {
  std::int64_t started = 0;
  std::optional<std::int64_t> rank;  // none: not within the pages searched
};

struct HistoryChartData {
  std::vector<history::StoredMonth> months;  // oldest first
  std::vector<RankPoint> ranks;              // oldest first
  QString rank_title;                        // what the rank line is of: "example.com, stand-in"
};

// Draws both charts into `area`: side by side where it is wide enough, else one above the other.
void PaintHistoryChart(QPainter& painter, const QRect& area, const HistoryChartData& data,
                       const QPalette& palette);

class HistoryChart : public QWidget {
  Q_OBJECT

 public:
  explicit HistoryChart(QWidget* parent = nullptr);

  void SetData(HistoryChartData data);
  const HistoryChartData& Data() const { return data_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  HistoryChartData data_;
};

}  // namespace quillmark::ui
