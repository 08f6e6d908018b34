#include "sources/provider_run.h"

#include <atomic>
#include <cmath>
#include <utility>

namespace quillmark::sources {
namespace {

std::atomic<std::uint64_t> runs_made{0};

// "$0.50": a budget as the user gave it, to the cent.
std::string UsdText(double usd) {
  const long long cents = std::llround(usd * 100);
  const std::string fraction = std::to_string(cents % 100);
  return "$" + std::to_string(cents / 100) + "." + (fraction.size() < 2 ? "0" : "") + fraction;
}

}  // namespace

ProviderRun::ProviderRun(RunParameters parameters)
    : parameters_(std::move(parameters)), number_(++runs_made) {}

void ProviderRun::MarkStopped() {
  const std::lock_guard lock(mutex_);
  stopped_ = true;
}

bool ProviderRun::Spent() {
  if (parameters_.max_calls <= 0 || started_ < parameters_.max_calls) return false;
  notes_.call_limit_reached = parameters_.max_calls;
  return true;
}

bool ProviderRun::OutOfCalls() {
  const std::lock_guard lock(mutex_);
  return Spent();
}

bool ProviderRun::StartCall() {
  const std::lock_guard lock(mutex_);
  if (Spent()) return false;
  ++started_;
  ++calls_.in_flight;
  return true;
}

void ProviderRun::CallAnswered(bool retry, double cost) {
  const std::lock_guard lock(mutex_);
  --calls_.in_flight;
  ++calls_.made;
  if (retry) ++calls_.retries;
  if (stopped_) ++calls_.after_stop;
  calls_.cost += cost;
  if (parameters_.max_cost > 0 && calls_.cost >= parameters_.max_cost && notes_.refusal.empty()) {
    notes_.refusal = "the run's budget of " + UsdText(parameters_.max_cost) + " was reached";
    notes_.budget_spent = true;
  }
}

void ProviderRun::CallUnanswered() {
  const std::lock_guard lock(mutex_);
  --calls_.in_flight;
  ++calls_.unanswered;
}

void ProviderRun::CountCachedReply() {
  const std::lock_guard lock(mutex_);
  ++calls_.made;
  ++calls_.from_cache;
}

void ProviderRun::NoteTasksPosted(std::size_t count) {
  const std::lock_guard lock(mutex_);
  calls_.tasks_posted += static_cast<std::int64_t>(count);
  calls_.tasks_not_collected += static_cast<std::int64_t>(count);
}

void ProviderRun::NoteTaskAwaited() {
  const std::lock_guard lock(mutex_);
  ++calls_.tasks_awaited;
}

void ProviderRun::NoteTaskCollected(bool own) {
  const std::lock_guard lock(mutex_);
  ++calls_.tasks_collected;
  if (own) --calls_.tasks_not_collected;
}

void ProviderRun::NoteTaskGivenUp() {
  const std::lock_guard lock(mutex_);
  --calls_.tasks_awaited;
}

CallCounts ProviderRun::Calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

std::string ProviderRun::CallLimitReason() const {
  return "no call made: the run reached its limit of " + std::to_string(parameters_.max_calls) +
         " provider calls";
}

void ProviderRun::NoteWait(Clock::time_point until) {
  const std::lock_guard lock(mutex_);
  waiting_until_ = std::max(waiting_until_, until);
}

std::optional<ProviderRun::Clock::time_point> ProviderRun::WaitingUntil() const {
  const std::lock_guard lock(mutex_);
  if (waiting_until_ <= Clock::now()) return std::nullopt;
  return waiting_until_;
}

std::optional<std::string> ProviderRun::Earlier(const std::string& request) const {
  const std::lock_guard lock(mutex_);
  const auto found = earlier_.find(request);
  if (found == earlier_.end()) return std::nullopt;
  return found->second;
}

void ProviderRun::Remember(const std::string& request, const std::string& failure) {
  if (parameters_.standing) return;
  const std::lock_guard lock(mutex_);
  earlier_[request] = failure;
}

std::string ProviderRun::Refuse(const std::string& reason) {
  const std::lock_guard lock(mutex_);
  if (parameters_.standing) {
    notes_.refusal = reason;
    refused_until_ = Clock::now() + parameters_.refusal_pause;
    probing_ = false;
  } else if (notes_.refusal.empty()) {
    notes_.refusal = reason;
  }
  return notes_.refusal;
}

std::string ProviderRun::Refusal() {
  const std::lock_guard lock(mutex_);
  if (notes_.refusal.empty() || !parameters_.standing) return notes_.refusal;
  const Clock::time_point now = Clock::now();
  if (now < refused_until_) return notes_.refusal;
  // The pause is over: this call asks whether the account was put right; the others wait for
  // its answer, or for another pause should it never come.
  refused_until_ = now + parameters_.refusal_pause;
  probing_ = true;
  return {};
}

void ProviderRun::CallAccepted() {
  const std::lock_guard lock(mutex_);
  if (!probing_) return;
  probing_ = false;
  notes_.refusal.clear();
}

void ProviderRun::NotePhrasesLeftOut(std::size_t count) {
  const std::lock_guard lock(mutex_);
  notes_.phrases_left_out += static_cast<std::int64_t>(count);
}

void ProviderRun::NoteSeedWithoutIdeas(const std::string& seed) {
  const std::lock_guard lock(mutex_);
  notes_.seeds_without_ideas.push_back(seed);
}

void ProviderRun::NotePhraseRefused(const std::string& phrase) {
  const std::lock_guard lock(mutex_);
  notes_.phrases_refused.push_back(phrase);
}

void ProviderRun::NotePhrasesUnmeasured(std::size_t count) {
  const std::lock_guard lock(mutex_);
  notes_.phrases_unmeasured += static_cast<std::int64_t>(count);
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
