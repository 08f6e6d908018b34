#include "cli/interrupt.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <csignal>

namespace quillmark::cli {
namespace {

// Lock-free atomics, so the handler may write them on whichever thread the signal reaches and the
// run's thread read them.
std::atomic<int> g_interrupts{0};
std::atomic<int> g_first_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnInterrupt(int signal_number) {
  // The first signal's number is there before anyone can see that a signal came.
  int none = 0;
  g_first_signal.compare_exchange_strong(none, signal_number);
  if (g_interrupts.fetch_add(1) > 0) {
    // The user insists: leave without waiting for anything more.
    static const char kMessage[] = "\nqmk: interrupted\n";
    ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    (void)ignored;
    ::_exit(128 + g_first_signal.load());
  }
}

extern "C" void OnSecondStop(int signal_number) {
  static const char kMessage[] = "\nqmk: interrupted\n";
  ssize_t ignored = ::write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
  (void)ignored;
  ::_exit(128 + signal_number);
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
  return g_interrupts.load() > 0;
}

int InterruptExitCode() {
  return Interrupted() ? 128 + g_first_signal.load() : 0;
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

void StopSignalsBlocked::ExitAtNextStop() {
  struct sigaction action {};
  action.sa_handler = OnSecondStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  // Every other thread blocks them still: the signal comes here.
  pthread_sigmask(SIG_UNBLOCK, &stop_signals_, nullptr);
}

}  // namespace quillmark::cli
