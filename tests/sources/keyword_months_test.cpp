// DataForSEO's monthly figures of each keyword idea, kept for the history beside last month's
// demand, which they leave as it was.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "sources/dataforseo_reply.h"
#include "sources/sources_limits.h"
#include "sources/support/fake_provider.h"

namespace quillmark::sources {
namespace {

using Months = std::vector<MonthlyDemand>;

std::vector<KeywordIdea> Read(const std::string& body, ReplyVerdict::Kind verdict) {
  std::vector<KeywordIdea> ideas;
  EXPECT_EQ(ReadKeywordIdeas(200, body, ideas).kind, verdict);
  return ideas;
}

TEST(KeywordMonths, EachIdeaKeepsItsMonthsOldestFirst) {
  const std::vector<KeywordIdea> ideas =
      Read(testing::fixtures::KeywordIdeas(), ReplyVerdict::kGood);
  ASSERT_EQ(ideas.size(), 4u);
  // Listed by last month's demand as before; the months beside it in calendar order.
  EXPECT_EQ(ideas[0].suggestion.phrase, "garden sheds");
  EXPECT_EQ(ideas[0].suggestion.demand, 14800);
  EXPECT_EQ(ideas[0].months, (Months{{2026, 9, 9900}, {2026, 10, 14800}}));
  EXPECT_EQ(ideas[2].suggestion.phrase, "metal garden sheds");
  EXPECT_EQ(ideas[2].months, (Months{{2026, 9, 3600}, {2026, 10, 2400}}));
  EXPECT_EQ(ideas[1].months, Months{});  // an empty list
  EXPECT_EQ(ideas[3].months, Months{});  // none at all
}

// Sixty months, one given twice, one without a volume, one that is no month: the newest 48
// real ones remain, each once, as the reply first gave it.
TEST(KeywordMonths, MonthsAreBoundedAndEachKeptOnce) {
  nlohmann::json months = nlohmann::json::array();
  for (int i = 0; i < 60; ++i)
    months.push_back({{"year", 2020 + i / 12}, {"month", i % 12 + 1}, {"search_volume", i}});
  months.push_back({{"year", 2024}, {"month", 12}, {"search_volume", 999}});
  months.push_back({{"year", 2025}, {"month", 1}, {"search_volume", nullptr}});
  months.push_back({{"year", 2024}, {"month", 13}, {"search_volume", 5}});
  const nlohmann::json ideas = {{{"keyword", "k"}, {"monthly_searches", months}}};
  const std::vector<KeywordIdea> read =
      Read(testing::fixtures::Ok(ideas.dump()), ReplyVerdict::kGood);
  ASSERT_EQ(read.size(), 1u);
  // The demand rule is as it was: the newest month has no figure and there is no average.
  EXPECT_EQ(read[0].suggestion.demand, std::nullopt);
  ASSERT_EQ(read[0].months.size(), kMaxIdeaMonths);
  EXPECT_EQ(read[0].months.front(), (MonthlyDemand{2021, 1, 12}));
  EXPECT_EQ(read[0].months.back(), (MonthlyDemand{2024, 12, 59}));
  // A refused reply lists nothing, months included.
  EXPECT_TRUE(Read(testing::fixtures::Envelope(40200, "Payment required.",
                                               testing::fixtures::Task(20000, "Ok.", ideas.dump())),
                   ReplyVerdict::kRefused)
                  .empty());
}

}  // namespace
}  // namespace quillmark::sources
