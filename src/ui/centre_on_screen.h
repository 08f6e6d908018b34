#pragma once
// The dialogs open in the middle of the screen, whatever window opened them.

class QWidget;

namespace quillmark::ui {

// Moves `window`, frame included, to the centre of the primary screen's free area.
void CentreOnScreen(QWidget& window);

}  // namespace quillmark::ui
