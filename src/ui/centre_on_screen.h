#pragma once
// The forms that open in the middle of the screen rather than over their owner.

class QWidget;

namespace quillmark::ui {

// Moves the window, frame included, to the centre of the primary screen's free area.
void CentreOnScreen(QWidget& window);

}  // namespace quillmark::ui
