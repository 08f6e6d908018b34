#pragma once
// Ctrl-C and SIGTERM for the terminal front end: the first one only sets a flag, which the run in
// progress turns into its Stop (the fetches in flight are cancelled and the run ends at its next
// checkpoint; rows so far are kept); a second one ends the process at once.

#include <csignal>

namespace quillmark::cli {

void InstallInterruptHandler();
// Whether Ctrl-C (or SIGTERM) has been received since the handler was installed.
bool Interrupted();
// The exit status that says how the process was stopped: 130 after Ctrl-C, 143 after SIGTERM
// (128 plus the first signal's number); 0 when it was not.
int InterruptExitCode();

// For a command that serves until it is told to stop: blocks Ctrl-C and SIGTERM in this thread
// from construction, so threads started afterwards inherit the mask and the signal waits for
// WaitForStop; the destructor restores the previous mask.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked();
  ~StopSignalsBlocked();
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

  // Returns once Ctrl-C or SIGTERM arrives.
  void WaitForStop();
  // From now on another Ctrl-C or SIGTERM ends the process at once, with 128 plus its number:
  // the calling thread takes it, whatever it is waiting for.
  void ExitAtNextStop();

 private:
  sigset_t stop_signals_;
  sigset_t previous_;
};

}  // namespace quillmark::cli
