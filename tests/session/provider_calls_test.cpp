// What the front ends say about provider calls; the command line's tests show a plain run's.

#include "session/provider_calls.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

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
      {{.made = 3, .cost = 0.6, .tasks_posted = 200},
       "3 provider calls (0 from the cache, 200 tasks queued), $0.6000"},
  };
  for (const auto& c : cases) EXPECT_EQ(session::CallsText(c.calls), c.said);
  EXPECT_EQ(session::QueueWaitText("dataforseo", {.tasks_awaited = 100, .tasks_collected = 37}),
            "waiting for DataForSEO's queue: 37 of 100 tasks ready");
  EXPECT_EQ(session::QueueWaitText("dataforseo", {.tasks_awaited = 3, .tasks_collected = 3}), "");
  EXPECT_EQ(session::UncollectedTasksText(40),
            "40 queued tasks paid for and not collected; the same research within 30 days "
            "collects them free of charge");
  EXPECT_EQ(session::UnansweredCallsText(8),
            "8 calls sent, replies not seen; the provider may bill them");
  // A balance in debt keeps its sign; one that rounds to nothing has none.
  EXPECT_EQ(session::MoneyText(-1.5), "-$1.5000");
  EXPECT_EQ(session::MoneyText(-0.00001), "$0.0000");
}

// The worst case before a run: its calls, at the built-in prices until replies showed others.
TEST(ProviderCalls, TheWorstCaseIsSaidInCallsAndMoney) {
  TempDir folder("qm-prices");
  const sources::PriceTable built_in(folder.path().string());
  const auto request = [](int results, std::string target, std::string pages,
                          std::size_t phrases = 0,
                          sources::Economy economy = sources::Economy::kOff) {
    session::RunRequest r;
    r.economy = economy;
    r.max_results = results;
    r.target_url = std::move(target);
    r.max_pages_text = std::move(pages);
    for (std::size_t i = 0; i < phrases; ++i) r.phrases.push_back("p" + std::to_string(i));
    return r;
  };
  const struct {
    session::RunRequest request;
    const char* said;
  } cases[] = {
      // Ideas $0.075, a supply $0.002, a rank of 5 pages of 20 (10 priced pages) $0.0155.
      {request(100, "mysite.com", "5"), "up to 201 provider calls, at most $1.83"},
      {request(10, "", "5"), "up to 11 provider calls, at most $0.10"},
      // 20 pages of 20 ask for 200 results, the most a live call gives: 20 priced pages.
      {request(2, "mysite.com", "20"), "up to 5 provider calls, at most $0.14"},
      // A list of 1000 phrases is one search-volume call.
      {request(1000, "", "3", 1000), "up to 1001 provider calls, at most $2.08"},
      // Queued, supply and rank cost 0.3 of a live call, or 0.6 at high priority.
      {request(100, "mysite.com", "5", 0, sources::Economy::kNormal),
       "up to 201 provider calls, at most $0.60"},
      {request(100, "mysite.com", "5", 0, sources::Economy::kHigh),
       "up to 201 provider calls, at most $1.13"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(session::WorstCaseText(session::ResearchWorstCase(c.request, built_in)), c.said);

  // A reply's cost replaces the built-in price for its shape; a crawl stopped at the target's
  // domain may only raise it. Both are kept for the next table.
  {
    sources::PriceTable learning(folder.path().string());
    learning.Learn({sources::PricedCall::kOrganicLive, 10}, 0.003, true);
    learning.Learn({sources::PricedCall::kOrganicLive, 100}, 0.001, false);
    learning.Learn({sources::PricedCall::kOrganicLive, 60}, 0.02, false);
  }
  const sources::PriceTable learned(folder.path().string());
  EXPECT_DOUBLE_EQ(learned.Price({sources::PricedCall::kOrganicLive, 10}), 0.003);
  EXPECT_DOUBLE_EQ(learned.Price({sources::PricedCall::kOrganicLive, 100}), 0.0155);
  EXPECT_DOUBLE_EQ(learned.Price({sources::PricedCall::kOrganicLive, 60}), 0.02);
  EXPECT_DOUBLE_EQ(learned.Price({sources::PricedCall::kOrganicQueued, 10}), 0.0006);
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
