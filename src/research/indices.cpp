#include "research/indices.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "pages/page_format.h"
#include "research/decimal_separator.h"
#include "research/whole_number.h"

namespace quillmark {
namespace {

constexpr int kCostDecimals = 3;           // "#######0.###"
constexpr int kProfitabilityDecimals = 3;  // "##0.###"

std::int64_t WholeOrZero(std::string_view text) {
  return ReadWholeNumber(text).value_or(0);
}

}  // namespace

std::string ComputeCostPerProspect(std::string_view supply, std::string_view demand) {
  const std::int64_t s = WholeOrZero(supply);
  const std::int64_t d = WholeOrZero(demand);
  const long double value = d != 0 ? static_cast<long double>(s) / static_cast<long double>(d) : 0;
  return FormatDecimal(value, kCostDecimals);
}

std::string ComputeProfitability(std::string_view supply, std::string_view rank) {
  const std::int64_t s = supply == "?" ? 0 : WholeOrZero(supply);
  const std::int64_t r = rank == "-" ? 0 : WholeOrZero(rank);
  const std::int64_t page =
      r / pages::kResultsPerRankPage + (r % pages::kResultsPerRankPage > 0 ? 1 : 0);
  // Halving page - 1 times; scaling a power of two is exact, and large pages underflow to 0
  // just as repeated halving would, without the loop.
  long double share =
      page > 1 ? std::ldexp(1.0L, static_cast<int>(-std::min<std::int64_t>(page - 1, 1 << 20)))
               : 1.0L;
  if (s > 0) {
    // 64 bits: a negative rank near the 32-bit limit must not wrap the difference.
    share = static_cast<long double>(s - r + 1) / static_cast<long double>(s) * share;
  } else {
    share = 1;
  }
  if (r == 0) share = 0;
  return FormatDecimal(share * 100, kProfitabilityDecimals) + "%";
}

std::string EstimateProspects(std::string_view demand, std::string_view profitability_number) {
  const auto d = ReadWholeNumber(demand);
  const auto p = ReadDecimal(profitability_number);
  if (!d || !p) return "0";
  const long double value = static_cast<long double>(*d) * *p / 100;
  // Also catches NaN: a count of prospects is never negative.
  if (!(value > 0)) return "0";
  constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
  if (value >= kMax) return std::to_string(kMax);
  // Rounded on its decimal digits so that 1000 x 0.05 % gives 1, not 0 from binary noise.
  return FormatDecimal(value, 0);
}

}  // namespace quillmark
