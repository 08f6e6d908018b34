#include "research/stop_request.h"

#include <atomic>
#include <cstdint>

#include "research/research_host.h"

namespace quillmark {
namespace {

// Lock-free, so the request may be raised from a signal handler.
std::atomic<bool> stop_requested{false};
// Counts the times the request went from clear to set; a cancel test compares it with the count
// at its making.
std::atomic<std::uint64_t> stops_raised{0};
static_assert(std::atomic<bool>::is_always_lock_free);
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

}  // namespace

bool StopRequested() {
  return stop_requested.load();
}

void SetStopRequest() {
  if (!stop_requested.exchange(true)) stops_raised.fetch_add(1);
}

void ClearStopRequest() {
  stop_requested.store(false);
}

std::function<bool()> CancelOnStop() {
  return [made_at = stops_raised.load()] { return stops_raised.load() != made_at; };
}

void StopCommand(ResearchHost& host) {
  SetStopRequest();
  host.ProcessMessages();
}

}  // namespace quillmark
