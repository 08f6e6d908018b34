#pragma once
// Ctrl-C for the terminal front end: the first one asks the run to stop at its next
// checkpoint (rows so far are kept); a second one ends the process at once.

namespace quillmark::cli {

void InstallInterruptHandler();
// Whether Ctrl-C (or SIGTERM) has been received since the handler was installed.
bool Interrupted();

}  // namespace quillmark::cli
