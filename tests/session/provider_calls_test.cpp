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
  };
  for (const auto& c : cases) EXPECT_EQ(session::CallsText(c.calls), c.said);
  // A balance in debt keeps its sign; one that rounds to nothing has none.
  EXPECT_EQ(session::MoneyText(-1.5), "-$1.5000");
  EXPECT_EQ(session::MoneyText(-0.00001), "$0.0000");
}

}  // namespace
}  // namespace quillmark::testing
