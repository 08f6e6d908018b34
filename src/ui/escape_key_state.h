#pragma once
// The Escape key's state as of the last event pumped: an application-wide event filter records
// every press and release, so a run's checkpoint can ask whether Escape is held down. A state the
// window lost never counts as held: the focus left the application (the release went elsewhere),
// or, where the window system can say so (X11), the keyboard no longer holds the key.

#include <QObject>

namespace quillmark::ui {

class EscapeKeyState : public QObject {
  Q_OBJECT

 public:
  // Installs itself on the application; removed again when destroyed.
  explicit EscapeKeyState(QObject* parent = nullptr);
  ~EscapeKeyState() override;

  bool Down();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool down_ = false;
  // The window system's code of the key pressed, to ask it whether the key is still down.
  quint32 native_key_ = 0;
};

}  // namespace quillmark::ui
