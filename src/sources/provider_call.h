#pragma once
// What every provider call shares: the reply cache, the wait for a rate limit within the time
// limit, the account refusal that ends a run's calls, the call counts and the run's notes, and a
// reason text that never carries the credentials.

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/https_call.h"
#include "sources/reply_cache.h"
#include "sources/source.h"

namespace quillmark::sources {

// How a provider reads one reply.
struct ReplyVerdict {
  enum Kind { kGood, kRateLimited, kRefused, kBad } kind = kBad;
  // For all but kGood: the provider's words. kRefused: the account itself was refused.
  std::string reason;
  double cost = 0;  // USD the reply says it cost, whatever its kind
};
// Reads a reply (HTTP status and body) and keeps what it needs from a good one. It is asked
// again for a cached reply, which counts only when it is good.
using ReplyReader = std::function<ReplyVerdict(long http_status, const std::string& body)>;

// Safe to use from several threads at once.
class ProviderCaller {
 public:
  // `secrets` are scrubbed from every reason; cached replies are used for `cache_lifetime`.
  ProviderCaller(const ProviderOptions& options, std::vector<std::string> secrets,
                 std::chrono::seconds cache_lifetime);

  // One provider call: a kComplete result (empty body) once `read` found the reply good, else
  // kFailed with the reason, or kCancelled. Once the account was refused in this run, no call
  // is made: the refusal is the reason (a cached reply is still used).
  FetchResult Call(const HttpsRequest& request, const std::function<bool()>& cancelled,
                   const ReplyReader& read);
  CallCounts Calls() const;

  // Starts a run: forgets the last run's refusal and notes.
  void NewRun();
  void NotePhrasesLeftOut(std::size_t count);
  void NoteSeedWithoutIdeas(const std::string& seed);
  RunNotes Notes() const;

 private:
  FetchResult Failure(const std::string& why) const;

  ProviderOptions options_;
  std::vector<std::string> secrets_;
  ReplyCache cache_;
  std::atomic<std::int64_t> made_{0};
  std::atomic<std::int64_t> from_cache_{0};
  std::atomic<std::int64_t> retries_{0};
  std::atomic<double> cost_{0};
  mutable std::mutex mutex_;  // guards the two below
  std::uint64_t run_ = 0;
  RunNotes notes_;
};

// The base URL a provider is reached at: `variable` when set (scheme, host and port), else
// `fallback`; without its trailing "/". Throws SourceError for a value that is not http(s).
std::string ProviderBaseUrl(const char* variable, const std::string& fallback);

}  // namespace quillmark::sources
