#include "sources/sent_calls.h"

namespace quillmark::sources {

SentCalls::Sending::Sending(SentCalls& calls) : calls_(calls) {
  const std::lock_guard lock(calls_.mutex_);
  ++calls_.out_;
}

SentCalls::Sending::~Sending() {
  {
    const std::lock_guard lock(calls_.mutex_);
    --calls_.out_;
  }
  calls_.none_out_.notify_all();
}

bool SentCalls::GivenUp() const {
  const std::lock_guard lock(mutex_);
  return given_up_;
}

std::int64_t SentCalls::GiveUp(std::chrono::milliseconds grace) {
  std::unique_lock lock(mutex_);
  none_out_.wait_for(lock, grace, [this] { return out_ == 0; });
  given_up_ = true;
  return out_;
}

}  // namespace quillmark::sources
