#pragma once
// One run's dealings with the providers: what it will ask for (a page URL does not say), the
// calls made for it and what they cost, and what the providers had to say besides pages. Every
// fetch of the run carries it, on whatever thread, so each run counts its own calls exactly,
// also when two runs share a session.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "research/monthly_demand.h"

namespace quillmark::sources {

// What the run will ask for: the rank pages of a phrase are one provider call covering them all,
// so its depth must be known at the first page.
struct RunParameters {
  std::int64_t max_pages = 0;
  std::string target;
};

struct CallCounts {
  std::int64_t made = 0;        // provider replies used, from the cache or not
  std::int64_t from_cache = 0;  // of these, the ones read from the cache
  std::int64_t retries = 0;     // of the others, the ones that asked again after a rate limit
  double cost = 0;              // USD the provider charged for the replies, none for the cached
};

// What a provider has to say about a run besides its pages.
struct RunNotes {
  // Provider phrases left out of the pages: a page could not carry them as they are.
  std::int64_t phrases_left_out = 0;
  // The provider's words when it refused the account (not authorised, payment required): no
  // call is made after them for the rest of the run. "" while it has not.
  std::string refusal;
  // Seeds the provider knows no phrases for.
  std::vector<std::string> seeds_without_ideas;
};

// A phrase's searches month by month, as a provider gave them with its keyword ideas.
struct ProviderMonths {
  std::string phrase;
  std::vector<MonthlyDemand> months;  // oldest first
};

// Safe to use from several threads at once.
class ProviderRun {
 public:
  explicit ProviderRun(RunParameters parameters = {});
  ProviderRun(const ProviderRun&) = delete;
  ProviderRun& operator=(const ProviderRun&) = delete;

  const RunParameters& Parameters() const { return parameters_; }
  // Tells one run from another, for what a source keeps for the current run only.
  std::uint64_t Number() const { return number_; }

  // A call made (a reply or a failure), or a reply read from the cache (`from_cache`); `retry`
  // for a call that asked again after a rate limit, `cost` what the provider charged for it.
  void CountCall(bool from_cache, bool retry, double cost);
  CallCounts Calls() const;

  // Keeps the first refusal; the reason of the one kept.
  std::string Refuse(const std::string& reason);
  std::string Refusal() const;
  void NotePhrasesLeftOut(std::size_t count);
  void NoteSeedWithoutIdeas(const std::string& seed);
  RunNotes Notes() const;
  // The months a provider gave for a phrase; a later note of the same phrase replaces the earlier.
  void NoteMonths(const std::string& phrase, std::vector<MonthlyDemand> months);
  // Every phrase's months noted, by phrase.
  std::vector<ProviderMonths> Months() const;

 private:
  const RunParameters parameters_;
  const std::uint64_t number_;
  mutable std::mutex mutex_;  // guards everything below
  CallCounts calls_;
  RunNotes notes_;
  std::map<std::string, std::vector<MonthlyDemand>> months_;
};

}  // namespace quillmark::sources
