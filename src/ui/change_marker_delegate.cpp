#include "ui/change_marker_delegate.h"

#include <QApplication>
#include <QPainter>

#include "session/run_history.h"
#include "ui/keyword_list_model.h"

namespace quillmark::ui {
namespace {

// Between the cell's text and its marker, and between the marker and the cell's edge.
constexpr int kMarkerGap = 4;
constexpr int kMarkerMargin = 3;

QColor MarkerColour(int kind, const QStyleOptionViewItem& option) {
  using Kind = session::CellChange::Kind;
  if (option.state & QStyle::State_Selected) return option.palette.color(QPalette::HighlightedText);
  // Dark enough on a white list, light enough on a dark one.
  const bool dark = option.palette.color(QPalette::Base).lightness() < 128;
  switch (static_cast<Kind>(kind)) {
    case Kind::kUp:
      return dark ? QColor(0x6C, 0xD8, 0x7A) : QColor(0x1A, 0x7F, 0x37);
    case Kind::kDown:
      return dark ? QColor(0xFF, 0x7B, 0x72) : QColor(0xC0, 0x1C, 0x28);
    default: {
      QColor muted = option.palette.color(QPalette::Text);
      muted.setAlphaF(0.6f);
      return muted;
    }
  }
}

}  // namespace

void ChangeMarkerDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
  GridLineDelegate::paint(painter, option, index);
  const QVariant marker = index.data(KeywordListModel::kChangeRole);
  if (!marker.isValid()) return;
  const QString text = marker.toString();
  QFont font = option.font;
  font.setBold(true);
  const QFontMetrics metrics(font);
  const int marker_width = metrics.horizontalAdvance(text);
  const int text_width = option.fontMetrics.horizontalAdvance(index.data().toString());
  // The cell's text starts after the style's margin; the marker goes at the cell's right end.
  const QStyle* style = option.widget != nullptr ? option.widget->style() : QApplication::style();
  const int text_margin =
      style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
  const int room = option.rect.width() - 2 * text_margin - text_width - kMarkerGap - kMarkerMargin;
  if (marker_width > room) return;
  painter->save();
  painter->setFont(font);
  painter->setPen(MarkerColour(index.data(KeywordListModel::kChangeKindRole).toInt(), option));
  painter->drawText(option.rect.adjusted(0, 0, -kMarkerMargin, -1),
                    Qt::AlignRight | Qt::AlignVCenter, text);
  painter->restore();
}

}  // namespace quillmark::ui
