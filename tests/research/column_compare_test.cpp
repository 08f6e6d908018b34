#include "research/column_compare.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/decimal_separator_guard.h"

namespace quillmark {
namespace {

using testing::DecimalSeparatorGuard;

class ColumnCompareTest : public ::testing::Test {
 protected:
  // A row named `caption` whose sub-item for `column` is `text`; the sub-items before it are
  // filled with measured figures so that the column is present and rests on them.
  void AddRow(const std::string& caption, std::size_t column, const std::string& text) {
    static const char* const kMeasured[] = {"", "1", "1", "1", "1", "100%", "1"};
    auto row = list_.Append();
    list_.SetCaption(*row, caption);
    for (std::size_t c = 1; c < column; ++c) list_.AppendSubItem(*row, kMeasured[c]);
    if (column > 0) list_.AppendSubItem(*row, text);
  }
  void AddRows(std::size_t column, std::initializer_list<const char*> texts) {
    for (const char* text : texts) AddRow(text, column, text);
  }
  std::vector<std::string> SortedCaptions(std::size_t column) {
    SortKeywordList(list_, column);
    std::vector<std::string> captions;
    for (const auto& row : list_.Rows()) captions.push_back(row->Caption());
    return captions;
  }
  int Compare(std::size_t a, std::size_t b, std::size_t column) {
    return CompareRows(*list_.Row(a), *list_.Row(b), column);
  }

  KeywordList list_;
};

using Captions = std::vector<std::string>;

TEST_F(ColumnCompareTest, KeywordIsCaseBlindByCodeShorterFirst) {
  AddRows(kColumnKeyword, {"apple", "app", "Apple", "_x", "ax", "\xE4pfel", "Zoo", "APP"});
  EXPECT_EQ(Compare(0, 2, kColumnKeyword), 0);
  EXPECT_LT(Compare(1, 0, kColumnKeyword), 0);
  // a-z count as their capitals, so "_" (95) goes after every letter; bytes above 127 go last.
  EXPECT_EQ(SortedCaptions(kColumnKeyword),
            (Captions{"app", "APP", "apple", "Apple", "ax", "Zoo", "_x", "\xE4pfel"}));
}

TEST_F(ColumnCompareTest, DemandIsLargestFirstAndStaysSoOnASecondClick) {
  AddRows(kColumnDemand, {"12", "900", "0", "-3", "2147483647"});
  const Captions expected{"2147483647", "900", "12", "0", "-3"};
  EXPECT_EQ(SortedCaptions(kColumnDemand), expected);
  EXPECT_EQ(SortedCaptions(kColumnDemand), expected);
}

TEST_F(ColumnCompareTest, SupplyIsSmallestFirstWithoutWrapAround) {
  AddRows(kColumnSupply, {"12", "2147483647", "0", "-2147483648"});
  // In 32 bits 2147483647 - (-2147483648) wraps to -1 and would put them the wrong way round.
  EXPECT_GT(Compare(1, 3, kColumnSupply), 0);
  EXPECT_EQ(SortedCaptions(kColumnSupply), (Captions{"-2147483648", "0", "12", "2147483647"}));
}

TEST_F(ColumnCompareTest, UnreadableOrMissingTextsEqualEverything) {
  AddRows(kColumnSupply, {"12", "?", "", "1,000", "3000000000"});
  auto short_row = list_.Append();  // no sub-items at all
  list_.SetCaption(*short_row, "short");
  for (std::size_t other = 1; other < list_.Count(); ++other) {
    EXPECT_EQ(Compare(0, other, kColumnSupply), 0) << list_.Row(other)->Caption();
    EXPECT_EQ(Compare(other, 0, kColumnSupply), 0) << list_.Row(other)->Caption();
  }
  for (std::size_t column = kColumnDemand; column < kColumnCount; ++column) {
    EXPECT_EQ(Compare(0, 5, column), 0) << column;
  }
  // Nothing is comparable, so a stable sort leaves the order alone.
  const Captions before{"12", "?", "", "1,000", "3000000000", "short"};
  EXPECT_EQ(SortedCaptions(kColumnSupply), before);
  EXPECT_EQ(SortedCaptions(kColumnEffectiveness), before);
}

TEST_F(ColumnCompareTest, CostIsSmallestFirstAsDecimals) {
  AddRows(kColumnCost, {"3000000", "1", "5000000", "0.5", "0.333"});
  EXPECT_EQ(SortedCaptions(kColumnCost), (Captions{"0.333", "0.5", "1", "3000000", "5000000"}));
}

TEST_F(ColumnCompareTest, CostReadsTheRegionalSeparator) {
  DecimalSeparatorGuard comma(',');
  AddRows(kColumnCost, {"1,5", "0,5", "1.5"});
  EXPECT_EQ(Compare(0, 2, kColumnCost), 0);  // "1.5" is not a number here
  EXPECT_EQ(SortedCaptions(kColumnCost), (Captions{"0,5", "1,5", "1.5"}));
}

TEST_F(ColumnCompareTest, RankPutsNotRankedFirst) {
  AddRows(kColumnRank, {"3", "-", "1", "2", "-"});
  EXPECT_EQ(SortedCaptions(kColumnRank), (Captions{"-", "-", "1", "2", "3"}));
}

TEST_F(ColumnCompareTest, ProfitabilityIsLargestFirstAndDropsTheLastCharacter) {
  AddRows(kColumnProfitability, {"0%", "37.5%", "100%", "-70%"});
  EXPECT_EQ(SortedCaptions(kColumnProfitability), (Captions{"100%", "37.5%", "0%", "-70%"}));
  list_.Clear();

  // "12" loses its "2" and counts as 1; "%" alone is unreadable.
  AddRows(kColumnProfitability,
          {"12", "1%", "2%", "%", "37.5%", "37.5004%", "37.5005%", "37.501%"});
  EXPECT_EQ(Compare(0, 1, kColumnProfitability), 0);
  EXPECT_GT(Compare(0, 2, kColumnProfitability), 0);
  EXPECT_EQ(Compare(3, 2, kColumnProfitability), 0);
  // Values up to 0.0005 apart are equal (half a thousandth rounds to the even 0).
  EXPECT_EQ(Compare(4, 5, kColumnProfitability), 0);
  EXPECT_EQ(Compare(4, 6, kColumnProfitability), 0);
  EXPECT_GT(Compare(4, 7, kColumnProfitability), 0);
}

TEST_F(ColumnCompareTest, EstimateAndEffectivenessAreLargestFirst) {
  AddRows(kColumnEstimate, {"5", "488", "0"});
  EXPECT_EQ(SortedCaptions(kColumnEstimate), (Captions{"488", "5", "0"}));
  list_.Clear();
  AddRows(kColumnEffectiveness, {"5", "488", "0"});
  EXPECT_EQ(SortedCaptions(kColumnEffectiveness), (Captions{"488", "5", "0"}));
}

TEST_F(ColumnCompareTest, EqualRowsKeepTheirOrder) {
  AddRow("first", kColumnDemand, "7");
  AddRow("big", kColumnDemand, "9");
  AddRow("second", kColumnDemand, "7");
  AddRow("third", kColumnDemand, "+7");
  EXPECT_EQ(SortedCaptions(kColumnDemand), (Captions{"big", "first", "second", "third"}));
}

// A row whose text in the column rests on a lookup that was not measured goes after every
// measured row, whichever way the column sorts, and such rows keep their order even where their
// texts would swap them; the measured rows sort by their texts as ever.
TEST_F(ColumnCompareTest, UnmeasuredRowsGoLastInTheirOrder) {
  LookupStatus unknown_demand, supply_down, rank_stopped;
  unknown_demand.demand = DemandLookup::kUnknown;
  supply_down.supply = SupplyLookup::kNotFetched;
  rank_stopped.rank = RankLookup::kStopped;
  const struct {
    const char* caption;
    std::vector<std::string> texts;
    LookupStatus lookups;
  } rows[] = {
      {"a", {"?", "50", "9", "-", "0%", "0"}, unknown_demand},
      {"b", {"10", "?", "0", "3", "100%", "10"}, supply_down},
      {"c", {"20", "40", "2", "1", "100%", "20"}, {}},
      {"d", {"5", "60", "12", "-", "0%", "5"}, rank_stopped},
      {"e", {"30", "30", "1", "2", "100%", "30"}, {}},
  };
  const struct {
    KeywordColumn column;
    Captions sorted;
  } cases[] = {
      {kColumnKeyword, {"a", "b", "c", "d", "e"}},
      {kColumnDemand, {"e", "c", "b", "d", "a"}},
      {kColumnSupply, {"e", "c", "a", "d", "b"}},
      {kColumnCost, {"e", "c", "d", "a", "b"}},
      {kColumnRank, {"a", "c", "e", "b", "d"}},
      // b's rank 3 is scaled by its supply, which failed; a is not ranked, so measured.
      {kColumnProfitability, {"c", "e", "a", "b", "d"}},
      {kColumnEstimate, {"e", "c", "a", "b", "d"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(kColumnTitles[c.column]);
    list_.Clear();
    for (const auto& row : rows) {
      const KeywordRowPtr added = list_.Append();
      list_.SetCaption(*added, row.caption);
      for (const std::string& text : row.texts) list_.AppendSubItem(*added, text);
      list_.SetLookups(*added, row.lookups);
    }
    EXPECT_EQ(SortedCaptions(c.column), c.sorted);
    for (std::size_t i = 1; i < list_.Count(); ++i) EXPECT_LE(Compare(i - 1, i, c.column), 0) << i;
  }
}

// A cost computed as 0 from a demand of 0 or from a count too large for the calculation
// is no real cost: it goes after every real one, never first as the cheapest phrase.
TEST_F(ColumnCompareTest, ACostThatIsNoRealCostGoesAfterEveryRealOne) {
  const struct {
    const char* caption;
    std::vector<std::string> texts;  // demand, supply, cost
  } rows[] = {
      {"no searches", {"0", "5000", "0"}},
      {"dear", {"10", "30000", "3000"}},
      {"huge supply", {"10", "18000000000000000000", "0"}},
      {"cheap", {"10", "5", "0.5"}},
      {"huge demand", {"9200000000000000000", "5000", "0"}},
  };
  for (const auto& row : rows) {
    const KeywordRowPtr added = list_.Append();
    list_.SetCaption(*added, row.caption);
    for (const std::string& text : row.texts) list_.AppendSubItem(*added, text);
  }
  EXPECT_EQ(SortedCaptions(kColumnCost),
            (Captions{"cheap", "dear", "no searches", "huge supply", "huge demand"}));
}

TEST_F(ColumnCompareTest, SortAgreesWithTheComparisonOnEveryColumn) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> value(-50, 50);
  for (int i = 0; i < 300; ++i) {
    auto row = list_.Append();
    list_.SetCaption(*row, std::string(1, static_cast<char>('A' + i % 26)) + (i % 3 ? "b" : "B"));
    for (std::size_t c = 1; c < kColumnCount; ++c) {
      std::string text = std::to_string(value(random));
      if (c == kColumnCost) text += ".25";
      if (c == kColumnProfitability) text += ".5%";
      list_.AppendSubItem(*row, text);
    }
  }
  for (std::size_t column = 0; column < kColumnCount; ++column) {
    SortKeywordList(list_, column);
    for (std::size_t i = 1; i < list_.Count(); ++i) {
      ASSERT_LE(Compare(i - 1, i, column), 0) << "column " << column << " at " << i;
      ASSERT_EQ(list_.Row(i)->Index(), i);
    }
  }
}

TEST_F(ColumnCompareTest, RejectsAColumnPastTheLast) {
  AddRows(kColumnDemand, {"1"});
  EXPECT_THROW(SortKeywordList(list_, kColumnCount), std::out_of_range);
  EXPECT_THROW(Compare(0, 0, kColumnCount), std::out_of_range);
}

}  // namespace
}  // namespace quillmark
