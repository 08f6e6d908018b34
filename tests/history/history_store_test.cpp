// The store's round trip: runs with their lookups, monthly demand, the previous measurement,
// forgetting, and a write that fails on a full disk.

#include "history/history_store.h"

#include <gtest/gtest.h>

#include "history/history_file.h"
#include "history_fixture.h"
#include "store/support/file_size_limit.h"

namespace quillmark::history {
namespace {

using testing::HistoryTest;
using testing::kUs;
using testing::MakeRun;

TEST_F(HistoryTest, ARunComesBackAsRecordedWithItsLookups) {
  HistoryStore store = Open();
  RunRecord run = MakeRun("garden sheds", 3, 1'700'000'000);
  run.calls = 21;
  run.cached_calls = 3;
  run.retries = 1;
  run.money = 0.042;
  run.stopped = true;
  // A page that could not be fetched and a stopped rank: texts as shown, not measurements.
  run.rows[1].texts = {"?", "?", "0", "", "0%", "0"};
  run.rows[1].lookups = {DemandLookup::kUnknown,
                         SupplyLookup::kNotFetched,
                         "time limit reached",
                         RankLookup::kStopped,
                         5,
                         2,
                         1,
                         "reply cut short"};
  const RunId id = store.RecordRun(run);

  const std::vector<PhraseRun> runs = store.PhraseRuns("Garden Sheds 1", kUs, std::nullopt);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].run, id);
  EXPECT_EQ(runs[0].started, run.started);
  EXPECT_EQ(runs[0].source, "stand-in");
  EXPECT_EQ(runs[0].target, "example.com");
  EXPECT_EQ(std::tie(runs[0].demand, runs[0].supply, runs[0].rank),
            std::tie(run.rows[1].texts[0], run.rows[1].texts[1], run.rows[1].texts[3]));
  EXPECT_EQ(runs[0].lookups, run.rows[1].lookups);
  const Measured unmeasured = MeasuredFigures(runs[0]);
  EXPECT_FALSE(unmeasured.demand || unmeasured.supply || unmeasured.rank);
  const Measured measured =
      MeasuredFigures(store.PhraseRuns("garden sheds", kUs, "example.com")[0]);
  EXPECT_EQ(measured.demand, 1000);
  EXPECT_EQ(measured.rank, 1);

  const std::vector<RunSummary> summaries = store.Runs();
  ASSERT_EQ(summaries.size(), 1u);
  const RunSummary& s = summaries[0];
  EXPECT_EQ(std::tie(s.id, s.seed, s.market, s.target, s.max_pages, s.results_asked, s.stopped),
            std::tie(id, run.seed, kUs, run.target, run.max_pages, run.results_asked, run.stopped));
  EXPECT_EQ(std::tie(s.rows, s.calls, s.cached_calls, s.retries),
            std::make_tuple(std::int64_t{3}, std::int64_t{21}, std::int64_t{3}, std::int64_t{1}));
  EXPECT_DOUBLE_EQ(s.money, 0.042);

  // Another market, another target: not this phrase's story there.
  EXPECT_TRUE(store.PhraseRuns("garden sheds", {2276, "de"}, std::nullopt).empty());
  EXPECT_TRUE(store.PhraseRuns("garden sheds", kUs, "example.org").empty());
}

// Applied in order to one phrase: a newer figure replaces an older one of its month, a
// generated one never replaces a provider's, and what is no month is not kept.
TEST_F(HistoryTest, MonthsKeepTheNewestFigureAndProvidersOverGenerated) {
  HistoryStore store = Open();
  const struct {
    MonthlyDemand month;
    bool generated;
  } writes[] = {
      {{2024, 1, 100}, false}, {{2024, 1, 120}, false}, {{2024, 1, 999}, true},
      {{2024, 2, 50}, true},   {{2024, 2, 60}, false},  {{2024, 3, 70}, true},
      {{2024, 3, 75}, true},   {{2024, 13, 1}, false},  {{2024, 4, -1}, false},
  };
  for (const auto& w : writes) store.RecordMonths(kUs, {{"Sheds", {w.month}, w.generated}});
  const std::vector<StoredMonth> months = store.Months("sheds", kUs);
  ASSERT_EQ(months.size(), 3u);
  EXPECT_EQ(months[0].demand, (MonthlyDemand{2024, 1, 120}));
  EXPECT_FALSE(months[0].generated);
  EXPECT_EQ(months[1].demand, (MonthlyDemand{2024, 2, 60}));
  EXPECT_FALSE(months[1].generated);
  EXPECT_EQ(months[2].demand, (MonthlyDemand{2024, 3, 75}));
  EXPECT_TRUE(months[2].generated);
  EXPECT_EQ(store.Months("sheds", kUs, 1).at(0).demand.month, 3);
  EXPECT_TRUE(store.Months("sheds", {2276, "de"}).empty());
}

// Each figure comes from the latest earlier run of the same source and market that measured
// it; the rank only from runs with the same target.
TEST_F(HistoryTest, ThePreviousMeasurementSkipsWhatWasNotMeasured) {
  HistoryStore store = Open();
  const RunId first = store.RecordRun(MakeRun("p", 1, 100, "a.com"));  // 1000, 5000, rank 1
  RunRecord stopped = MakeRun("p", 1, 200, "b.com");
  stopped.rows[0].texts = {"?", "", "0", "7", "1%", "1"};
  stopped.rows[0].lookups.demand = DemandLookup::kUnknown;
  stopped.rows[0].lookups.supply = SupplyLookup::kSkipped;
  const RunId second = store.RecordRun(stopped);
  RunRecord not_found = MakeRun("p", 1, 300, "a.com");
  not_found.rows[0].texts = {"900", "4000", "4", "-", "0%", "0"};
  not_found.rows[0].lookups.rank = RankLookup::kNotFound;
  not_found.source = "dataforseo";
  const RunId third = store.RecordRun(not_found);

  const struct {
    const char* phrase;
    const char* source;
    Market market;
    const char* target;
    std::optional<RunId> before;
    bool seen;
    std::optional<std::int64_t> demand, supply, rank;
  } cases[] = {
      {"p", "stand-in", kUs, "a.com", std::nullopt, true, 1000, 5000, 1},
      {"P", "stand-in", kUs, "b.com", std::nullopt, true, 1000, 5000, 7},
      {"p", "stand-in", kUs, "b.com", second, true, 1000, 5000, std::nullopt},
      {"p", "stand-in", kUs, "a.com", first, false, {}, {}, {}},
      {"p", "dataforseo", kUs, "a.com", std::nullopt, true, 900, 4000, 0},
      {"p", "dataforseo", kUs, "a.com", third, false, {}, {}, {}},
      {"p", "stand-in", {2276, "de"}, "a.com", std::nullopt, false, {}, {}, {}},
      {"q", "stand-in", kUs, "a.com", std::nullopt, false, {}, {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.phrase) + " " + c.source + " " + c.target);
    const PreviousMeasurement previous =
        store.Previous(c.phrase, c.source, c.market, c.target, c.before);
    EXPECT_EQ(previous.seen, c.seen);
    EXPECT_EQ(previous.figures.demand, c.demand);
    EXPECT_EQ(previous.figures.supply, c.supply);
    EXPECT_EQ(previous.figures.rank, c.rank);
  }
}

TEST_F(HistoryTest, ForgettingRemovesThePhraseEverywhereAndLeavesNoTrace) {
  {
    HistoryStore store = Open();
    RunRecord alpha = MakeRun("alpha secret", 2, 1'000);  // "alpha secret", "alpha secret 1"
    alpha.months = {{"alpha secret", {{2024, 1, 5}, {2024, 2, 6}}, true}};
    store.RecordRun(alpha);
    RunRecord beta = MakeRun("beta", 3, 2'000);
    beta.rows[2].keyword = "alpha secret";
    store.RecordRun(beta);
  }
  // The last connection's close moved everything from the log into the file.
  ASSERT_NE(quillmark::testing::ReadBytes(File()).find("alpha secret"), std::string::npos);
  HistoryStore store = Open();
  const Forgotten forgotten = store.ForgetPhrase("ALPHA SECRET");
  EXPECT_EQ(std::tie(forgotten.runs, forgotten.rows, forgotten.months),
            std::make_tuple(std::int64_t{1}, std::int64_t{3}, std::int64_t{2}));
  EXPECT_TRUE(store.PhraseRuns("alpha secret 1", kUs, std::nullopt).empty());
  ASSERT_EQ(store.Runs().size(), 1u);
  EXPECT_EQ(store.Runs()[0].rows, 2);
  EXPECT_EQ(store.PhraseRuns("beta 1", kUs, std::nullopt).size(), 1u);
  // Neither the file nor its log keeps the text.
  for (const char* suffix : {"", "-wal"}) {
    if (std::filesystem::exists(File() + suffix)) {
      EXPECT_EQ(quillmark::testing::ReadBytes(File() + suffix).find("alpha secret"),
                std::string::npos)
          << suffix;
    }
  }

  // Before a time: the runs started before it, the months ended before its month.
  store.RecordMonths(kUs, {{"beta", {{2023, 12, 1}, {2024, 1, 2}}, false}});
  const std::int64_t jan_2024 = 1'704'153'600;  // 2024-01-02 00:00 UTC: January everywhere
  const Forgotten before = store.ForgetBefore(jan_2024);
  EXPECT_EQ(std::tie(before.runs, before.rows, before.months),
            std::make_tuple(std::int64_t{1}, std::int64_t{2}, std::int64_t{1}));
  EXPECT_TRUE(store.Runs().empty());
  EXPECT_EQ(store.Months("beta", kUs).size(), 1u);
}

TEST_F(HistoryTest, MoneyIsSummedByCalendarMonth) {
  HistoryStore store = Open();
  const std::int64_t mid_march = 1'710'460'800;  // 2024-03-15 UTC
  for (const auto& [started, money] :
       {std::pair{mid_march, 0.5}, {mid_march + 86'400, 0.25}, {mid_march + 40 * 86'400, 1.0}}) {
    RunRecord run = MakeRun("m", 1, started);
    run.money = money;
    store.RecordRun(run);
  }
  EXPECT_DOUBLE_EQ(store.MoneySpent(2024, 3), 0.75);
  EXPECT_DOUBLE_EQ(store.MoneySpent(2024, 4), 1.0);
  EXPECT_DOUBLE_EQ(store.MoneySpent(2024, 5), 0.0);
}

// A full disk fails the recording whole and says so; what was there stays and the next
// recording works.
TEST_F(HistoryTest, AFullDiskFailsOneRecordingWhole) {
  HistoryStore store = Open();
  store.RecordRun(MakeRun("kept", 2, 1));
  RunRecord big = MakeRun("lost", 100, 2);
  for (RunRow& row : big.rows) row.texts[5] = std::string(2000, 'x');
  {
    quillmark::testing::FileSizeLimit full(64 * 1024);
    try {
      store.RecordRun(big);
      ADD_FAILURE() << "no failure";
    } catch (const HistoryError& e) {
      EXPECT_NE(std::string(e.what()).find("cannot record the run in the history"),
                std::string::npos)
          << e.what();
    }
  }
  ASSERT_EQ(store.Runs().size(), 1u);
  EXPECT_TRUE(store.PhraseRuns("lost 5", kUs, std::nullopt).empty());
  store.RecordRun(MakeRun("later", 2, 3));
  EXPECT_EQ(store.Runs().size(), 2u);
}

}  // namespace
}  // namespace quillmark::history
