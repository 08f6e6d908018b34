#pragma once
// Signals such as Ctrl-C belong to the thread that acts on them, never to a worker or a server
// thread. A thread inherits its creator's mask, so threads are started inside one of these.

#include <csignal>

namespace quillmark::session {

// Blocks every signal in the calling thread from construction; the destructor restores the
// previous mask.
class AllSignalsBlocked {
 public:
  AllSignalsBlocked();
  ~AllSignalsBlocked();
  AllSignalsBlocked(const AllSignalsBlocked&) = delete;
  AllSignalsBlocked& operator=(const AllSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

}  // namespace quillmark::session
