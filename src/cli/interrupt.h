#pragma once
// Ctrl-C and SIGTERM for the terminal front end: the first one raises the Stop request, which
// cancels the fetch in flight and ends the run at its next checkpoint (rows so far are kept); a
// second one ends the process at once.

namespace quillmark::cli {

void InstallInterruptHandler();
// Whether Ctrl-C (or SIGTERM) has been received since the handler was installed.
bool Interrupted();
// The exit status that says how the process was stopped: 130 after Ctrl-C, 143 after SIGTERM
// (128 plus the first signal's number); 0 when it was not.
int InterruptExitCode();

}  // namespace quillmark::cli
