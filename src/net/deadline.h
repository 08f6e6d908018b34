#pragma once
// TNetDeadline: the one point in time by which a whole fetch must be done, and the caller's test
// for "stop now". Resolve, connect, send and every wait of the fetch measure their own waits
// against it, and a wait never sleeps longer than kCancelCheckInterval while a cancel test is set.

#include <chrono>
#include <functional>
#include <optional>
#include <utility>

#include "net/fetch_result.h"

namespace quillmark::net {

class TNetDeadline {
 public:
  using Clock = std::chrono::steady_clock;

  // No deadline at all: waits last as long as they ask for.
  TNetDeadline() = default;
  static TNetDeadline After(std::chrono::milliseconds span) {
    TNetDeadline d;
    d.at_ = Clock::now() + span;
    return d;
  }

  // `cancelled` is asked from the fetching thread; it must be safe to call there.
  void SetCancellation(Cancellation cancelled) { cancelled_ = std::move(cancelled); }
  bool Cancelled() const { return cancelled_ && cancelled_(); }

  bool Expired() const { return at_ && Clock::now() >= *at_; }
  // The point in time itself; the far future when none is set.
  Clock::time_point At() const { return at_.value_or(Clock::time_point::max()); }
  // The end of the next slice of a wait that lasts until `end`: sooner when a cancel test must
  // be asked again first.
  Clock::time_point NextCheck(Clock::time_point end) const;

  // The timeout for one poll() that waits `wait` (negative: no limit of its own) but never past
  // the deadline: -1 for no limit, else milliseconds, rounded up so we never wake just short of it.
  int PollTimeout(std::chrono::milliseconds wait, Clock::time_point wait_start) const;

 private:
  std::optional<Clock::time_point> at_;
  Cancellation cancelled_;
};

}  // namespace quillmark::net
