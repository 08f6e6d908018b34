// DataForSEO: keyword ideas with last month's volume (Keywords Data API), and the organic
// results of Google (SERP API) for the supply count and the rank. Replies are JSON with a status
// at the top and in each task; 20000 is success.

#include "sources/dataforseo_source.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <unordered_map>

#include "base/ascii.h"
#include "pages/page_format.h"
#include "pages/page_request.h"
#include "pages/page_writer.h"
#include "sources/dataforseo_reply.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

using nlohmann::json;

constexpr const char* kKeywordsPath = "/v3/keywords_data/google_ads/keywords_for_keywords/live";
constexpr const char* kOrganicPath = "/v3/serp/google/organic/live/regular";
constexpr const char* kSearchVolumePath = "/v3/keywords_data/google_ads/search_volume/live";
// A queued task's priority: 1 normal, 2 high.
constexpr int kHighPriority = 2;
// Rank memos kept at once; a research needs one per phrase.
constexpr std::size_t kMaxRankMemos = 1000;

std::string Body(const json& task) {
  return json::array({task}).dump(-1, ' ', false, json::error_handler_t::replace);
}

// The domain of a target written as a bare host ("example.com", "www.example.com/"), for
// stopping the crawl; "" when the target names a path or is no host, since a crawl stopped at the
// domain's first result could then end before the page that holds the target.
std::string TargetDomain(std::string target) {
  ascii::LowerInPlace(target);
  for (const char* scheme : {"http://", "https://"})
    if (target.rfind(scheme, 0) == 0) target.erase(0, std::string_view(scheme).size());
  if (!target.empty() && target.back() == '/') target.pop_back();
  if (target.find('.') == std::string::npos) return {};
  for (char c : target)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-')) return {};
  return target;
}

}  // namespace

std::string DataForSeoBaseUrl() {
  return ProviderBaseUrl("QUILLMARK_DATAFORSEO_URL", "https://api.dataforseo.com");
}

DataForSeoSource::DataForSeoSource(const ProviderOptions& options, Credentials credentials,
                                   std::string base_url)
    : credentials_(std::move(credentials)),
      base_url_(std::move(base_url)),
      location_code_(options.location_code),
      language_code_(options.language_code),
      caller_(options, {credentials_.login, credentials_.password}, kKeywordCacheLifetime),
      queue_(
          caller_, prices_,
          [this](const std::string& path, std::string body) {
            return Request(path, std::move(body));
          },
          options.queue_poll, options.use_cache) {}

HttpsRequest DataForSeoSource::Request(const std::string& path, std::string body) const {
  const bool post = !body.empty();
  return {.method = post ? "POST" : "GET",
          .url = base_url_ + path,
          .body = std::move(body),
          .headers = post ? std::vector<std::string>{"Content-Type: application/json"}
                          : std::vector<std::string>{},
          .login = credentials_.login,
          .password = credentials_.password,
          .connections = &connections_};
}

HttpsRequest DataForSeoSource::Post(const char* path, const json& task) const {
  return Request(path, Body(task));
}

FetchResult DataForSeoSource::Organic(const json& task, std::int64_t depth, bool whole,
                                      ProviderRun& run, const Cancellation& cancelled,
                                      const ReplyReader& read) {
  const Economy economy = run.Parameters().economy;
  if (economy == Economy::kOff) {
    return caller_.Call(Post(kOrganicPath, task), run, cancelled,
                        Priced({PricedCall::kOrganicLive, depth}, whole, read));
  }
  json queued = task;
  if (economy == Economy::kHigh) queued["priority"] = kHighPriority;
  return queue_.Await(
      Post(kOrganicPath, task), std::move(queued),
      {economy == Economy::kHigh ? PricedCall::kOrganicQueuedHigh : PricedCall::kOrganicQueued,
       depth},
      whole, run, cancelled, read);
}

ReplyReader DataForSeoSource::Priced(CallShape shape, bool whole, ReplyReader read) {
  return [this, shape, whole, read = std::move(read)](long http_status, const std::string& body) {
    ReplyVerdict verdict = read(http_status, body);
    if (verdict.kind == ReplyVerdict::kGood) prices_.Learn(shape, verdict.cost, whole);
    return verdict;
  };
}

FetchResult DataForSeoSource::Fetch(const std::string& url, ProviderRun& run,
                                    const Cancellation& cancelled) {
  const pages::PageRequest request = pages::ReadPageUrl(url);
  switch (request.kind) {
    case pages::PageKind::kSuggestion:
      return Suggestions(request.phrase, run, cancelled);
    case pages::PageKind::kSupply:
      return Supply(request.phrase, run, cancelled);
    case pages::PageKind::kRank:
      return Rank(request.phrase, request.offset, run, cancelled);
    case pages::PageKind::kPhraseList:
      return PhraseList(run, cancelled);
    default:
      return {.body = {},
              .status = FetchStatus::kFailed,
              .reason = "dataforseo does not serve this page"};
  }
}

FetchResult DataForSeoSource::Suggestions(const std::string& seed, ProviderRun& run,
                                          const Cancellation& cancelled) {
  // An empty seed lists nothing, as the suggestion service did; it is not worth a paid call.
  if (seed.empty()) return {.body = pages::SuggestionPage(seed, {}).text};
  std::vector<KeywordIdea> ideas;
  const json task = {{"keywords", json::array({seed})},
                     {"location_code", location_code_},
                     {"language_code", language_code_}};
  FetchResult result = caller_.Call(Post(kKeywordsPath, task), run, cancelled,
                                    Priced({PricedCall::kKeywordIdeas}, true,
                                           [&ideas](long http_status, const std::string& body) {
                                             return ReadKeywordIdeas(http_status, body, ideas);
                                           }));
  if (!result.Complete()) return result;
  // The months go to the run, for the history; the page carries last month's figure alone.
  std::vector<pages::Suggestion> rows;
  rows.reserve(ideas.size());
  for (KeywordIdea& idea : ideas) {
    if (!idea.months.empty()) run.NoteMonths(idea.suggestion.phrase, std::move(idea.months));
    rows.push_back(std::move(idea.suggestion));
  }
  if (rows.empty()) run.NoteSeedWithoutIdeas(seed);
  pages::ProviderPage page = pages::SuggestionPage(seed, rows);
  if (page.left_out > 0) run.NotePhrasesLeftOut(page.left_out);
  result.body = std::move(page.text);
  return result;
}

FetchResult DataForSeoSource::PhraseList(ProviderRun& run, const Cancellation& cancelled) {
  const std::vector<std::string>& phrases = run.Parameters().phrases;
  // The last-month volume of each phrase by its lower-case text: the provider may write a
  // keyword in another letter case than it was asked.
  std::unordered_map<std::string, std::optional<std::uint64_t>> volumes;
  struct Batch {
    std::size_t begin;
    std::size_t end;
  };
  std::vector<Batch> batches;  // the last is asked next
  for (std::size_t end = phrases.size(); end > 0;) {
    const std::size_t begin = end > kMaxVolumeBatch ? end - kMaxVolumeBatch : 0;
    batches.push_back({begin, end});
    end = begin;
  }
  int splits_left = kMaxVolumeSplitCalls;
  while (!batches.empty()) {
    const Batch batch = batches.back();
    batches.pop_back();
    json keywords = json::array();
    for (std::size_t i = batch.begin; i < batch.end; ++i) keywords.push_back(phrases[i]);
    const json task = {{"keywords", std::move(keywords)},
                       {"location_code", location_code_},
                       {"language_code", language_code_}};
    std::vector<KeywordIdea> read;
    FetchResult result = caller_.Call(Post(kSearchVolumePath, task), run, cancelled,
                                      Priced({PricedCall::kSearchVolume}, true,
                                             [&read](long http_status, const std::string& body) {
                                               return ReadKeywordIdeas(http_status, body, read);
                                             }));
    if (!result.Complete()) return result;
    if (read.empty()) {
      // One phrase the provider refuses (a policy-restricted one) empties the whole batch: the
      // halves are asked again until it stands alone.
      const std::size_t size = batch.end - batch.begin;
      if (size == 1) {
        run.NotePhraseRefused(phrases[batch.begin]);
      } else if (splits_left >= 2) {
        splits_left -= 2;
        const std::size_t middle = batch.begin + size / 2;
        batches.push_back({middle, batch.end});
        batches.push_back({batch.begin, middle});
      } else {
        run.NotePhrasesUnmeasured(size);
      }
      continue;
    }
    for (KeywordIdea& idea : read)
      volumes.emplace(ascii::ToLower(idea.suggestion.phrase), idea.suggestion.demand);
  }
  std::vector<pages::Suggestion> rows;
  rows.reserve(phrases.size());
  for (const std::string& phrase : phrases) {
    const auto volume = volumes.find(ascii::ToLower(phrase));
    rows.push_back({phrase, volume == volumes.end() ? std::nullopt : volume->second});
  }
  pages::ProviderPage page = pages::SuggestionPage({}, rows);
  if (page.left_out > 0) run.NotePhrasesLeftOut(page.left_out);
  return {.body = std::move(page.text)};
}

FetchResult DataForSeoSource::Supply(const std::string& phrase, ProviderRun& run,
                                     const Cancellation& cancelled) {
  std::uint64_t count = 0;
  const json task = {{"keyword", "\"" + phrase + "\""},
                     {"location_code", location_code_},
                     {"language_code", language_code_},
                     {"depth", kSupplyDepth}};
  FetchResult result = Organic(task, kSupplyDepth, true, run, cancelled,
                               [&count](long http_status, const std::string& body) {
                                 return ReadResultCount(http_status, body, count);
                               });
  if (result.Complete()) result.body = pages::SupplyPage(count);
  return result;
}

FetchResult DataForSeoSource::Rank(const std::string& phrase, std::int64_t offset, ProviderRun& run,
                                   const Cancellation& cancelled) {
  const std::uint64_t run_number = run.Number();
  // One call covers every page the run will ask for; without the run's page count, at least
  // the page asked for.
  const std::int64_t depth =
      std::min(std::max(run.Parameters().max_pages * pages::kResultsPerRankPage,
                        offset + pages::kResultsPerRankPage - 1),
               kMaxOrganicDepth);
  const std::string domain = TargetDomain(run.Parameters().target);
  const std::string memo_key = phrase + '\n' + std::to_string(depth) + '\n' + domain;
  {
    const std::lock_guard lock(mutex_);
    // A new run asks again for what failed in an earlier one (an account topped up meanwhile);
    // what succeeded is in the reply cache.
    if (run_number != memo_run_number_) {
      ranks_.clear();
      memo_run_number_ = run_number;
    }
    if (const auto memo = ranks_.find(memo_key); memo != ranks_.end())
      return {.body = pages::RankPage(memo->second.urls, offset)};
  }

  json task = {{"keyword", phrase},
               {"location_code", location_code_},
               {"language_code", language_code_},
               {"depth", depth}};
  if (!domain.empty()) {
    task["stop_crawl_on_match"] =
        json::array({{{"match_value", domain}, {"match_type", "with_subdomains"}}});
  }
  std::vector<std::string> urls;
  FetchResult result = Organic(task, depth, domain.empty(), run, cancelled,
                               [&urls](long http_status, const std::string& body) {
                                 return ReadOrganicResults(http_status, body, urls);
                               });
  if (result.status == FetchStatus::kCancelled) return result;
  {
    const std::lock_guard lock(mutex_);
    // A call that a new run overtook leaves that run's memo alone. A failure is not kept here:
    // the run has it (a standing run asks again).
    if (memo_run_number_ == run_number && result.Complete()) {
      if (ranks_.size() >= kMaxRankMemos) ranks_.clear();
      ranks_[memo_key] = {urls};
    }
  }
  if (result.Complete()) result.body = pages::RankPage(urls, offset);
  return result;
}

}  // namespace quillmark::sources
