#include "research/lookup_status.h"

#include <gtest/gtest.h>

#include <string>

#include "research/keyword_row.h"

namespace quillmark {
namespace {

// A cell's note names every lookup the cell rests on that was not measured, and only those.
TEST(LookupStatus, ACellSaysEachUnmeasuredLookupItRestsOn) {
  const std::string demand = "demand unknown: the suggestion service gives no count of searches";
  const std::string supply = "page not fetched: time limit reached";
  LookupStatus lookups;
  lookups.demand = ReadDemandLookup("?");
  lookups.supply = SupplyLookup::kNotFetched;
  lookups.supply_reason = "time limit reached";
  lookups.rank = RankLookup::kFound;
  const std::string expected[kColumnCount] = {"",
                                              demand,
                                              supply,
                                              supply + "\n" + demand,
                                              "",
                                              "rank found\n" + supply,
                                              "rank found\n" + supply + "\n" + demand,
                                              ""};
  for (std::size_t column = 0; column < kColumnCount; ++column) {
    SCOPED_TRACE(kColumnTitles[column]);
    const auto c = static_cast<KeywordColumn>(column);
    EXPECT_EQ(DescribeUnmeasured(lookups, c), expected[column]);
    EXPECT_EQ(LookupFailed(lookups, c), !expected[column].empty());
  }
}

}  // namespace
}  // namespace quillmark
