#pragma once
// Acting in the middle of something that pumps the events (a modal dialog, a research run),
// for the window's tests and the screenshot program.

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

namespace quillmark::testing {

// Runs `action` once, from the event loop, as soon as `condition` holds; nothing if `owner`
// goes first.
inline void WhenTrue(QObject* owner, std::function<bool()> condition,
                     std::function<void()> action) {
  auto* timer = std::make_unique<QTimer>(owner).release();
  timer->setInterval(2);
  QObject::connect(timer, &QTimer::timeout, [timer, condition, action] {
    if (!condition()) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start();
}

}  // namespace quillmark::testing
