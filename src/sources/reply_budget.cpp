#include "sources/reply_budget.h"

namespace quillmark::sources {

ReplyBudget& ReplyBudget::Shared() {
  static ReplyBudget budget(kReplyBudgetBytes);
  return budget;
}

ReplyBudget::Reader::Reader(ReplyBudget& budget) : budget_(budget) {
  const std::lock_guard lock(budget_.mutex_);
  ticket_ = budget_.next_ticket_++;
  budget_.reading_.insert(ticket_);
}

ReplyBudget::Reader::~Reader() {
  const std::lock_guard lock(budget_.mutex_);
  budget_.used_ -= held_;
  budget_.reading_.erase(ticket_);
}

bool ReplyBudget::Reader::Take(std::size_t bytes) {
  const std::lock_guard lock(budget_.mutex_);
  const bool oldest = reading_ && *budget_.reading_.begin() == ticket_;
  if (!oldest && budget_.used_ + bytes > budget_.limit_) return false;
  budget_.used_ += bytes;
  held_ += bytes;
  return true;
}

void ReplyBudget::Reader::Done() {
  const std::lock_guard lock(budget_.mutex_);
  budget_.reading_.erase(ticket_);
  reading_ = false;
}

std::size_t ReplyBudget::Used() const {
  const std::lock_guard lock(mutex_);
  return used_;
}

}  // namespace quillmark::sources
