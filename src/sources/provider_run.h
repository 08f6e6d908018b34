#pragma once
// One run's dealings with the providers: what it will ask for (a page URL does not say), the
// calls made for it and what they cost, and what the providers had to say besides pages. Every
// fetch of the run carries it, on whatever thread, so each run counts its own calls exactly,
// also when two runs share a session, and also the calls that end after the run did.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "research/monthly_demand.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

// How supply and rank are asked for: live (a reply within seconds) or through the provider's
// queue, which costs less and takes minutes (about 5 at normal priority, 1 at high).
enum class Economy { kOff, kNormal, kHigh };

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
  // The most calls the run may make, retries included (0: no bound); replies read from the
  // cache are no calls.
  std::int64_t max_calls = 0;
  Economy economy = Economy::kOff;
  // A standing run (the bridge) answers requests of others for as long as it lives: it keeps
  // no failure (the next request for a page asks again), asks again for what it was answered
  // before (it may be another run of a client), and an account refusal holds its calls back for
  // `refusal_pause`, then lets one call try again.
  bool standing = false;
  std::chrono::milliseconds refusal_pause = kRefusalPause;
};

struct CallCounts {
  std::int64_t made = 0;        // provider replies used, from the cache or not
  std::int64_t from_cache = 0;  // of these, the ones read from the cache
  std::int64_t retries = 0;     // of the others, the ones that asked again after a rate limit
  double cost = 0;              // USD the provider charged for the replies, none for the cached
  // Of the calls made, the ones whose reply came after the run was stopped: sent before, they
  // were let finish, since the provider bills them.
  std::int64_t after_stop = 0;
  // Calls sent whose reply has not come yet.
  std::int64_t in_flight = 0;
  // Calls sent whose reply was never seen: the program ended first. The provider may bill them.
  std::int64_t unanswered = 0;
  // Queued tasks (economy): the ones the run posted (each billed, the post counting as one call),
  // the ones it waited for (posted by it or by an earlier run) but for those that failed or were
  // given up, of these the ones collected, and
  // the ones it posted and did not collect (a stop, a row not reached): a later run collects
  // them free of charge.
  std::int64_t tasks_posted = 0;
  std::int64_t tasks_awaited = 0;
  std::int64_t tasks_collected = 0;
  std::int64_t tasks_not_collected = 0;
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
  // The run's max_calls once a call was refused for it, 0 before.
  std::int64_t call_limit_reached = 0;
};

// A phrase's searches month by month, as a provider gave them with its keyword ideas.
struct ProviderMonths {
  std::string phrase;
  std::vector<MonthlyDemand> months;  // oldest first
};

// Safe to use from several threads at once.
class ProviderRun {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ProviderRun(RunParameters parameters = {});
  ProviderRun(const ProviderRun&) = delete;
  ProviderRun& operator=(const ProviderRun&) = delete;

  const RunParameters& Parameters() const { return parameters_; }
  // Tells one run from another, for what a source keeps for the current run only.
  std::uint64_t Number() const { return number_; }

  // The run was stopped: the calls that end from now on are counted as finished after it.
  void MarkStopped();

  // Whether the run has made its max_calls: no call may be made, nor waited for.
  bool OutOfCalls();
  // A call is about to be sent: false, and nothing may be sent, once the run has made its
  // max_calls. Each call let go ends in CallAnswered or CallUnanswered.
  bool StartCall();
  // The reply (or failure) of a call started: `retry` for one that asked again after a rate
  // limit, `cost` what the provider charged for it.
  void CallAnswered(bool retry, double cost);
  // A call started whose reply was given up unseen.
  void CallUnanswered();
  // A reply read from the cache.
  void CountCachedReply();
  // The run's queued tasks: posted by it, waited for, collected (`own`: one it posted), and no
  // longer waited for without a result (failed, or given up at a stop).
  void NoteTasksPosted(std::size_t count);
  void NoteTaskAwaited();
  void NoteTaskCollected(bool own);
  void NoteTaskGivenUp();
  CallCounts Calls() const;
  // Why a call was not made once the run reached its max_calls.
  std::string CallLimitReason() const;

  // The run's calls wait for the provider's slow-down until `until`; WaitingUntil says so while
  // it lasts.
  void NoteWait(Clock::time_point until);
  std::optional<Clock::time_point> WaitingUntil() const;

  // What the run was answered for a request before (the request's text): "" for a good reply,
  // which its caller keeps, else the failure's reason. A standing run keeps nothing.
  std::optional<std::string> Earlier(const std::string& request) const;
  void Remember(const std::string& request, const std::string& failure);

  // An account refusal: keeps the first (a standing run the newest, and pauses for it); the
  // reason of the one kept.
  std::string Refuse(const std::string& reason);
  // The refusal that holds a call back, "" when the call may be made. Once a standing run's
  // pause is over, one caller is let through, and the refusal holds the others until
  // CallAccepted or another pause.
  std::string Refusal();
  // A call was answered without a refusal: when it was the one let through, the refusal ends.
  void CallAccepted();
  void NotePhrasesLeftOut(std::size_t count);
  void NoteSeedWithoutIdeas(const std::string& seed);
  void NotePhraseRefused(const std::string& phrase);
  void NotePhrasesUnmeasured(std::size_t count);
  RunNotes Notes() const;
  // The months a provider gave for a phrase; a later note of the same phrase replaces the earlier.
  void NoteMonths(const std::string& phrase, std::vector<MonthlyDemand> months);
  // Every phrase's months noted, by phrase.
  std::vector<ProviderMonths> Months() const;

 private:
  // OutOfCalls, with the mutex held.
  bool Spent();

  const RunParameters parameters_;
  const std::uint64_t number_;
  mutable std::mutex mutex_;  // guards everything below
  CallCounts calls_;
  RunNotes notes_;
  std::map<std::string, std::vector<MonthlyDemand>> months_;
  std::int64_t started_ = 0;  // calls let go, within max_calls
  bool stopped_ = false;
  Clock::time_point waiting_until_{};
  std::map<std::string, std::string> earlier_;
  // A standing run's refusal holds calls back until then; `probing_`: one call was let through.
  Clock::time_point refused_until_{};
  bool probing_ = false;
};

}  // namespace quillmark::sources
