#pragma once
// What a run fetches its pages through: where they are, a fetch that any thread may call, and the
// workers that fetch while the run's thread waits. NetworkSession is the real one; tests fake it.

#include <string>

#include "net/fetch_result.h"
#include "research/endpoints.h"
#include "research/research_host.h"
#include "research/research_limits.h"
#include "session/fetch_pool.h"
#include "session/run_origin.h"
#include "sources/provider_run.h"

namespace quillmark::session {

class PageSession {
 public:
  virtual ~PageSession() = default;

  virtual const Endpoints& GetEndpoints() const = 0;
  // The page at `url`, for `run`, which learns what provider calls it took. It ends as cancelled
  // once `cancelled` holds or the session is ending, and for no other reason.
  virtual FetchResult Fetch(const std::string& url, sources::ProviderRun& run,
                            const Cancellation& cancelled) const = 0;
  // The session's workers. They end with the session, which cancels what they are fetching and
  // joins them before anything a fetch uses goes.
  virtual FetchPool& Pool() const = 0;
  // The provider that answers the pages of a run in `mode` ("dataforseo", "trends"), or "" when
  // the stand-in or the configured hosts answer them: a provider's calls are worth reporting.
  virtual std::string ProviderName(ResearchMode /*mode*/) const { return {}; }
  // Fetches a run in `mode` keeps in flight unless told otherwise, and at most: the stand-in and
  // the user's own endpoints take 8 and 32, a provider what its documented limits allow.
  virtual int DefaultParallel(ResearchMode /*mode*/) const { return kDefaultParallelFetches; }
  virtual int MaxParallel(ResearchMode /*mode*/) const { return kMaxParallelFetches; }
  // Where a keyword research's figures come from: by default the provider that answers them, else
  // the configured hosts, in the default market.
  virtual RunOrigin ResearchOrigin() const {
    RunOrigin origin;
    if (std::string provider = ProviderName(ResearchMode::kSeed); !provider.empty())
      origin.source = std::move(provider);
    return origin;
  }
  // Where a listing of the top searches comes from: the provider that answers it, else the
  // configured host.
  virtual RunOrigin TopOrigin() const {
    RunOrigin origin;
    if (std::string provider = ProviderName(ResearchMode::kTopSearches); !provider.empty())
      origin.source = std::move(provider);
    return origin;
  }
};

}  // namespace quillmark::session
