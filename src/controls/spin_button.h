#pragma once
// A pair of small up and down arrow buttons, one above the other, that repeat while held. A
// press on an arrow hands the keyboard focus to the focus control (the edit it serves).

#include <QPointer>
#include <QWidget>

#include "controls/timer_speed_button.h"

namespace quillmark {

class TSpinButton : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 15;

  explicit TSpinButton(QWidget* parent = nullptr);

  QWidget* FocusControl() const { return focus_control_; }
  void SetFocusControl(QWidget* control) { focus_control_ = control; }

  TTimerSpeedButton* UpButton() { return &up_; }
  TTimerSpeedButton* DownButton() { return &down_; }

  QSize sizeHint() const override { return {20, 25}; }

 signals:
  void UpClick();
  void DownClick();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void ArrowPressed(TTimerSpeedButton* button);
  void SetFocusedButton(TTimerSpeedButton* button);
  void UpdateFocusRect();

  TTimerSpeedButton up_{TTimerSpeedButton::Arrow::kUp, this};
  TTimerSpeedButton down_{TTimerSpeedButton::Arrow::kDown, this};
  TTimerSpeedButton* focused_button_ = &up_;
  QPointer<QWidget> focus_control_;
};

}  // namespace quillmark
