#pragma once
// Where a run's pages come from. The stand-in service and the configured endpoints answer page
// URLs themselves; a provider source answers the same URLs (suggestion, supply, rank and
// top-searches pages, see research/endpoints.h) from a data provider's API and gives back page
// text in the formats the page readers know, so nothing downstream can tell the difference.

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "net/fetch_result.h"
#include "sources/markets.h"
#include "sources/provider_run.h"
#include "sources/sent_calls.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

enum class SourceKind { kStandIn, kEndpoints, kDataForSeo, kTrends };

// "stand-in", "endpoints", "dataforseo", "trends", in any case; nullopt for anything else.
std::optional<SourceKind> ParseSourceName(std::string_view text);
std::string_view SourceNameText(SourceKind name);
// The names ParseSourceName accepts, for help and error texts: "stand-in, endpoints, ...".
std::string SourceNamesText();

// Whether a source answers the suggestion and search pages of a research, and the top-searches
// page.
bool ServesResearch(SourceKind name);
bool ServesTopSearches(SourceKind name);
// Whether a source is a provider's API (MakeProviderSource makes it), rather than pages served
// by the stand-in or the configured hosts. An absent name is none.
bool IsProvider(std::optional<SourceKind> name);

struct ProviderOptions {
  std::string country{kDefaultCountryCode};  // two-letter region of the trending feed
  // DataForSEO's market, in every request it is sent: the country and the language.
  int location_code = kDefaultLocationCode;
  std::string language_code{kDefaultLanguageCode};
  bool use_cache = true;                     // read and write the reply cache
  std::chrono::milliseconds timeout{60000};  // whole-call limit, waits for a rate limit included
  // The session's calls on their way, which its end gives up; none: a call sent always runs to
  // its reply or time limit.
  std::shared_ptr<SentCalls> sent_calls{};
  // How often the provider's queue is asked which tasks are finished (economy runs).
  std::chrono::milliseconds queue_poll{kQueuePoll};
};

// The source cannot be used at all: no credentials, a credentials file others may read.
class SourceError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A provider behind the page fetch. Any number of threads may fetch at once: a rate limit the
// provider answers holds all of them, and a request already under way is not made twice.
//
// A research keeps its fetches in flight whatever the source: DataForSEO's documented limits
// (2,000 organic-results calls a minute, 12 keyword-ideas calls) are more than one research
// makes, one keyword-ideas call and two calls a row for at most 100 rows.
class ProviderSource {
 public:
  virtual ~ProviderSource() = default;
  // The page for a URL the research code built, for `run`, which learns the calls made and what
  // the provider said. A provider failure is a failed fetch with the provider's words as its
  // reason; `cancelled` is polled while a call is in flight.
  virtual FetchResult Fetch(const std::string& url, ProviderRun& run,
                            const Cancellation& cancelled) = 0;
};

// Only for kDataForSeo and kTrends (std::invalid_argument otherwise). Throws SourceError when
// the source cannot be used.
std::unique_ptr<ProviderSource> MakeProviderSource(SourceKind name, const ProviderOptions& options);

}  // namespace quillmark::sources
