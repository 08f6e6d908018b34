#pragma once
// The dataforseo source: suggestion pages from keyword ideas with last month's volumes (or from
// the search volumes of the user's own phrases), supply
// pages from the result count of the quoted phrase, rank pages from one organic-results call
// per phrase that covers every page the run will ask for.

#include <map>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "sources/credentials.h"
#include "sources/dataforseo_queue.h"
#include "sources/price_table.h"
#include "sources/provider_call.h"
#include "sources/source.h"

namespace quillmark::sources {

// Where DataForSEO is called: $QUILLMARK_DATAFORSEO_URL, else its API's address (see
// ProviderBaseUrl).
std::string DataForSeoBaseUrl();

class DataForSeoSource : public ProviderSource {
 public:
  // `base_url`: scheme, host and port; the API paths are appended.
  DataForSeoSource(const ProviderOptions& options, Credentials credentials, std::string base_url);

  FetchResult Fetch(const std::string& url, ProviderRun& run,
                    const Cancellation& cancelled) override;

 private:
  struct RankMemo {
    std::vector<std::string> urls;  // organic result addresses, position 1 first
  };

  HttpsRequest Post(const char* path, const nlohmann::json& task) const;
  // A POST of `body` to `path`, or a GET when it is empty.
  HttpsRequest Request(const std::string& path, std::string body) const;
  // An organic-results call of `task`: live, or through the queue in an economy run. `depth`
  // and `whole` price it (PriceTable::Learn).
  FetchResult Organic(const nlohmann::json& task, std::int64_t depth, bool whole, ProviderRun& run,
                      const Cancellation& cancelled, const ReplyReader& read);
  // `read`, which also tells the price table what a good reply to a call of `shape` cost;
  // `whole`: the call is billed for its whole shape.
  ReplyReader Priced(CallShape shape, bool whole, ReplyReader read);
  FetchResult Suggestions(const std::string& seed, ProviderRun& run, const Cancellation& cancelled);
  // The demand of the run's own phrases, from search-volume calls of up to kMaxVolumeBatch
  // phrases; a batch the provider empties for one refused phrase is halved and asked again.
  FetchResult PhraseList(ProviderRun& run, const Cancellation& cancelled);
  FetchResult Supply(const std::string& phrase, ProviderRun& run, const Cancellation& cancelled);
  FetchResult Rank(const std::string& phrase, std::int64_t offset, ProviderRun& run,
                   const Cancellation& cancelled);

  Credentials credentials_;
  std::string base_url_;
  // The market of every request; the reply cache's key holds it with the rest of the body.
  int location_code_;
  std::string language_code_;
  // The connections to the provider, kept open between calls; they close with the source.
  mutable ConnectionPool connections_;
  ProviderCaller caller_;
  PriceTable prices_;
  DataForSeoQueue queue_;
  // Guards the rank memos: the workers of a run fetch at once.
  std::mutex mutex_;
  // By phrase, depth and domain, for the run of the newest call (its ProviderRun's number).
  std::map<std::string, RankMemo> ranks_;
  std::uint64_t memo_run_number_ = 0;
};

}  // namespace quillmark::sources
