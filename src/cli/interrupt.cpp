#include "cli/interrupt.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

#include "research/stop_request.h"

namespace quillmark::cli {
namespace {

// Atomics, not volatile: the fetch workers' cancel tests read them on other threads. Lock-free,
// so the handler may set them.
std::atomic<int> g_interrupts{0};
std::atomic<int> g_first_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int signal_number) {
  // The signal first, so that whoever sees an interrupt sees which one.
  int none = 0;
  g_first_signal.compare_exchange_strong(none, signal_number);
  if (g_interrupts.fetch_add(1) > 0) {
    // The user insists: leave without waiting for anything more.
    static const char kMessage[] = "\nqmk: interrupted\n";
    ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    ::_exit(128 + g_first_signal);
  }
  // Lock-free atomics: safe here. The fetch in flight sees it within its next wait slice.
  SetStopRequest();
}

}  // namespace

void InstallInterruptHandler() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait in progress returns early, and the socket layer retries it.
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
  return g_interrupts > 0;
}

int InterruptExitCode() {
  return g_interrupts > 0 ? 128 + g_first_signal : 0;
}

StopSignalsBlocked::StopSignalsBlocked() {
  sigemptyset(&stop_signals_);
  sigaddset(&stop_signals_, SIGINT);
  sigaddset(&stop_signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals_, &previous_);
}

StopSignalsBlocked::~StopSignalsBlocked() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

void StopSignalsBlocked::WaitForStop() {
  int signal = 0;
  sigwait(&stop_signals_, &signal);
}

}  // namespace quillmark::cli
