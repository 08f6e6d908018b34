#include "session/calls_line.h"

#include <utility>

#include "session/provider_calls.h"

namespace quillmark::session {

void CallsLine::Begin(std::shared_ptr<const sources::ProviderRun> calls, std::string provider,
                      int max_results) {
  calls_ = provider.empty() ? nullptr : std::move(calls);
  provider_ = std::move(provider);
  max_results_ = max_results;
  ended_ = false;
}

std::string CallsLine::Text() const {
  if (!calls_) return {};
  const sources::CallCounts counts = calls_->Calls();
  if (ended_) return CallsText(counts);
  std::chrono::milliseconds waiting{0};
  if (const auto until = calls_->WaitingUntil()) {
    waiting = std::chrono::duration_cast<std::chrono::milliseconds>(
        *until - sources::ProviderRun::Clock::now());
  }
  return RunningCallsText(provider_, max_results_, counts, waiting);
}

bool CallsLine::Changing() const {
  return calls_ && (!ended_ || calls_->Calls().in_flight > 0);
}

}  // namespace quillmark::session
