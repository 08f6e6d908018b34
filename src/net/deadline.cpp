#include "net/deadline.h"

#include <algorithm>
#include <climits>

#include "net/net_limits.h"

namespace quillmark::net {

TNetDeadline::Clock::time_point TNetDeadline::NextCheck(Clock::time_point end) const {
  if (!cancelled_) return end;
  const Clock::time_point now = Clock::now();
  return end - now > kCancelCheckInterval ? now + kCancelCheckInterval : end;
}

int TNetDeadline::PollTimeout(std::chrono::milliseconds wait, Clock::time_point wait_start) const {
  using std::chrono::ceil;
  using std::chrono::milliseconds;
  std::optional<Clock::time_point> end = at_;
  if (wait.count() >= 0) {
    const Clock::time_point wait_end = wait_start + wait;
    end = end ? std::min(*end, wait_end) : wait_end;
  }
  if (!end) return cancelled_ ? static_cast<int>(kCancelCheckInterval.count()) : -1;
  const auto left = ceil<milliseconds>(NextCheck(*end) - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

}  // namespace quillmark::net
