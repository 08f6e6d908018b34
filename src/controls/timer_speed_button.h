#pragma once
// A small flat button that repeats its click while it is held: the first repeat 400 ms after the
// press, then every 100 ms, and the ordinary click on release.

#include <QAbstractButton>
#include <QTimer>

namespace quillmark {

class TTimerSpeedButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class Arrow { kUp, kDown };

  static constexpr int kFirstRepeatMs = 400;
  static constexpr int kRepeatMs = 100;

  explicit TTimerSpeedButton(Arrow arrow, QWidget* parent = nullptr);

  bool RepeatAllowed() const { return repeat_allowed_; }
  void SetRepeatAllowed(bool allowed);
  // The focus rectangle is drawn only while the arrow pair holding this button has the focus.
  bool DrawFocusRect() const { return draw_focus_rect_; }
  void SetDrawFocusRect(bool draw);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void RepeatTick();
  void StopRepeat();

  Arrow arrow_;
  bool repeat_allowed_ = true;
  bool draw_focus_rect_ = false;
  QTimer repeat_timer_{this};
};

}  // namespace quillmark
