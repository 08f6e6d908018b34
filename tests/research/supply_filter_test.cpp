#include "research/supply_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmark {
namespace {

// Rows "r0", "r1", ... with the given supplies; odd rows checked. nullptr: no supply at all.
void Fill(KeywordList& list, const std::vector<const char*>& supplies) {
  for (std::size_t i = 0; i < supplies.size(); ++i) {
    KeywordRow& row = *list.Append();
    list.SetCaption(row, "r" + std::to_string(i));
    list.AppendSubItem(row, "10");
    if (supplies[i] != nullptr) list.AppendSubItem(row, supplies[i]);
    list.SetChecked(row, i % 2 == 1);
  }
}

// What is left: caption, and "+" for a checked row.
std::vector<std::string> Left(const KeywordList& list) {
  std::vector<std::string> left;
  for (const auto& row : list.Rows()) left.push_back(row->Caption() + (row->Checked() ? "+" : ""));
  return left;
}

TEST(SupplyFilter, DeletesOnlyReadableSuppliesAboveTheThreshold) {
  struct Case {
    std::int32_t threshold;
    std::vector<const char*> supplies;
    std::vector<std::string> left;
  };
  const Case cases[] = {
      // Strictly greater goes; unreadable texts stay.
      {100000, {"250000", "100000", "99999", "?"}, {"r1+", "r2", "r3+"}},
      // Neighbours both above: the row moving up into a deleted place is examined too.
      {10, {"5", "11", "12", "13", "6"}, {"r0", "r4"}},
      // Beyond 32 bits is not a number, so it stays whatever the threshold.
      {1, {"3000000000", "2", "1", "", " 7", "-5", nullptr}, {"r0", "r2", "r3+", "r5+", "r6"}},
      {999999999, {"2147483647", "999999999"}, {"r1+"}},
      {5, {}, {}},
  };
  for (const Case& c : cases) {
    KeywordList list;
    Fill(list, c.supplies);
    const std::size_t before = list.Count();
    EXPECT_EQ(DeleteRowsAboveSupply(list, c.threshold), before - c.left.size());
    EXPECT_EQ(Left(list), c.left) << "threshold " << c.threshold;
  }
}

}  // namespace
}  // namespace quillmark
