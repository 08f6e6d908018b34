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

void ProviderRun::CountCall(bool from_cache, bool retry, double cost) {
  const std::lock_guard lock(mutex_);
  ++calls_.made;
  if (from_cache) ++calls_.from_cache;
  if (retry) ++calls_.retries;
  calls_.cost += cost;
  if (parameters_.max_cost > 0 && calls_.cost >= parameters_.max_cost && notes_.refusal.empty()) {
    notes_.refusal = "the run's budget of " + UsdText(parameters_.max_cost) + " was reached";
    notes_.budget_spent = true;
  }
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

}  // namespace quillmark::sources
