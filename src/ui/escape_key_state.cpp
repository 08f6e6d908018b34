#include "ui/escape_key_state.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>

namespace quillmark::ui {

EscapeKeyState::EscapeKeyState(QObject* parent) : QObject(parent) {
  QCoreApplication::instance()->installEventFilter(this);
}

EscapeKeyState::~EscapeKeyState() {
  if (QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EscapeKeyState::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) down_ = true;
      break;
    case QEvent::KeyRelease: {
      // Auto-repeat sends release and press pairs while the key stays down.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) down_ = false;
      break;
    }
    case QEvent::ApplicationDeactivate:
      // The release of a key held while the focus went elsewhere never reaches us.
      down_ = false;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quillmark::ui
