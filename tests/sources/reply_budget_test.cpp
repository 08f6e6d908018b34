// The bytes of replies held at once: bounded, except for the oldest reply still being read, so
// the replies always move on.

#include "sources/reply_budget.h"

#include <gtest/gtest.h>

#include <memory>

namespace quillmark::sources {
namespace {

TEST(ReplyBudgetTest, TheOldestReplyReadsOnTheOthersWaitForBytesToComeBack) {
  ReplyBudget budget(100);
  auto first = std::make_unique<ReplyBudget::Reader>(budget);
  ReplyBudget::Reader second(budget);
  ReplyBudget::Reader third(budget);
  EXPECT_TRUE(second.Take(60));
  EXPECT_FALSE(third.Take(50));  // 110 would not fit
  EXPECT_TRUE(first->Take(80));  // the oldest never waits: 140 held
  EXPECT_EQ(budget.Used(), 140u);
  EXPECT_FALSE(second.Take(1));

  // Read whole, the first holds its bytes but no longer goes first; dropped, it gives them back.
  first->Done();
  EXPECT_TRUE(second.Take(1));  // now the oldest still reading
  EXPECT_FALSE(third.Take(1));
  first.reset();
  EXPECT_EQ(budget.Used(), 61u);
  EXPECT_TRUE(third.Take(39));
  EXPECT_FALSE(third.Take(1));
}

}  // namespace
}  // namespace quillmark::sources
