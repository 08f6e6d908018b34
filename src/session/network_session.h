#pragma once
// The research session both front ends open: it resolves the endpoints (flag, then environment,
// then the bundled stand-in service, started for the session when any endpoint is left to it),
// opens the chosen provider sources, and fetches pages through them on its pool of workers.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "research/endpoints.h"
#include "research/page_fetcher.h"
#include "session/fetch_ahead.h"
#include "session/fetch_pool.h"
#include "session/session_options.h"
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

// Told of every fetch the session's fetcher made (not of fetches a stop made unnecessary).
using FetchReport = std::function<void(const std::string& url, const FetchResult& result)>;

class NetworkSession {
 public:
  // Throws SessionError for a malformed endpoint taken from the environment or a source name that
  // is unknown or does not serve the pages asked for, sources::SourceError when a chosen provider
  // cannot be used, and std::runtime_error when the stand-in service cannot start. Only the
  // endpoints in `needs` are chosen; `program` names the command in the note that says the
  // stand-in is in use.
  NetworkSession(const SessionOptions& options, EndpointNeeds needs,
                 const std::string& program = "qmk");
  ~NetworkSession();
  NetworkSession(const NetworkSession&) = delete;
  NetworkSession& operator=(const NetworkSession&) = delete;

  const Endpoints& GetEndpoints() const { return endpoints_; }
  // FetchPage with the session's time limit, or the provider source chosen for the page's kind,
  // cancelled by the Stop request, the options' cancel test, `also_cancelled` or the session's
  // end; the outcome goes to `report` as well. Any number of threads may fetch at once, provider
  // pages included: a provider's rate limit is kept by its source, for all of them.
  FetchResult Fetch(const std::string& url, const CancelTest& also_cancelled = {},
                    const FetchReport& report = {}) const;
  // Fetch as a PageFetcher. The fetcher refers to the session, which must outlive it.
  PageFetcher Fetcher(FetchReport report = {}) const;
  // The workers that run fetches off the caller's thread. They end with the session, which
  // cancels what they are fetching and joins them before anything a fetch uses goes.
  FetchPool& Pool() const { return pool_; }
  // Fetches that may run at once on the pool's workers: the most one research may ask for.
  static constexpr std::size_t kFetchThreads = kMaxParallelFetches;

  // Tells the provider sources that a run starts and what it will ask for (max pages, target);
  // what they note, and an account they refuse, count from here. Const so that a session held
  // const by the window can still be told; a session without providers ignores it.
  void SetRunParameters(const sources::RunParameters& run) const;
  // Provider calls so far, over all of the session's providers.
  sources::CallCounts Calls() const;
  // Whether the bundled stand-in answers the suggestion or search pages: the research's numbers
  // are made up.
  bool ResearchIsGenerated() const;
  // Whether any page kind is answered by a provider (so calls are worth reporting).
  bool UsesProvider() const { return research_source_ != nullptr || top_source_ != nullptr; }
  // Calls() in words (see session::CallsText), for the end of a command's standard error.
  std::string CallsText() const;
  // What the providers have to say about the run besides its pages, one sentence each for the
  // end of a run: the account they refused, a seed they know no phrases for, phrases they left
  // out because the list cannot show them.
  std::vector<std::string> NoteTexts() const;
  // The provider's words when it refused the account in this run, "" otherwise: every page
  // not fetched after the refusal has them as its reason.
  std::string Refusal() const;

 private:
  // The providers' notes of the run, each with the provider's name.
  std::vector<std::pair<std::string, sources::RunNotes>> SourceNotes() const;

  Endpoints endpoints_;
  std::chrono::milliseconds timeout_;
  CancelTest front_end_cancelled_;  // the options' cancel test
  std::unique_ptr<demo::DemoService> demo_;
  std::string demo_host_;  // "127.0.0.1:PORT" of demo_, "" without it
  std::unique_ptr<sources::ProviderSource> research_source_;  // suggestion and search pages
  std::unique_ptr<sources::ProviderSource> top_source_;       // the top-searches page
  std::atomic<bool> ending_{false};                           // cancels every fetch at the end
  mutable FetchPool pool_{kFetchThreads};
};

}  // namespace quillmark::session
