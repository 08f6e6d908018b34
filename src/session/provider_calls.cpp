#include "session/provider_calls.h"

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

std::string CallsText(const sources::CallCounts& calls) {
  std::string text =
      CountText(static_cast<std::size_t>(calls.made), "provider call", "provider calls") + " (" +
      std::to_string(calls.from_cache) + " from the cache";
  if (calls.retries > 0) {
    text += ", " + CountText(static_cast<std::size_t>(calls.retries), "retry", "retries") +
            " after a rate limit";
  }
  return text + "), " + MoneyText(calls.cost);
}

}  // namespace quillmark::session
