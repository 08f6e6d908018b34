// What the front ends say about provider calls.

#include "session/provider_calls.h"

#include <gtest/gtest.h>

namespace quillmark::testing {
namespace {

TEST(ProviderCalls, TheCallsAreSaidWithWhatTheyCost) {
  const struct {
    sources::CallCounts calls;
    const char* said;
  } cases[] = {
      {{.made = 21, .from_cache = 3, .retries = 0, .cost = 0.042},
       "21 provider calls (3 from the cache), $0.0420"},
      {{.made = 1, .from_cache = 0, .retries = 0, .cost = 0},
       "1 provider call (0 from the cache), $0.0000"},
      {{.made = 10, .from_cache = 0, .retries = 1, .cost = 0.67504},
       "10 provider calls (0 from the cache, 1 retry after a rate limit), $0.6750"},
      {{.made = 9, .from_cache = 2, .retries = 2, .cost = 12.99996},
       "9 provider calls (2 from the cache, 2 retries after a rate limit), $13.0000"},
  };
  for (const auto& c : cases) EXPECT_EQ(session::CallsText(c.calls), c.said);
  EXPECT_EQ(session::MostCallsText(10), "up to 21 provider calls");
  // A balance in debt keeps its sign; one that rounds to nothing has none.
  EXPECT_EQ(session::MoneyText(-1.5), "-$1.5000");
  EXPECT_EQ(session::MoneyText(-0.00001), "$0.0000");
}

}  // namespace
}  // namespace quillmark::testing
