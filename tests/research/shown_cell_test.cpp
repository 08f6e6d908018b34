#include "research/shown_cell.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "research/indices.h"
#include "research/keyword_list.h"

namespace quillmark {
namespace {

using ::testing::HasSubstr;

// How a cell shows, in short: its text, then a mark for its kind: none when measured, " ." for
// the page's own placeholder (untinted, empty in a spreadsheet), " ?" when unmeasured and " !"
// when no real value (both tinted, empty in a spreadsheet), " +" when beyond the calculation
// (tinted, kept).
std::string Shown(const ShownCell& cell) {
  static const char* const kMarks[] = {"", " .", " ?", " !", " +"};
  return cell.text + kMarks[static_cast<int>(cell.kind)];
}

// A row as a run fills it: the indices computed from the demand, supply and rank texts.
KeywordRowPtr Row(KeywordList& list, const std::string& demand, const std::string& supply,
                  const std::string& rank, const LookupStatus& lookups) {
  const KeywordRowPtr row = list.Append();
  list.SetCaption(*row, "phrase");
  const std::string profitability = ComputeProfitability(supply, rank);
  for (const std::string& text :
       {demand, supply, ComputeCostPerProspect(supply, demand), rank, profitability,
        EstimateProspects(demand, profitability.substr(0, profitability.size() - 1))})
    list.AppendSubItem(*row, text);
  list.SetLookups(*row, lookups);
  return row;
}

TEST(ShownCell, ANumberShowsOnlyWhereItWasMeasured) {
  LookupStatus supply_down, rank_stopped;
  supply_down.supply = SupplyLookup::kNotFetched;
  supply_down.supply_reason = "time limit reached";
  rank_stopped.rank = RankLookup::kStopped;
  const std::string huge = "18000000000000000000", large = "9200000000000000000";
  const struct {
    const char* name;
    std::string demand, supply, rank;
    LookupStatus lookups;
    // Demand, Supply, Cost-per-Prospect, Rank #, Profitability, Estimated prospects #.
    std::string shown[6];
    std::string cost_note;
  } cases[] = {
      // clang-format off
      {"measured", "100", "5000", "1", {}, {"100", "5000", "50", "1", "100%", "100"}, ""},
      {"demand 0", "0", "5000", "1", {}, {"0", "5000", "0 !", "1", "100%", "0"},
       "not a real cost: no searches last month (a demand of 0)"},
      {"no count", "100", "?", "1", {}, {"100", "? .", "? ?", "1", "? ?", "? ?"},
       "supply unknown: the result page shows no count"},
      {"no count, not ranked", "100", "?", "-", {}, {"100", "? .", "? ?", "-", "0%", "0"}, ""},
      {"supply too large", "100", huge, "1", {},
       {"100", huge + " +", "0 !", "1", "100% !", "100 !"}, huge},
      {"demand too large", large, "5000", "1", {},
       {large + " +", "5000", "0 !", "1", "100%", "0 !"}, large},
      {"demand unknown", "?", "5000", "1", {}, {"? ?", "5000", "? ?", "1", "100%", "? ?"},
       "demand unknown"},
      {"empty phrase", "7", "", "-", {}, {"7", " .", "? ?", "-", "0%", "0"}, "no phrase"},
      {"supply not fetched", "100", "?", "-", supply_down, {"100", "? ?", "? ?", "-", "0%", "0"},
       "page not fetched: time limit reached"},
      {"rank stopped", "100", "5000", "-", rank_stopped,
       {"100", "5000", "50", "- ?", "? ?", "? ?"}, ""},
      {"no rank in the file", "100", "5000", "", {}, {"100", "5000", "50", " .", "? ?", "? ?"}, ""},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeywordList list;
    const KeywordRowPtr row = Row(list, c.demand, c.supply, c.rank, c.lookups);
    for (std::size_t i = 0; i < 6; ++i) {
      const auto column = static_cast<KeywordColumn>(kColumnDemand + i);
      const ShownCell cell = ShowCell(*row, column);
      EXPECT_EQ(Shown(cell), c.shown[i]) << kColumnTitles[column];
      EXPECT_EQ(KindOfCell(*row, column), cell.kind) << kColumnTitles[column];
      EXPECT_EQ(cell.note.empty(), !cell.Tinted()) << kColumnTitles[column];
    }
    EXPECT_THAT(ShowCell(*row, kColumnCost).note, HasSubstr(c.cost_note));
    // The row keeps the texts it was given.
    EXPECT_EQ(*row->SubItem(kColumnCost - 1), ComputeCostPerProspect(c.supply, c.demand));
  }
}

}  // namespace
}  // namespace quillmark
