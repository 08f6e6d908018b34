#include "session/provider_calls.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "history/history_file.h"
#include "pages/page_format.h"
#include "research/whole_number.h"
#include "session/count_text.h"
#include "sources/sources_limits.h"

namespace quillmark::session {

std::int64_t MostProviderCalls(int max_results) {
  return 1 + std::int64_t{max_results} * 2;
}

std::string MostCallsText(int max_results) {
  return "up to " + CountText(static_cast<std::size_t>(MostProviderCalls(max_results)),
                              "provider call", "provider calls");
}

WorstCase ResearchWorstCase(const RunRequest& request, const sources::PriceTable& prices) {
  using sources::PricedCall;
  const auto phrases = static_cast<std::int64_t>(std::max(request.max_results, 0));
  WorstCase worst;
  const auto add = [&worst, &prices](std::int64_t calls, sources::CallShape shape) {
    worst.calls += calls;
    worst.money += static_cast<double>(calls) * prices.Price(shape);
  };
  if (request.phrases.empty()) {
    add(1, {PricedCall::kKeywordIdeas});
  } else {
    const auto batch = static_cast<std::int64_t>(sources::kMaxVolumeBatch);
    add((static_cast<std::int64_t>(request.phrases.size()) + batch - 1) / batch,
        {PricedCall::kSearchVolume});
  }
  // Queued, a task is billed like a call; its post is one call for up to kMaxTasksPerPost
  // tasks, yet at worst each task goes in a post of its own.
  const PricedCall organic =
      request.economy == sources::Economy::kHigh     ? PricedCall::kOrganicQueuedHigh
      : request.economy == sources::Economy::kNormal ? PricedCall::kOrganicQueued
                                                     : PricedCall::kOrganicLive;
  add(phrases, {organic, sources::kSupplyDepth});
  const std::int64_t pages = ReadWholeNumber(request.max_pages_text).value_or(0);
  if (!request.target_url.empty() && pages > 0) {
    add(phrases,
        {organic, std::min(pages * pages::kResultsPerRankPage, sources::kMaxOrganicDepth)});
  }
  return worst;
}

std::string WorstCaseText(const WorstCase& worst) {
  return "up to " +
         CountText(static_cast<std::size_t>(worst.calls), "provider call", "provider calls") +
         ", at most " + MoneyUpText(worst.money);
}

std::string MoneyUpText(double usd) {
  // A hair below the cent is the sum's rounding, not money: 1.2300000001 is $1.23.
  const long long cents = std::llround(std::ceil(usd * 100 - 1e-6));
  std::string fraction = std::to_string(std::abs(cents) % 100);
  fraction.insert(0, 2 - fraction.size(), '0');
  return std::string(cents < 0 ? "-$" : "$") + std::to_string(std::abs(cents) / 100) + "." +
         fraction;
}

std::optional<double> MoneySpentThisMonth() {
  try {
    const std::string path = history::HistoryFilePath();
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return error ? std::nullopt : std::optional(0.0);
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return std::nullopt;
    return history::OpenHistory(path).store.MoneySpent(local.tm_year + 1900, local.tm_mon + 1);
  } catch (...) {
    return std::nullopt;
  }
}

std::string SpentThisMonthText(const std::optional<double>& spent) {
  if (!spent) return "what was spent this month is not known: the history cannot be read";
  return MoneyText(*spent) + " spent this month (the runs in the history)";
}

std::string MoneyText(double usd) {
  // Whole numbers, not printf: the window's locale may write its point as a comma. A balance
  // can be below zero, and must not read as an empty account then.
  const long long hundredths_of_cents = std::llround(std::abs(usd) * 10000);
  std::string fraction = std::to_string(hundredths_of_cents % 10000);
  fraction.insert(0, 4 - fraction.size(), '0');
  return std::string(usd < 0 && hundredths_of_cents > 0 ? "-$" : "$") +
         std::to_string(hundredths_of_cents / 10000) + "." + fraction;
}

namespace {

std::string Count(std::int64_t count, const char* one, const char* many) {
  return CountText(static_cast<std::size_t>(std::max<std::int64_t>(count, 0)), one, many);
}

std::string RetriesText(std::int64_t retries) {
  return Count(retries, "retry", "retries") + " after a rate limit";
}

}  // namespace

std::string CallsText(const sources::CallCounts& calls) {
  std::string text = Count(calls.made, "provider call", "provider calls") + " (" +
                     std::to_string(calls.from_cache) + " from the cache";
  if (calls.tasks_posted > 0) text += ", " + Count(calls.tasks_posted, "task", "tasks") + " queued";
  if (calls.after_stop > 0)
    text += ", " + std::to_string(calls.after_stop) + " finished after Stop";
  if (calls.retries > 0) text += ", " + RetriesText(calls.retries);
  if (calls.in_flight > 0) text += ", " + std::to_string(calls.in_flight) + " awaiting a reply";
  return text + "), " + MoneyText(calls.cost);
}

std::string RunningCallsText(const std::string& provider, int max_results,
                             const sources::CallCounts& calls, std::chrono::milliseconds waiting) {
  if (waiting.count() > 0) {
    return "waiting " + std::to_string(std::chrono::ceil<std::chrono::seconds>(waiting).count()) +
           " s: " + ProviderTitle(provider) + " asked to slow down";
  }
  if (std::string queue = QueueWaitText(provider, calls); !queue.empty()) return queue;
  if (max_results <= 0) return calls.retries > 0 ? RetriesText(calls.retries) : std::string();
  if (calls.retries == 0) return MostCallsText(max_results);
  return std::to_string(MostProviderCalls(max_results)) + " calls planned, " +
         RetriesText(calls.retries);
}

std::string QueueWaitText(const std::string& provider, const sources::CallCounts& calls) {
  if (calls.tasks_awaited <= calls.tasks_collected) return {};
  return "waiting for " + ProviderTitle(provider) +
         "'s queue: " + std::to_string(calls.tasks_collected) + " of " +
         Count(calls.tasks_awaited, "task", "tasks") + " ready";
}

std::string UncollectedTasksText(std::int64_t tasks) {
  return Count(tasks, "queued task", "queued tasks") + " paid for and not collected; " +
         "the same research within " +
         std::to_string(
             std::chrono::duration_cast<std::chrono::days>(sources::kQueuedResultsKept).count()) +
         " days collects " + (tasks == 1 ? "it" : "them") + " free of charge";
}

std::string UnansweredCallsText(std::int64_t calls) {
  return calls == 1 ? "1 call sent, reply not seen; the provider may bill it"
                    : std::to_string(calls) +
                          " calls sent, replies not seen; the provider may "
                          "bill them";
}

std::string ProviderTitle(const std::string& provider) {
  switch (sources::ParseSourceName(provider).value_or(sources::SourceKind::kEndpoints)) {
    case sources::SourceKind::kDataForSeo:
      return "DataForSEO";
    case sources::SourceKind::kTrends:
      return "Google Trends";
    default:
      return provider;
  }
}

}  // namespace quillmark::session
