#pragma once
// Internal to the research run: how a run notices that its list has moved on without it (the
// list was cleared, or a newer run took it over) and ends without touching the list again.

#include <functional>
#include <utility>

#include "research/researcher.h"

namespace quillmark {

// Thrown at the run's next step once its list has moved on; caught where the run began.
struct RunAbandoned {};

// Marks the run in progress for Pump's staleness test and its read-ahead, and puts back the
// outer run's when a nested run (started from inside a pump) ends.
class Researcher::RunScope {
 public:
  RunScope(Researcher& researcher, std::function<bool()> is_stale, ReadAhead* ahead = nullptr)
      : researcher_(researcher),
        outer_(std::move(researcher.run_is_stale_)),
        outer_ahead_(researcher.read_ahead_),
        ahead_(ahead) {
    researcher_.run_is_stale_ = std::move(is_stale);
    researcher_.read_ahead_ = ahead;
    if (ahead_ != nullptr) researcher_.read_aheads_.push_back(ahead_);
  }
  ~RunScope() {
    researcher_.run_is_stale_ = std::move(outer_);
    researcher_.read_ahead_ = outer_ahead_;
    if (ahead_ != nullptr) researcher_.read_aheads_.pop_back();
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;

 private:
  Researcher& researcher_;
  std::function<bool()> outer_;
  ReadAhead* outer_ahead_;
  ReadAhead* ahead_;
};

}  // namespace quillmark
