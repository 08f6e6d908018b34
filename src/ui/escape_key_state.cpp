#include "ui/escape_key_state.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <optional>

#ifdef QUILLMARK_WITH_XCB
#include <xcb/xcb.h>

#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <memory>
#endif

namespace quillmark::ui {
namespace {

// Whether the keyboard holds the key of X11 code `key` now; nullopt where that cannot be asked.
std::optional<bool> KeyHeldNow(quint32 key) {
#ifdef QUILLMARK_WITH_XCB
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (x11 == nullptr || key == 0 || key > 255) return std::nullopt;
  xcb_connection_t* connection = x11->connection();
  const std::unique_ptr<xcb_query_keymap_reply_t, decltype(&std::free)> keymap(
      xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr), &std::free);
  if (!keymap) return std::nullopt;
  return (keymap->keys[key / 8] & (1u << (key % 8))) != 0;
#else
  static_cast<void>(key);
  return std::nullopt;
#endif
}

}  // namespace

EscapeKeyState::EscapeKeyState(QObject* parent) : QObject(parent) {
  QCoreApplication::instance()->installEventFilter(this);
}

EscapeKeyState::~EscapeKeyState() {
  if (QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EscapeKeyState::Down() {
  // A release the window never saw (the key let go over another program's window, or while a
  // grab held the keyboard) must not stop a run: the keyboard itself has the last word.
  if (down_ && KeyHeldNow(native_key_) == false) down_ = false;
  return down_;
}

bool EscapeKeyState::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress: {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        down_ = true;
        native_key_ = key->nativeScanCode();
      }
      break;
    }
    case QEvent::KeyRelease: {
      // Auto-repeat sends release and press pairs while the key stays down.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape && !key->isAutoRepeat()) down_ = false;
      break;
    }
    case QEvent::ApplicationDeactivate:
    case QEvent::WindowDeactivate:
      // The release of a key held while the focus went elsewhere never reaches us; a key still
      // held repeats its press.
      down_ = false;
      break;
    case QEvent::ApplicationStateChange:
      if (QGuiApplication::applicationState() != Qt::ApplicationActive) down_ = false;
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quillmark::ui
