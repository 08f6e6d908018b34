#pragma once
// The default system beep of the controls, with a way for tests to hear it.

namespace quillmark {

using BeepHandler = void (*)();

// Sounds the beep through the current handler (QApplication::beep unless replaced).
void SystemBeep();

// Replaces the handler and returns the previous one; nullptr restores QApplication::beep.
BeepHandler SetBeepHandler(BeepHandler handler);

}  // namespace quillmark
