#pragma once
// The forms are designed for "MS Sans Serif" at 8 points, a narrow face. Where it is missing,
// the desktop's face is taken in its condensed width, so captions keep to the places the forms
// give them.

class QWidget;

namespace quillmark::ui {

// Applies to the form and, through inheritance, to all its controls.
void UseClassicFont(QWidget& form);

}  // namespace quillmark::ui
