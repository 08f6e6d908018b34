// DataForSEO: keyword ideas with last month's volume (Keywords Data API), and the organic
// results of Google (SERP API) for the supply count and the rank. Replies are JSON with a status
// at the top and in each task; 20000 is success.

#include "sources/dataforseo_source.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>

#include "base/ascii.h"
#include "pages/page_format.h"
#include "pages/page_request.h"
#include "pages/page_writer.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

using nlohmann::json;

constexpr std::int64_t kSuccess = 20000;
constexpr std::int64_t kRateLimited = 40202;
constexpr const char* kKeywordsPath = "/v3/keywords_data/google_ads/keywords_for_keywords/live";
constexpr const char* kOrganicPath = "/v3/serp/google/organic/live/regular";
// United States, English: the market the suggestion request has always named.
constexpr int kLocationCode = 2840;
constexpr const char* kLanguageCode = "en";
// Rank memos kept at once; a research needs one per phrase.
constexpr std::size_t kMaxRankMemos = 1000;

// A count in a reply as a whole number from 0 to kMaxCount; -1 for null, text, or a negative
// figure. Read by kind, so no conversion can overflow.
std::int64_t Count(const json& object, const char* key) {
  const auto found = object.find(key);
  if (found == object.end()) return -1;
  if (found->is_number_unsigned())
    return static_cast<std::int64_t>(
        std::min<std::uint64_t>(found->get<std::uint64_t>(), kMaxCount));
  if (found->is_number_integer()) {
    const auto value = found->get<std::int64_t>();
    return value < 0 ? -1 : std::min<std::int64_t>(value, kMaxCount);
  }
  if (found->is_number_float()) {
    const double value = found->get<double>();
    if (!(value >= 0)) return -1;
    return value >= static_cast<double>(kMaxCount) ? kMaxCount : static_cast<std::int64_t>(value);
  }
  return -1;
}

// A text field of a reply; "" when it is absent, null or no text.
std::string Text(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
}

// The status of one level of a reply: nullopt when it is success, else the verdict.
std::optional<ReplyVerdict> StatusVerdict(const json& level, const char* where) {
  const auto code = level.find("status_code");
  if (code == level.end() || !code->is_number_integer())
    return ReplyVerdict{ReplyVerdict::kBad, std::string("reply without ") + where + " status_code"};
  const std::int64_t value = code->get<std::int64_t>();
  if (value == kSuccess) return std::nullopt;
  std::string reason = Text(level, "status_message");
  if (reason.empty()) reason = "status";
  reason += " (" + std::to_string(value) + ")";
  return ReplyVerdict{value == kRateLimited ? ReplyVerdict::kRateLimited : ReplyVerdict::kBad,
                      std::move(reason)};
}

// Checks the envelope of a reply and gives its first task.
ReplyVerdict ReadTask(long http_status, const std::string& body, json& task) {
  const json doc = json::parse(body, nullptr, false);
  if (doc.is_discarded() || !doc.is_object()) {
    return {ReplyVerdict::kBad,
            http_status != 200 ? "HTTP " + std::to_string(http_status) : "malformed JSON reply"};
  }
  if (auto verdict = StatusVerdict(doc, "its")) return *verdict;
  if (http_status != 200) return {ReplyVerdict::kBad, "HTTP " + std::to_string(http_status)};
  const auto tasks = doc.find("tasks");
  if (tasks == doc.end() || !tasks->is_array() || tasks->empty() || !tasks->front().is_object())
    return {ReplyVerdict::kBad, "reply without tasks"};
  if (auto verdict = StatusVerdict(tasks->front(), "a task")) return *verdict;
  task = tasks->front();
  return {ReplyVerdict::kGood, {}};
}

// The task's result list; null counts as empty.
const json* ResultList(const json& task) {
  static const json kEmpty = json::array();
  const auto result = task.find("result");
  if (result == task.end() || result->is_null()) return &kEmpty;
  return result->is_array() ? &*result : nullptr;
}

// The first entry of the task's result list, the one a search call answers with; nullptr when
// there is none.
const json* FirstResult(const json& task) {
  const json* results = ResultList(task);
  if (results == nullptr || results->empty() || !results->front().is_object()) return nullptr;
  return &results->front();
}

// Last month's searches: the newest monthly figure, else the average, else not known (a null
// volume is no figure at all, not a measured 0).
std::optional<std::int64_t> Demand(const json& item) {
  const auto months = item.find("monthly_searches");
  if (months != item.end() && months->is_array()) {
    const json* newest = nullptr;
    std::int64_t newest_month = -1;
    for (const json& month : *months) {
      if (!month.is_object()) continue;
      const std::int64_t year = Count(month, "year");
      const std::int64_t number = Count(month, "month");
      if (year < 0 || year > kMaxYear || number < 1 || number > 12) continue;
      const std::int64_t when = year * 12 + number;
      if (when > newest_month) {
        newest_month = when;
        newest = &month;
      }
    }
    if (newest != nullptr) {
      if (const std::int64_t volume = Count(*newest, "search_volume"); volume >= 0) return volume;
    }
  }
  if (const std::int64_t volume = Count(item, "search_volume"); volume >= 0) return volume;
  return std::nullopt;
}

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

DataForSeoSource::DataForSeoSource(const ProviderOptions& options, Credentials credentials,
                                   std::string base_url)
    : credentials_(std::move(credentials)),
      base_url_(std::move(base_url)),
      caller_("dataforseo", options, {credentials_.login, credentials_.password},
              kKeywordCacheLifetime) {}

void DataForSeoSource::SetRunParameters(const RunParameters& run) {
  std::lock_guard lock(mutex_);
  run_ = run;
  ++run_number_;
}

CallCounts DataForSeoSource::Calls() const {
  return caller_.Calls();
}

HttpsRequest DataForSeoSource::Post(const char* path, const json& task) const {
  return {.method = "POST",
          .url = base_url_ + path,
          .body = Body(task),
          .headers = {"Content-Type: application/json"},
          .login = credentials_.login,
          .password = credentials_.password};
}

FetchResult DataForSeoSource::Fetch(const std::string& url,
                                    const std::function<bool()>& cancelled) {
  const pages::PageRequest request = pages::ReadPageUrl(url);
  switch (request.kind) {
    case pages::PageKind::kSuggestion:
      return Suggestions(request.phrase, cancelled);
    case pages::PageKind::kSupply:
      return Supply(request.phrase, cancelled);
    case pages::PageKind::kRank:
      return Rank(request.phrase, request.offset, cancelled);
    default:
      return {.body = {},
              .status = FetchStatus::kFailed,
              .reason = "dataforseo: does not serve this page"};
  }
}

FetchResult DataForSeoSource::Suggestions(const std::string& seed,
                                          const std::function<bool()>& cancelled) {
  // An empty seed lists nothing, as the suggestion service did; it is not worth a paid call.
  if (seed.empty()) return {.body = pages::SuggestionPage(seed, {})};
  std::vector<pages::Suggestion> rows;
  const json task = {{"keywords", json::array({seed})},
                     {"location_code", kLocationCode},
                     {"language_code", kLanguageCode}};
  FetchResult result = caller_.Call(
      Post(kKeywordsPath, task), cancelled, [&rows](long http_status, const std::string& body) {
        rows.clear();
        json reply_task;
        ReplyVerdict verdict = ReadTask(http_status, body, reply_task);
        if (verdict.kind != ReplyVerdict::kGood) return verdict;
        const json* items = ResultList(reply_task);
        if (items == nullptr) return ReplyVerdict{ReplyVerdict::kBad, "result is not a list"};
        for (const json& item : *items) {
          const auto keyword = item.is_object() ? item.find("keyword") : item.end();
          if (!item.is_object() || keyword == item.end() || !keyword->is_string())
            return ReplyVerdict{ReplyVerdict::kBad, "keyword idea without its keyword"};
          rows.push_back({keyword->get<std::string>(), Demand(item)});
        }
        return verdict;
      });
  if (!result.Complete()) return result;
  // Listed by demand, largest first, the unknown ones last; equal demands keep the provider's
  // order.
  std::stable_sort(rows.begin(), rows.end(),
                   [](const pages::Suggestion& a, const pages::Suggestion& b) {
                     return a.demand.value_or(-1) > b.demand.value_or(-1);
                   });
  result.body = pages::SuggestionPage(seed, rows);
  return result;
}

FetchResult DataForSeoSource::Supply(const std::string& phrase,
                                     const std::function<bool()>& cancelled) {
  std::int64_t count = 0;
  const json task = {{"keyword", "\"" + phrase + "\""},
                     {"location_code", kLocationCode},
                     {"language_code", kLanguageCode},
                     {"depth", kSupplyDepth}};
  FetchResult result = caller_.Call(
      Post(kOrganicPath, task), cancelled, [&count](long http_status, const std::string& body) {
        json reply_task;
        ReplyVerdict verdict = ReadTask(http_status, body, reply_task);
        if (verdict.kind != ReplyVerdict::kGood) return verdict;
        const json* first = FirstResult(reply_task);
        count = first ? Count(*first, "se_results_count") : -1;
        if (count < 0) return ReplyVerdict{ReplyVerdict::kBad, "reply without se_results_count"};
        return verdict;
      });
  if (result.Complete()) result.body = pages::SupplyPage(count);
  return result;
}

FetchResult DataForSeoSource::Rank(const std::string& phrase, std::int64_t offset,
                                   const std::function<bool()>& cancelled) {
  RunParameters run;
  std::uint64_t run_number = 0;
  {
    std::lock_guard lock(mutex_);
    run = run_;
    run_number = run_number_;
  }
  // A new run asks again for what failed in an earlier one (an account topped up meanwhile);
  // what succeeded is in the reply cache.
  if (run_number != memo_run_number_) {
    ranks_.clear();
    memo_run_number_ = run_number;
  }
  // One call covers every page the run will ask for; without the run's page count, at least
  // the page asked for.
  const std::int64_t depth = std::min(
      std::max(run.max_pages * pages::kResultsPerRankPage, offset + pages::kResultsPerRankPage - 1),
      kMaxOrganicDepth);
  const std::string domain = TargetDomain(run.target);
  const std::string memo_key = phrase + '\n' + std::to_string(depth) + '\n' + domain;
  if (const auto memo = ranks_.find(memo_key); memo != ranks_.end()) {
    if (!memo->second.failure.empty())
      return {.body = {}, .status = FetchStatus::kFailed, .reason = memo->second.failure};
    return {.body = pages::RankPage(memo->second.urls, offset)};
  }

  json task = {{"keyword", phrase},
               {"location_code", kLocationCode},
               {"language_code", kLanguageCode},
               {"depth", depth}};
  if (!domain.empty()) {
    task["stop_crawl_on_match"] =
        json::array({{{"match_value", domain}, {"match_type", "with_subdomains"}}});
  }
  std::vector<std::string> urls;
  FetchResult result = caller_.Call(
      Post(kOrganicPath, task), cancelled, [&urls](long http_status, const std::string& body) {
        urls.clear();
        json reply_task;
        ReplyVerdict verdict = ReadTask(http_status, body, reply_task);
        if (verdict.kind != ReplyVerdict::kGood) return verdict;
        const json* first = FirstResult(reply_task);
        if (first == nullptr) return ReplyVerdict{ReplyVerdict::kBad, "reply without a result"};
        const auto items = first->find("items");
        if (items == first->end() || items->is_null()) return verdict;
        if (!items->is_array()) return ReplyVerdict{ReplyVerdict::kBad, "items is not a list"};
        // Positions count the organic results alone, in their rank_group order; ads, boxes
        // and the other item types hold no position of their own.
        std::vector<std::pair<std::int64_t, std::string>> organic;
        for (const json& item : *items) {
          if (!item.is_object() || Text(item, "type") != "organic") continue;
          const std::int64_t group = Count(item, "rank_group");
          const std::int64_t place = group >= 0 ? group : std::numeric_limits<std::int64_t>::max();
          std::string address = Text(item, "url");
          if (address.empty()) address = Text(item, "domain");
          organic.emplace_back(place, std::move(address));
        }
        std::stable_sort(organic.begin(), organic.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [place, address] : organic) urls.push_back(std::move(address));
        return verdict;
      });
  if (result.status == FetchStatus::kCancelled) return result;
  if (ranks_.size() >= kMaxRankMemos) ranks_.clear();
  ranks_[memo_key] = {urls, result.Complete() ? std::string() : result.reason};
  if (result.Complete()) result.body = pages::RankPage(urls, offset);
  return result;
}

}  // namespace quillmark::sources
