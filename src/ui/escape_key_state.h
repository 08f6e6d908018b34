#pragma once
// The Escape key's state as of the last event pumped: an application-wide event filter records
// every press and release, so a run's checkpoint can ask whether Escape is held down.

#include <QObject>

namespace quillmark::ui {

class EscapeKeyState : public QObject {
  Q_OBJECT

 public:
  // Installs itself on the application; removed again when destroyed.
  explicit EscapeKeyState(QObject* parent = nullptr);
  ~EscapeKeyState() override;

  bool Down() const { return down_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool down_ = false;
};

}  // namespace quillmark::ui
