#include "demo/monthly_demand.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "demo/demo_random.h"
#include "demo/demo_text.h"

namespace quillmark::demo {
namespace {

constexpr int kMonths = 12;
// How far the season swings either way around its mean: from barely to strongly seasonal.
constexpr double kMinSwing = 0.1;
constexpr double kMaxSwing = 0.6;
// Month-to-month noise, either way.
constexpr double kNoise = 0.06;

}  // namespace

std::vector<MonthlyDemand> DemoMonthlyDemand(std::string_view phrase, std::int64_t last_month,
                                             int today) {
  DemoRandom rng(NormalizePhrase(phrase) + "|season");
  const auto peak = static_cast<int>(rng.Below(kMonths));  // 0 = January
  const double swing = kMinSwing + (kMaxSwing - kMinSwing) * rng.Unit();
  const auto season = [&](int month_index) {
    return 1.0 + swing * std::cos(2 * std::numbers::pi * (month_index - peak) / kMonths);
  };

  // The month before today's, counted from year 0 so the twelve roll over the year's end.
  const int last = (today / 10000) * 12 + (today / 100 % 100 - 1) - 1;
  const double last_season = season(last % 12);
  std::vector<MonthlyDemand> months;
  months.reserve(kMonths);
  for (int when = last - kMonths + 1; when <= last; ++when) {
    const double noise = 1.0 + kNoise * (2 * rng.Unit() - 1);
    const double value = static_cast<double>(last_month) * season(when % 12) / last_season * noise;
    const std::int64_t volume =
        when == last ? last_month : std::max<std::int64_t>(0, std::llround(value));
    months.push_back({when / 12, when % 12 + 1, volume});
  }
  return months;
}

}  // namespace quillmark::demo
