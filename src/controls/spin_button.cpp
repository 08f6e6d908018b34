#include "controls/spin_button.h"

#include <QKeyEvent>

namespace quillmark {
namespace {

bool TakesTabFocus(const QWidget* widget) {
  return widget->isEnabled() && widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus);
}

}  // namespace

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent) {
  // Not a tab stop of its own: the arrows are reached through the edit they serve.
  setFocusPolicy(Qt::NoFocus);
  setMinimumWidth(kMinWidth);
  resize(sizeHint());
  connect(&up_, &QAbstractButton::clicked, this, &TSpinButton::UpClick);
  connect(&down_, &QAbstractButton::clicked, this, &TSpinButton::DownClick);
  connect(&up_, &QAbstractButton::pressed, this, [this] { ArrowPressed(&up_); });
  connect(&down_, &QAbstractButton::pressed, this, [this] { ArrowPressed(&down_); });
}

void TSpinButton::resizeEvent(QResizeEvent*) {
  // The down arrow starts one pixel above the up arrow's bottom, so their borders overlap.
  const int half = height() / 2;
  up_.setGeometry(0, 0, width(), half);
  down_.setGeometry(0, half - 1, width(), height() - half + 1);
}

void TSpinButton::ArrowPressed(TTimerSpeedButton* button) {
  SetFocusedButton(button);
  if (focus_control_ && TakesTabFocus(focus_control_)) {
    if (!focus_control_->hasFocus()) focus_control_->setFocus(Qt::MouseFocusReason);
  } else if (TakesTabFocus(this)) {
    setFocus(Qt::MouseFocusReason);
  }
}

void TSpinButton::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
      focused_button_->click();
      break;
    case Qt::Key_Up:
      SetFocusedButton(&up_);
      up_.click();
      break;
    case Qt::Key_Down:
      SetFocusedButton(&down_);
      down_.click();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TSpinButton::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  UpdateFocusRect();
}

void TSpinButton::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  UpdateFocusRect();
}

void TSpinButton::SetFocusedButton(TTimerSpeedButton* button) {
  focused_button_ = button;
  UpdateFocusRect();
}

void TSpinButton::UpdateFocusRect() {
  up_.SetDrawFocusRect(hasFocus() && focused_button_ == &up_);
  down_.SetDrawFocusRect(hasFocus() && focused_button_ == &down_);
}

}  // namespace quillmark
