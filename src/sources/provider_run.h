#pragma once
// One run's dealings with the providers: what it will ask for (a page URL does not say), the
// calls made for it and what they cost, and what the providers had to say besides pages. Every
// fetch of the run carries it, on whatever thread, so each run counts its own calls exactly,
// also when two runs share a session.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace quillmark::sources {

// What the run will ask for: the rank pages of a phrase are one provider call covering them all,
// so its depth must be known at the first page.
struct RunParameters {
  std::int64_t max_pages = 0;
  std::string target;
  // The user's own phrases of a list research, whose demand the list page asks for: the page's
  // URL cannot carry a thousand of them.
  std::vector<std::string> phrases = {};
  // USD the run may spend: once the replies' costs reach it, no further call is made (the calls
  // in flight then still end and count). 0: no bound.
  double max_cost = 0;
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
  // The provider's words when it refused the account (not authorised, payment required), or
  // the run's budget reached (`budget_spent`): no call is made after them for the rest of the
  // run. "" while neither happened.
  std::string refusal;
  bool budget_spent = false;
  // Seeds the provider knows no phrases for.
  std::vector<std::string> seeds_without_ideas;
  // Phrases of the user's list the provider refused (a batch holding one gives no figures at
  // all), and how many more went without a figure because the batch holding such a phrase was not
  // split further.
  std::vector<std::string> phrases_refused;
  std::int64_t phrases_unmeasured = 0;
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
  void NotePhraseRefused(const std::string& phrase);
  void NotePhrasesUnmeasured(std::size_t count);
  RunNotes Notes() const;

 private:
  const RunParameters parameters_;
  const std::uint64_t number_;
  mutable std::mutex mutex_;  // guards everything below
  CallCounts calls_;
  RunNotes notes_;
};

}  // namespace quillmark::sources
