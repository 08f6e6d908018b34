#pragma once
// The research session both front ends open: it resolves the endpoints (flag, then environment,
// then the bundled stand-in service, started for the session when any endpoint is left to it),
// opens the chosen provider sources, and fetches pages through them on its pool of workers.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "research/endpoints.h"
#include "research/research_limits.h"
#include "session/fetch_pool.h"
#include "session/page_session.h"
#include "session/session_options.h"
#include "sources/sent_calls.h"
#include "sources/source.h"

namespace quillmark::demo {
class DemoService;
}

namespace quillmark::session {

// The options' time limit as whole milliseconds (at least 1).
std::chrono::milliseconds FetchTimeout(const SessionOptions& options);

// Whether a text is a usable "host" or "host:port" endpoint.
bool IsEndpointText(const std::string& text);

// The endpoints a command asks; only these are resolved, and the stand-in service starts only
// when one of them is left to it.
struct EndpointNeeds {
  bool suggest = false;
  bool search = false;
  bool top = false;
};

class NetworkSession final : public PageSession {
 public:
  // Throws SessionError for a malformed endpoint taken from the environment or a source name that
  // is unknown or does not serve the pages asked for, sources::SourceError when a chosen provider
  // cannot be used, and std::runtime_error when the stand-in service cannot start. Only the
  // endpoints in `needs` are chosen; `program` names the command in the notes on standard error
  // (the stand-in in use, provider calls given up at the end).
  NetworkSession(const SessionOptions& options, EndpointNeeds needs,
                 const std::string& program = "qmk");
  // EndFetches, saying on standard error how many calls it gave up.
  ~NetworkSession() override;
  NetworkSession(const NetworkSession&) = delete;
  NetworkSession& operator=(const NetworkSession&) = delete;

  const Endpoints& GetEndpoints() const override { return endpoints_; }
  // FetchPage with the session's time limit, or the provider source chosen for the page's kind.
  // Any number of threads may fetch at once, provider pages included: a provider's rate limit
  // is kept by its source, for all of them.
  FetchResult Fetch(const std::string& url, sources::ProviderRun& run,
                    const Cancellation& cancelled) const override;
  FetchPool& Pool() const override { return pool_; }
  std::string ProviderName(ResearchMode mode) const override;
  // A provider takes kDefaultProviderParallel fetches at once by default, up to
  // kMaxProviderParallel; the stand-in and the endpoints the page session's 8 and 32.
  int DefaultParallel(ResearchMode mode) const override;
  int MaxParallel(ResearchMode mode) const override;
  // "stand-in" while the stand-in answers the research, in the options' market.
  RunOrigin ResearchOrigin() const override;
  RunOrigin TopOrigin() const override;
  // Fetches that may run at once on the pool's workers: the most one research may ask for, and
  // the page its run waits for beside them.
  static constexpr std::size_t kFetchThreads = kMaxProviderParallel + 1;

  // Whether the bundled stand-in answers the suggestion or search pages: the research's numbers
  // are made up.
  bool ResearchIsGenerated() const;
  // Whether any page kind is answered by a provider.
  bool UsesProvider() const { return research_source_ != nullptr || top_source_ != nullptr; }

  // Ends the session's fetches: none starts a call or waits any longer, the provider calls
  // already sent get up to kSentCallsGrace to answer (their runs count them), and those still
  // out then are given up. Returns how many were given up, once: the caller says them.
  std::int64_t EndFetches();

 private:
  // The demand of a list research's phrases without a provider: made up by the stand-in, else
  // unknown, since a suggestion service answers for one seed at a time.
  FetchResult PhraseListPage(const sources::ProviderRun& run, const Cancellation& stop) const;

  Endpoints endpoints_;
  std::chrono::milliseconds timeout_;
  history::Market market_;
  std::unique_ptr<demo::DemoService> demo_;
  std::string demo_host_;  // "127.0.0.1:PORT" of demo_, "" without it
  std::unique_ptr<sources::ProviderSource> research_source_;  // suggestion and search pages
  std::unique_ptr<sources::ProviderSource> top_source_;       // the top-searches page
  std::string program_;
  std::shared_ptr<sources::SentCalls> sent_calls_ = std::make_shared<sources::SentCalls>();
  std::atomic<bool> ending_{false};  // no fetch starts a call or waits any longer
  mutable FetchPool pool_{kFetchThreads};
};

}  // namespace quillmark::session
