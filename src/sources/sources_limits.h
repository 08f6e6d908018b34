#pragma once
// The bounds of the provider layer in one place.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quillmark::sources {

// A provider reply larger than this is refused (a depth-200 result page is about 1 MB; the
// keyword ideas of one seed, with their monthly figures, can run to tens of MB).
inline constexpr std::size_t kMaxReplyBytes = 32u << 20;
// The trending feed lists 10 to 20 searches with a few news items each, some tens of KB: a
// larger reply is no feed of ours, and its document would cost several times its size.
inline constexpr std::size_t kMaxFeedBytes = 2u << 20;
// How often a call in flight, or a wait for a rate limit, looks at the cancel test.
inline constexpr std::chrono::milliseconds kCancelPoll{50};
// Waits before asking again after a rate limit: doubling from the first, at most the last.
inline constexpr std::chrono::milliseconds kFirstRateLimitWait{1000};
inline constexpr std::chrono::milliseconds kLongestRateLimitWait{15000};
// A Retry-After longer than this is no wait anyone means: it is cut to it (and outlasts every
// time limit).
inline constexpr std::chrono::seconds kLongestRetryAfter{24 * 3600};
// After an account refusal, how long a standing run (the bridge) makes no call before one call
// asks again whether the account was put right.
inline constexpr std::chrono::milliseconds kRefusalPause{60000};
// At a session's end, how long the calls already sent may still take to answer before they are
// given up unseen.
inline constexpr std::chrono::milliseconds kSentCallsGrace{1000};
// Cached replies stay good this long: keyword volumes change monthly, while today's trending
// searches change within the day.
inline constexpr std::chrono::hours kKeywordCacheLifetime{24 * 30};
inline constexpr std::chrono::hours kTrendsCacheLifetime{1};
// A half-written cache entry younger than this belongs to a store still under way, which
// clearing the cache leaves to finish: the reply it holds is kept.
inline constexpr std::chrono::minutes kStoreUnderWay{5};
// The organic results a live call may ask for.
inline constexpr std::int64_t kMaxOrganicDepth = 200;
inline constexpr std::int64_t kSupplyDepth = 10;
// Organic results kept from one reply: more than the deepest rank search reads (20 pages of 20).
inline constexpr std::size_t kMaxOrganicResults = 1000;
// The small counts read from a reply (a year, a month, a rank place, a rate limit) are cut to
// this; searches and result pages are kept as the reply gives them. A later year is no month of a
// volume.
inline constexpr std::int64_t kMaxCount = 1'000'000'000'000'000;
inline constexpr std::int64_t kMaxYear = 100'000;
// Keywords one search-volume call may carry, and the calls a list research may add to find the
// phrase that emptied a batch: each halving costs two, so twenty find one phrase among a thousand.
inline constexpr std::size_t kMaxVolumeBatch = 1000;
inline constexpr int kMaxVolumeSplitCalls = 20;
// Monthly figures kept per keyword idea, the newest: four years, more than the provider gives.
inline constexpr std::size_t kMaxIdeaMonths = 48;
// A price read from a reply above this (a billion USD) is no price: it counts as none.
inline constexpr double kMaxMoney = 1e9;
// Rate limits kept from an account reply; the API has a few dozen functions.
inline constexpr std::size_t kMaxRateLimits = 256;
// The account reply is a few KB.
inline constexpr std::size_t kMaxAccountBytes = 1u << 20;
// The provider's queue (its Standard method): tasks one post may carry; how long the tasks asked
// for at about the same time are gathered into one post; how often the finished tasks are listed
// (the provider allows 20 such calls a minute); how long a task may take before its lookup fails
// (normal priority promises 45 minutes); and how long a posted task's result may still be
// collected, free of charge.
inline constexpr std::size_t kMaxTasksPerPost = 100;
inline constexpr std::chrono::milliseconds kQueueGathering{300};
inline constexpr std::chrono::milliseconds kQueuePoll{5000};
inline constexpr std::chrono::minutes kLongestQueueWait{60};
inline constexpr std::chrono::hours kQueuedResultsKept{24 * 30};
// A task the listing has not named for this long is asked for directly: the listing names at
// most 1,000 finished tasks of the account, which other programs' tasks may fill.
inline constexpr std::chrono::minutes kQueueProbe{10};
// Free queue calls in a row that may fail before the tasks waiting on them fail too.
inline constexpr int kQueueFailuresInARow = 3;
// A credentials file is two short lines.
inline constexpr std::size_t kMaxCredentialsBytes = 4096;

}  // namespace quillmark::sources
