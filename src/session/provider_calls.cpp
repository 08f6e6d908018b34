#include "session/provider_calls.h"

#include <algorithm>
#include <cmath>

#include "session/count_text.h"

namespace quillmark::session {

std::int64_t MostProviderCalls(int max_results) {
  return 1 + std::int64_t{max_results} * 2;
}

std::string MostCallsText(int max_results) {
  return "up to " + CountText(static_cast<std::size_t>(MostProviderCalls(max_results)),
                              "provider call", "provider calls");
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
  if (max_results <= 0) return calls.retries > 0 ? RetriesText(calls.retries) : std::string();
  if (calls.retries == 0) return MostCallsText(max_results);
  return std::to_string(MostProviderCalls(max_results)) + " calls planned, " +
         RetriesText(calls.retries);
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
