#pragma once
// What every provider call shares: the reply cache, the wait for a rate limit within the time
// limit, the call counts, and a reason text that never carries the credentials.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/https_call.h"
#include "sources/reply_cache.h"
#include "sources/source.h"

namespace quillmark::sources {

// How a provider reads one reply.
struct ReplyVerdict {
  enum Kind { kGood, kRateLimited, kBad } kind = kBad;
  std::string reason;  // for kBad and kRateLimited: the provider's words
};
// Reads a reply (HTTP status and body) and keeps what it needs from a good one. It is asked
// again for a cached reply, which counts only when it is good.
using ReplyReader = std::function<ReplyVerdict(long http_status, const std::string& body)>;

class ProviderCaller {
 public:
  // `name` starts every reason; `secrets` are scrubbed from every reason; cached replies are
  // used for `cache_lifetime`.
  ProviderCaller(std::string name, const ProviderOptions& options, std::vector<std::string> secrets,
                 std::chrono::seconds cache_lifetime);

  // One provider call: a kComplete result (empty body) once `read` found the reply good, else
  // kFailed with the reason, or kCancelled.
  FetchResult Call(const HttpsRequest& request, const std::function<bool()>& cancelled,
                   const ReplyReader& read);
  CallCounts Calls() const { return {made_.load(), from_cache_.load()}; }

 private:
  FetchResult Failure(const std::string& why) const;

  std::string name_;
  ProviderOptions options_;
  std::vector<std::string> secrets_;
  ReplyCache cache_;
  std::atomic<std::int64_t> made_{0};
  std::atomic<std::int64_t> from_cache_{0};
};

// The base URL a provider is reached at: `variable` when set (scheme, host and port), else
// `fallback`; without its trailing "/". Throws SourceError for a value that is not http(s).
std::string ProviderBaseUrl(const char* variable, const std::string& fallback);

}  // namespace quillmark::sources
