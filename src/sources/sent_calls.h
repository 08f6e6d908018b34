#pragma once
// The provider calls of a session that are on their way: sent, their reply not read yet. A call
// sent is paid for whether or not its run still wants the reply, so the stop of a run lets it go
// on to its reply (counted and cached); only the end of the session gives up on the calls still
// out, after a short grace.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace quillmark::sources {

// Safe to use from several threads at once.
class SentCalls {
 public:
  // Counts one call as out from its making to its end.
  class Sending {
   public:
    explicit Sending(SentCalls& calls);
    ~Sending();
    Sending(const Sending&) = delete;
    Sending& operator=(const Sending&) = delete;

   private:
    SentCalls& calls_;
  };

  // Whether the calls still out were given up: their transfers end now.
  bool GivenUp() const;
  // Waits until no call is out, at most `grace`, then gives up on those still out and returns
  // how many they were. The caller must first have made sure that no further call is made.
  std::int64_t GiveUp(std::chrono::milliseconds grace);

 private:
  mutable std::mutex mutex_;
  std::condition_variable none_out_;
  std::int64_t out_ = 0;
  bool given_up_ = false;
};

}  // namespace quillmark::sources
