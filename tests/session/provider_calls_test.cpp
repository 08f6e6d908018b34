// What the front ends say about provider calls; the command line's tests show a plain run's.

#include "session/provider_calls.h"

#include <gtest/gtest.h>

namespace quillmark::testing {
namespace {

TEST(ProviderCalls, TheCallsAreSaidWithWhatTheyCost) {
  const struct {
    sources::CallCounts calls;
    const char* said;
  } cases[] = {
      {{.made = 1, .from_cache = 0, .retries = 0, .cost = 0},
       "1 provider call (0 from the cache), $0.0000"},
      {{.made = 9, .from_cache = 2, .retries = 2, .cost = 12.99996},
       "9 provider calls (2 from the cache, 2 retries after a rate limit), $13.0000"},
      {{.made = 17, .cost = 0.18, .after_stop = 8, .in_flight = 1},
       "17 provider calls (0 from the cache, 8 finished after Stop, 1 awaiting a reply), "
       "$0.1800"},
  };
  for (const auto& c : cases) EXPECT_EQ(session::CallsText(c.calls), c.said);
  EXPECT_EQ(session::UnansweredCallsText(8),
            "8 calls sent, replies not seen; the provider may bill them");
  // A balance in debt keeps its sign; one that rounds to nothing has none.
  EXPECT_EQ(session::MoneyText(-1.5), "-$1.5000");
  EXPECT_EQ(session::MoneyText(-0.00001), "$0.0000");
}

// While a run goes: a wait while it lasts, else the retries beyond the plan, else the plan.
TEST(ProviderCalls, ARunningRunSaysItsWaitOrItsRetries) {
  using std::chrono::milliseconds;
  const struct {
    int planned;
    std::int64_t retries;
    milliseconds waiting;
    const char* said;
  } cases[] = {
      {10, 0, milliseconds(0), "up to 21 provider calls"},
      {10, 16, milliseconds(0), "21 calls planned, 16 retries after a rate limit"},
      {10, 1, milliseconds(3200), "waiting 4 s: DataForSEO asked to slow down"},
      {0, 0, milliseconds(0), ""},
      {0, 1, milliseconds(0), "1 retry after a rate limit"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(session::RunningCallsText("dataforseo", c.planned, {.retries = c.retries}, c.waiting),
              c.said);
  }
}

}  // namespace
}  // namespace quillmark::testing
