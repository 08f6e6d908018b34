#include "sources/provider_run.h"

#include <atomic>
#include <utility>

namespace quillmark::sources {
namespace {

std::atomic<std::uint64_t> runs_made{0};

}  // namespace

ProviderRun::ProviderRun(RunParameters parameters)
    : parameters_(std::move(parameters)), number_(++runs_made) {}

void ProviderRun::CountCall(bool from_cache, bool retry, double cost) {
  const std::lock_guard lock(mutex_);
  ++calls_.made;
  if (from_cache) ++calls_.from_cache;
  if (retry) ++calls_.retries;
  calls_.cost += cost;
}

CallCounts ProviderRun::Calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

std::string ProviderRun::Refuse(const std::string& reason) {
  const std::lock_guard lock(mutex_);
  if (notes_.refusal.empty()) notes_.refusal = reason;
  return notes_.refusal;
}

std::string ProviderRun::Refusal() const {
  const std::lock_guard lock(mutex_);
  return notes_.refusal;
}

void ProviderRun::NotePhrasesLeftOut(std::size_t count) {
  const std::lock_guard lock(mutex_);
  notes_.phrases_left_out += static_cast<std::int64_t>(count);
}

void ProviderRun::NoteSeedWithoutIdeas(const std::string& seed) {
  const std::lock_guard lock(mutex_);
  notes_.seeds_without_ideas.push_back(seed);
}

RunNotes ProviderRun::Notes() const {
  const std::lock_guard lock(mutex_);
  return notes_;
}

void ProviderRun::NoteMonths(const std::string& phrase, std::vector<MonthlyDemand> months) {
  const std::lock_guard lock(mutex_);
  months_[phrase] = std::move(months);
}

std::vector<ProviderMonths> ProviderRun::Months() const {
  const std::lock_guard lock(mutex_);
  std::vector<ProviderMonths> months;
  months.reserve(months_.size());
  for (const auto& [phrase, figures] : months_) months.push_back({phrase, figures});
  return months;
}

}  // namespace quillmark::sources
