#include "ui/elided_label.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace quillmark::ui {
namespace {

// Letters kept in sight at the least, the ellipsis counted.
constexpr int kLeastLetters = 8;

}  // namespace

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidedLabel::minimumSizeHint() const {
  const QMargins margins = contentsMargins();
  const int least = std::min(fontMetrics().horizontalAdvance(text()),
                             fontMetrics().averageCharWidth() * kLeastLetters);
  return {least + margins.left() + margins.right(), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect room = contentsRect();
  const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, room.width());
  style()->drawItemText(&painter, room, static_cast<int>(alignment()), palette(), isEnabled(),
                        shown, foregroundRole());
}

}  // namespace quillmark::ui
