#pragma once
// What every provider call shares: the reply cache, one call for a request asked by several
// threads at once or twice in a run, the slow-down after a rate limit that holds every call of
// the source, the account refusal that ends a run's calls, the count of each run's calls, a call
// sent that goes on to its reply after a stop, and a reason text that never carries the
// credentials.

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/https_call.h"
#include "sources/reply_cache.h"
#include "sources/sent_calls.h"
#include "sources/source.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

// How a provider reads one reply.
struct ReplyVerdict {
  enum Kind { kGood, kRateLimited, kRefused, kBad } kind = kBad;
  // For all but kGood: the provider's words. kRefused: the account itself was refused.
  std::string reason;
  double cost = 0;        // USD the reply says it cost, whatever its kind
  std::int64_t code = 0;  // the provider's status code that decided a verdict not good, if any
};
// What a call's reply stands for beyond its reader.
enum class CallUse {
  kKept,  // a page's data: cached, asked once a run, counted as one of its calls
  kOnce,  // a paid call for this moment only (a post to a queue): counted, never kept or shared
  kFree,  // a free look at a queue: neither kept nor counted, nor held back by the run's bounds
};

// Reads a reply (HTTP status and body) and keeps what it needs from a good one. It is asked
// again for a cached reply, which counts only when it is good.
using ReplyReader = std::function<ReplyVerdict(long http_status, const std::string& body)>;

// `text` with every non-empty secret in it shown as "***": a provider that echoes the request
// back must not put the account on the screen.
std::string WithoutSecrets(std::string text, const std::vector<std::string>& secrets);

// Safe to use from several threads at once. A rate-limit reply (HTTP 429, or what the reader
// takes for one) slows the whole source down: no call of it goes out until the slow-down ends.
// It lasts as long as the backoff, doubling from kFirstRateLimitWait up to kLongestRateLimitWait,
// or the reply's Retry-After when that is longer (a Retry-After of 0, in the past or unreadable
// never makes it shorter); the replies of calls already under way when it began neither lengthen
// it (unless their Retry-After asks for more) nor double it. The refused call asks again then; a
// call whose time limit ends first fails at once, with the provider's words.
//
// A stop (the cancel test) ends a call that has not gone out yet at once, a wait included. A call
// sent goes on to its reply or its time limit, and is counted and cached, since the provider
// bills it; only the session's end gives it up (ProviderOptions::sent_calls).
class ProviderCaller {
 public:
  // `secrets` are scrubbed from every reason; cached replies are used for `cache_lifetime`.
  ProviderCaller(const ProviderOptions& options, std::vector<std::string> secrets,
                 std::chrono::seconds cache_lifetime);

  // One provider call for `run`, which counts it: a kComplete result (empty body) once `read`
  // found the reply good, else kFailed with the reason, or kCancelled. Once the account was
  // refused in the run, or the run made its most calls, no call is made: the refusal or the
  // limit is the reason (a cached reply is still used). While the same request is under way for
  // another thread, no second call is made: this one waits for that reply (polling
  // `cancelled`), and `read` reads it too; such a shared reply is no call of its own, nor is a
  // request the run was answered before (unless it is a standing run): that answer is given
  // again.
  FetchResult Call(const HttpsRequest& request, ProviderRun& run, const Cancellation& cancelled,
                   const ReplyReader& read, CallUse use = CallUse::kKept);

  // The reply cache, for replies that come by another way than a call of their own (a queued
  // task's result, kept as the live call's reply): a good cached reply read by `read` (counted
  // as the run's reply from the cache), and keeping one.
  bool FromCache(const HttpsRequest& request, ProviderRun& run, const ReplyReader& read) const;
  void Keep(const HttpsRequest& request, const std::string& reply) const;

 private:
  struct Flight;
  // The outcome of a request made by one thread for all who asked it meanwhile.
  struct Answer {
    FetchResult result;
    std::string body;  // the good reply, for the others to read
  };

  // The cache, else the call itself with its waits for a rate limit.
  Answer Ask(const HttpsRequest& request, const CachedRequest& key, ProviderRun& run,
             const Cancellation& cancelled, const ReplyReader& read, CallUse use);
  // Waits until no slow-down holds the source; the failure or stop when that cannot be.
  std::optional<FetchResult> WaitForSlowDown(Clock::time_point deadline, ProviderRun& run,
                                             const Cancellation& cancelled);
  FetchResult Failure(const std::string& why) const;

  ProviderOptions options_;
  std::vector<std::string> secrets_;
  ReplyCache cache_;
  std::shared_ptr<SentCalls> sent_;
  mutable std::mutex mutex_;  // guards everything below
  // The requests under way, by their text.
  std::map<std::string, std::shared_ptr<Flight>> flights_;
  // The slow-down: no call goes out before `slow_until`; `slow_downs` counts those begun, so a
  // call knows whether one began after it went out.
  Clock::time_point slow_until_{};
  std::chrono::milliseconds next_wait_ = kFirstRateLimitWait;
  std::uint64_t slow_downs_ = 0;
  std::string slow_reason_;
};

// The base URL a provider is reached at: `variable` when set (scheme, host and port), else
// `fallback`; without its trailing "/". Throws SourceError for a value that is not http(s).
std::string ProviderBaseUrl(const char* variable, const std::string& fallback);

}  // namespace quillmark::sources
