#pragma once
// The hints the tip of the day picks from.

#include <QStringList>

namespace quillmark::ui {

// The product's tips, in their order.
QStringList QuillmarkTips();

}  // namespace quillmark::ui
