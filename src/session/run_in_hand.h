#pragma once
// The run a front end's Stop reaches: the newest run in progress. In the window runs nest (a run
// started from inside another's pump, while that one waits for a page); the newer one is in hand
// until it ends, and the one it interrupted was stopped when it began.

#include "session/research_run.h"

namespace quillmark::session {

class RunInHand {
 public:
  // Stops the run in hand, if there is one.
  void Stop() {
    if (run_ != nullptr) run_->Stop();
  }
  ResearchRun* Get() const { return run_; }

  // Holds `run` in hand for its life, stopping the run in hand before it; that one is back in
  // hand afterwards (stopped, it ends at its next step).
  class Holding {
   public:
    Holding(RunInHand& in_hand, ResearchRun& run) : in_hand_(in_hand), before_(in_hand.run_) {
      in_hand_.Stop();
      in_hand_.run_ = &run;
    }
    ~Holding() { in_hand_.run_ = before_; }
    Holding(const Holding&) = delete;
    Holding& operator=(const Holding&) = delete;

   private:
    RunInHand& in_hand_;
    ResearchRun* before_;
  };

 private:
  ResearchRun* run_ = nullptr;
};

}  // namespace quillmark::session
