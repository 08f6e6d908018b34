// The stand-in's twelve months of demand: the right months, last month as the page showed it,
// the same every time for a phrase, and a season that rises and falls smoothly.

#include "demo/monthly_demand.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace quillmark::demo {
namespace {

TEST(DemoMonthlyDemand, TwelveMonthsEndingLastMonthWithTheShownDemand) {
  const struct {
    const char* phrase;
    std::int64_t demand;
    int today;
    MonthlyDemand first, last;
  } cases[] = {
      {"garden sheds", 12000, 20250315, {2024, 3, 0}, {2025, 2, 12000}},
      {"cheap garden sheds online", 40, 20250101, {2024, 1, 0}, {2024, 12, 40}},
      {"sheds", 0, 20251231, {2024, 12, 0}, {2025, 11, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.phrase);
    const std::vector<MonthlyDemand> months = DemoMonthlyDemand(c.phrase, c.demand, c.today);
    ASSERT_EQ(months.size(), 12u);
    EXPECT_EQ(std::make_pair(months.front().year, months.front().month),
              std::make_pair(c.first.year, c.first.month));
    EXPECT_EQ(months.back(), c.last);
    for (std::size_t i = 1; i < months.size(); ++i) {
      EXPECT_EQ(months[i].year * 12 + months[i].month,
                months[i - 1].year * 12 + months[i - 1].month + 1);
    }
    EXPECT_EQ(DemoMonthlyDemand(c.phrase, c.demand, c.today), months);
  }
}

// A plausible season: no month far from its neighbours, the year's swing at most about
// fourfold, and the peak in a month of the phrase's own.
TEST(DemoMonthlyDemand, ASmoothSeasonPeakingWhereThePhraseSays) {
  std::set<int> peaks;
  for (const char* phrase : {"a", "b", "c", "d", "e", "f", "garden", "sheds", "kites", "skis"}) {
    SCOPED_TRACE(phrase);
    const std::vector<MonthlyDemand> months = DemoMonthlyDemand(phrase, 100'000, 20250615);
    const auto [low, high] = std::minmax_element(
        months.begin(), months.end(),
        [](const MonthlyDemand& a, const MonthlyDemand& b) { return a.volume < b.volume; });
    EXPECT_GT(low->volume, 0);
    EXPECT_LT(high->volume, 5 * low->volume);
    for (std::size_t i = 1; i < months.size(); ++i) {
      const double step = static_cast<double>(months[i].volume) / months[i - 1].volume;
      EXPECT_TRUE(step > 0.6 && step < 1.6) << months[i].month << ": " << step;
    }
    peaks.insert(high->month);
  }
  EXPECT_GE(peaks.size(), 4u);
}

}  // namespace
}  // namespace quillmark::demo
