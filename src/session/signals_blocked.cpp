#include "session/signals_blocked.h"

#include <pthread.h>

namespace quillmark::session {

AllSignalsBlocked::AllSignalsBlocked() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &previous_);
}

AllSignalsBlocked::~AllSignalsBlocked() {
  pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}

}  // namespace quillmark::session
