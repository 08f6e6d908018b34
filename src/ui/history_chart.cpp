#include "ui/history_chart.h"

#include <QDateTime>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace quillmark::ui {
namespace {

// Narrower than this, the two charts go one above the other.
constexpr int kMinChartWidth = 200;
constexpr int kGap = 12;
constexpr int kPad = 4;
constexpr double kBarShare = 0.7;
// Fewer runs than this get a dot each; more would be a smudge.
constexpr std::size_t kMostDots = 60;
constexpr double kDotRadius = 2.5;
constexpr int kTickLength = 4;
// The rank axis reaches at least this far down, so a few close ranks do not look like a slide.
constexpr std::int64_t kLeastRankScale = 10;

constexpr std::array<const char*, 12> kMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDark(const QPalette& palette) {
  return palette.color(QPalette::Base).lightness() < 128;
}

// An orange that stands out from the bars' highlight colour on either kind of background.
QColor LineColour(const QPalette& palette) {
  return IsDark(palette) ? QColor(0xFF, 0xA6, 0x57) : QColor(0xC4, 0x4D, 0x00);
}

QColor AxisColour(const QPalette& palette) {
  QColor colour = palette.color(QPalette::Text);
  colour.setAlphaF(0.35f);
  return colour;
}

QString Grouped(std::int64_t value) {
  return QLocale(QLocale::English, QLocale::UnitedStates).toString(static_cast<qlonglong>(value));
}

QString DateOf(std::int64_t seconds) {
  return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd"));
}

// The chart's title at the top of `area`; the rest of the area is returned.
QRect DrawTitle(QPainter& painter, const QRect& area, const QString& title,
                const QPalette& palette) {
  const QFontMetrics metrics = painter.fontMetrics();
  QFont bold = painter.font();
  bold.setBold(true);
  painter.save();
  painter.setFont(bold);
  painter.setPen(palette.color(QPalette::Text));
  const QFontMetrics bold_metrics(bold);
  painter.drawText(QRect(area.left(), area.top(), area.width(), bold_metrics.height()),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   bold_metrics.elidedText(title, Qt::ElideRight, area.width()));
  painter.restore();
  return area.adjusted(0, bold_metrics.height() + kPad, 0, 0);
}

void DrawPlaceholder(QPainter& painter, const QRect& area, const QString& text,
                     const QPalette& palette) {
  QColor colour = palette.color(QPalette::Text);
  colour.setAlphaF(0.6f);
  painter.setPen(colour);
  painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text);
}

// The plot inside `area`, leaving room for the value labels on the left and a line of labels
// underneath; the two frame lines drawn.
QRect DrawFrame(QPainter& painter, const QRect& area, const QString& top_label,
                const QString& bottom_label, const QPalette& palette) {
  const QFontMetrics metrics = painter.fontMetrics();
  const int label_width =
      std::max(metrics.horizontalAdvance(top_label), metrics.horizontalAdvance(bottom_label));
  const int half_line = metrics.height() / 2;
  const QRect plot = area.adjusted(label_width + kPad, half_line, -kPad, -metrics.height() - kPad);
  painter.setPen(palette.color(QPalette::Text));
  painter.drawText(QRect(area.left(), plot.top() - half_line, label_width, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, top_label);
  painter.drawText(QRect(area.left(), plot.bottom() - half_line, label_width, metrics.height()),
                   Qt::AlignRight | Qt::AlignVCenter, bottom_label);
  painter.setPen(QPen(AxisColour(palette), 1, Qt::DotLine));
  painter.drawLine(plot.topLeft(), plot.topRight());
  painter.setPen(QPen(AxisColour(palette), 1));
  painter.drawLine(plot.bottomLeft(), plot.bottomRight());
  return plot;
}

void PaintMonths(QPainter& painter, const QRect& area,
                 const std::vector<history::StoredMonth>& months, const QPalette& palette) {
  QString title = QStringLiteral("Searches");
  if (!months.empty()) {
    const int first = months.front().demand.year;
    const int last = months.back().demand.year;
    title += first == last
                 ? QStringLiteral(", %1").arg(first)
                 : QStringLiteral(", %1-%2").arg(first).arg(last % 100, 2, 10, QLatin1Char('0'));
  }
  const auto generated = std::count_if(months.begin(), months.end(),
                                       [](const history::StoredMonth& m) { return m.generated; });
  if (generated > 0) {
    title += static_cast<std::size_t>(generated) == months.size()
                 ? QStringLiteral(" (generated)")
                 : QStringLiteral(" (partly generated)");
  }
  const QRect body = DrawTitle(painter, area, title, palette);
  if (months.empty()) {
    DrawPlaceholder(painter, body, QStringLiteral("No monthly searches kept"), palette);
    return;
  }
  std::int64_t most = 1;
  for (const history::StoredMonth& month : months) most = std::max(most, month.demand.volume);
  const QRect plot = DrawFrame(painter, body, Grouped(most), QStringLiteral("0"), palette);
  if (plot.width() <= 0 || plot.height() <= 0) return;

  const QFontMetrics metrics = painter.fontMetrics();
  const double slot = static_cast<double>(plot.width()) / static_cast<double>(months.size());
  const double bar = std::max(1.0, slot * kBarShare);
  const bool names_fit = metrics.horizontalAdvance(QStringLiteral("May")) + 2 <= slot;
  const bool letters_fit = metrics.horizontalAdvance(QStringLiteral("M")) + 1 <= slot;
  const QColor fill = palette.color(QPalette::Highlight);
  QColor pale = fill;
  pale.setAlpha(110);
  painter.setRenderHint(QPainter::Antialiasing, false);
  for (std::size_t i = 0; i < months.size(); ++i) {
    const history::StoredMonth& month = months[i];
    const double left = plot.left() + slot * static_cast<double>(i);
    const double height = static_cast<double>(plot.height()) *
                          static_cast<double>(month.demand.volume) / static_cast<double>(most);
    const QRectF rect(left + (slot - bar) / 2, plot.bottom() - height, bar, height);
    if (month.generated) {
      // Made-up months are hatched, so they are never taken for measured ones.
      painter.fillRect(rect, pale);
      painter.fillRect(rect, QBrush(fill, Qt::BDiagPattern));
    } else {
      painter.fillRect(rect, fill);
    }
    if (!letters_fit || month.demand.month < 1 || month.demand.month > 12) continue;
    const QString name = QString::fromLatin1(kMonthNames[month.demand.month - 1]);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QRectF(left, plot.bottom() + kPad, slot, metrics.height()), Qt::AlignCenter,
                     names_fit ? name : name.left(1));
  }
}

void PaintRanks(QPainter& painter, const QRect& area, const std::vector<RankPoint>& points,
                const QString& subject, const QPalette& palette) {
  const QString title = subject.isEmpty() ? QStringLiteral("Rank over past runs")
                                          : QStringLiteral("Rank for %1").arg(subject);
  const QRect body = DrawTitle(painter, area, title, palette);
  if (points.empty()) {
    DrawPlaceholder(painter, body, QStringLiteral("No past runs with this target"), palette);
    return;
  }
  std::int64_t deepest = kLeastRankScale;
  bool any_found = false;
  for (const RankPoint& point : points) {
    if (!point.rank) continue;
    any_found = true;
    deepest = std::max(deepest, *point.rank);
  }
  const QRect plot =
      DrawFrame(painter, body, QStringLiteral("1"), QString::number(deepest), palette);
  if (plot.width() <= 0 || plot.height() <= 0) return;

  const std::int64_t first = points.front().started;
  const std::int64_t last = points.back().started;
  const auto x_of = [&](std::int64_t started) {
    if (last <= first) return plot.left() + plot.width() / 2.0;
    return plot.left() + static_cast<double>(plot.width()) * static_cast<double>(started - first) /
                             static_cast<double>(last - first);
  };
  const auto y_of = [&](std::int64_t rank) {
    return plot.top() + static_cast<double>(plot.height()) * static_cast<double>(rank - 1) /
                            static_cast<double>(deepest - 1);
  };

  const QFontMetrics metrics = painter.fontMetrics();
  painter.setPen(palette.color(QPalette::Text));
  const QRect dates(plot.left(), plot.bottom() + kPad, plot.width(), metrics.height());
  if (last <= first) {
    painter.drawText(dates, Qt::AlignCenter, DateOf(first));
  } else {
    painter.drawText(dates, Qt::AlignLeft | Qt::AlignVCenter, DateOf(first));
    painter.drawText(dates, Qt::AlignRight | Qt::AlignVCenter, DateOf(last));
  }
  if (!any_found) {
    DrawPlaceholder(painter, plot, QStringLiteral("Not within the pages searched"), palette);
  }

  painter.setRenderHint(QPainter::Antialiasing, true);
  const QColor line = LineColour(palette);
  // A run where the site was not within the pages breaks the line and leaves a tick below it.
  QPainterPath path;
  bool drawing = false;
  painter.setPen(QPen(AxisColour(palette), 1.5));
  for (const RankPoint& point : points) {
    const double x = x_of(point.started);
    if (!point.rank) {
      drawing = false;
      painter.drawLine(QPointF(x, plot.bottom() - kTickLength), QPointF(x, plot.bottom()));
      continue;
    }
    const QPointF at(x, y_of(*point.rank));
    if (drawing) {
      path.lineTo(at);
    } else {
      path.moveTo(at);
      drawing = true;
    }
  }
  painter.setPen(QPen(line, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  painter.drawPath(path);
  if (points.size() > kMostDots) return;
  painter.setBrush(line);
  painter.setPen(Qt::NoPen);
  for (const RankPoint& point : points) {
    if (point.rank)
      painter.drawEllipse(QPointF(x_of(point.started), y_of(*point.rank)), kDotRadius, kDotRadius);
  }
}

}  // namespace

void PaintHistoryChart(QPainter& painter, const QRect& area, const HistoryChartData& data,
                       const QPalette& palette) {
  painter.save();
  const bool side_by_side = area.width() >= 2 * kMinChartWidth + kGap;
  QRect months = area;
  QRect ranks = area;
  if (side_by_side) {
    months.setWidth((area.width() - kGap) / 2);
    ranks.setLeft(months.right() + 1 + kGap);
  } else {
    months.setHeight((area.height() - kGap) / 2);
    ranks.setTop(months.bottom() + 1 + kGap);
  }
  PaintMonths(painter, months, data.months, palette);
  painter.restore();
  painter.save();
  PaintRanks(painter, ranks, data.ranks, data.rank_title, palette);
  painter.restore();
}

HistoryChart::HistoryChart(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void HistoryChart::SetData(HistoryChartData data) {
  data_ = std::move(data);
  update();
}

QSize HistoryChart::sizeHint() const {
  return {2 * kMinChartWidth + kGap, fontMetrics().height() * 9};
}

QSize HistoryChart::minimumSizeHint() const {
  return {kMinChartWidth, fontMetrics().height() * 7};
}

void HistoryChart::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  PaintHistoryChart(painter, rect().adjusted(kPad, kPad, -kPad, -kPad), data_, palette());
}

}  // namespace quillmark::ui
