#include "controls/timer_speed_button.h"

#include <QMouseEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace quillmark {

TTimerSpeedButton::TTimerSpeedButton(Arrow arrow, QWidget* parent)
    : QAbstractButton(parent), arrow_(arrow) {
  setFocusPolicy(Qt::NoFocus);
  connect(&repeat_timer_, &QTimer::timeout, this, &TTimerSpeedButton::RepeatTick);
}

void TTimerSpeedButton::SetRepeatAllowed(bool allowed) {
  repeat_allowed_ = allowed;
  if (!allowed) StopRepeat();
}

void TTimerSpeedButton::SetDrawFocusRect(bool draw) {
  if (draw_focus_rect_ == draw) return;
  draw_focus_rect_ = draw;
  update();
}

void TTimerSpeedButton::mousePressEvent(QMouseEvent* event) {
  QAbstractButton::mousePressEvent(event);
  if (!repeat_allowed_ || !isDown()) return;
  repeat_timer_.start(kFirstRepeatMs);
}

void TTimerSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
  StopRepeat();
  QAbstractButton::mouseReleaseEvent(event);
}

void TTimerSpeedButton::RepeatTick() {
  repeat_timer_.setInterval(kRepeatMs);
  // A button the pointer has left is no longer down: it waits for the pointer to come back.
  if (!isDown()) return;
  try {
    emit clicked(false);
  } catch (...) {
    // A failing step must not leave the button clicking on its own.
    StopRepeat();
  }
}

void TTimerSpeedButton::StopRepeat() {
  repeat_timer_.stop();
}

void TTimerSpeedButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton panel;
  panel.initFrom(this);
  panel.state |= isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
  panel.state &= ~QStyle::State_HasFocus;
  painter.drawPrimitive(QStyle::PE_PanelButtonBevel, panel);

  // The arrow keeps a quarter of the button's height free above and below it.
  QStyleOption glyph;
  glyph.initFrom(this);
  const int margin = qMax(1, height() / 4);
  glyph.rect = rect().adjusted(2, margin, -2, -margin);
  if (isDown()) glyph.rect.translate(1, 1);
  painter.drawPrimitive(
      arrow_ == Arrow::kUp ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, glyph);

  if (draw_focus_rect_) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = rect().adjusted(3, 3, -3, -3);
    if (isDown()) focus.rect.translate(1, 1);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
}

}  // namespace quillmark
