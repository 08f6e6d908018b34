#pragma once
// The bytes of provider replies held in memory at once, bounded. Replies are read while a
// research keeps many calls in flight, and a reply may run to tens of MB: without a bound the
// peak grows with the calls in flight times the reply size. Each reply being read takes its bytes
// from the budget as they arrive and gives them back once the reply is dropped; a reply that finds
// the budget spent waits (its transfer pauses) until bytes come back. The oldest reply still being
// read never waits, so the replies always move on, and the page a run waits for is among the
// oldest: the peak is the budget plus one reply.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>

namespace quillmark::sources {

// A budget shared by every provider call of the process.
inline constexpr std::size_t kReplyBudgetBytes = 64u << 20;

class ReplyBudget {
 public:
  explicit ReplyBudget(std::size_t bytes) : limit_(bytes) {}
  ReplyBudget(const ReplyBudget&) = delete;
  ReplyBudget& operator=(const ReplyBudget&) = delete;

  // The one of kReplyBudgetBytes that every call uses.
  static ReplyBudget& Shared();

  // One reply's share, from its first byte until it is dropped. Safe to use from any thread,
  // each reader from one at a time.
  class Reader {
   public:
    explicit Reader(ReplyBudget& budget);
    // Gives every byte taken back.
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Takes `bytes` more; false (taking nothing) when they do not fit and an older reply is
    // still being read: the caller waits and asks again.
    bool Take(std::size_t bytes);
    // The reply is read whole (or given up): it no longer takes bytes, and no longer holds up
    // the younger ones.
    void Done();
    std::size_t Held() const { return held_; }

   private:
    ReplyBudget& budget_;
    std::uint64_t ticket_;
    std::size_t held_ = 0;
    bool reading_ = true;
  };

  // Bytes taken now, by every reader.
  std::size_t Used() const;

 private:
  const std::size_t limit_;
  mutable std::mutex mutex_;  // guards what follows
  std::size_t used_ = 0;
  std::uint64_t next_ticket_ = 0;
  std::set<std::uint64_t> reading_;  // tickets of the replies still being read, oldest first
};

}  // namespace quillmark::sources
