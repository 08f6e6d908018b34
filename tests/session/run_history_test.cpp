// What the front ends keep of a run and how they compare its rows with earlier runs: the record
// with its months, the change markers against the same or another market or target, a history
// that cannot be written, and the export.

#include "session/run_history.h"

#include <gtest/gtest.h>

#include <vector>

#include "history/history_file.h"
#include "session/history_export.h"
#include "store/support/file_size_limit.h"
#include "support/temp_dir.h"

namespace quillmark::session {
namespace {

const history::Market kUs{2840, "en"};
const history::Market kGermany{2276, "de"};

struct RowSpec {
  std::string keyword;
  std::string demand;
  std::string rank;  // "-" with kNotFound
  RankLookup rank_lookup = RankLookup::kFound;
  DemandLookup demand_lookup = DemandLookup::kCounted;
};

// A seed research's request and report with these rows, as a run of `origin` leaves them.
class EndedRun {
 public:
  EndedRun(const std::string& seed, const std::string& target, const std::vector<RowSpec>& rows,
           RunOrigin origin = {.source = "stand-in", .market = kUs, .generated = false}) {
    request.seed = seed;
    request.target_url = target;
    request.max_pages_text = "3";
    request.max_results = static_cast<int>(rows.size());
    report.origin = std::move(origin);
    report.started = 1'750'000'000;
    for (const RowSpec& given : rows) {
      KeywordRow& row = *list_.Append();
      list_.SetCaption(row, given.keyword);
      for (const std::string& text : {given.demand, std::string("5000"), std::string("1"),
                                      given.rank, std::string("1%"), std::string("2")})
        list_.AppendSubItem(row, text);
      list_.SetLookups(
          row, {given.demand_lookup, SupplyLookup::kCounted, "", given.rank_lookup, 3, 1, 0, ""});
    }
    report.rows = list_.Rows();
  }
  const KeywordRow& Row(std::size_t i) const { return *list_.Row(i); }

  RunRequest request;
  RunReport report;

 private:
  KeywordList list_;
};

class RunHistoryTest : public ::testing::Test {
 protected:
  quillmark::testing::TempDir dir_{"quillmark-run-history"};
  RunHistory history_{dir_.File("history.sqlite3")};
};

TEST_F(RunHistoryTest, TheRecordKeepsTheRunAndTheMonthsOfItsRows) {
  EndedRun generated("sheds", "a.com",
                     {{"sheds", "1200", "3"},
                      {"sheds uk", "?", "-", RankLookup::kNotFound, DemandLookup::kUnknown}},
                     {.source = "stand-in", .market = kUs, .generated = true});
  generated.report.stopped = true;
  generated.report.calls = {.made = 5, .from_cache = 2, .retries = 1, .cost = 0.25};
  const history::RunRecord record = MakeRunRecord(generated.request, generated.report);
  EXPECT_EQ(
      std::tie(record.source, record.market, record.seed, record.target, record.max_pages,
               record.results_asked, record.stopped, record.started),
      std::make_tuple("stand-in", kUs, "sheds", "a.com", 3, 2, true, std::int64_t{1'750'000'000}));
  EXPECT_EQ(std::tie(record.calls, record.cached_calls, record.retries),
            std::make_tuple(std::int64_t{5}, std::int64_t{2}, std::int64_t{1}));
  ASSERT_EQ(record.rows.size(), 2u);
  EXPECT_EQ(record.rows[1].texts[3], "-");
  EXPECT_EQ(record.rows[1].lookups.demand, DemandLookup::kUnknown);
  // Made up for the counted demand only, ending with it.
  ASSERT_EQ(record.months.size(), 1u);
  EXPECT_TRUE(record.months[0].generated);
  ASSERT_EQ(record.months[0].months.size(), 12u);
  EXPECT_EQ(record.months[0].months.back().volume, 1200);

  // A provider's months go under the row they belong to, whatever the blanks and letter case;
  // those of phrases the list does not show are not kept.
  EndedRun provider("sheds", "", {{"garden sheds", "90", "", RankLookup::kNotAsked}},
                    {.source = "dataforseo", .market = kGermany});
  provider.report.months = {{" Garden Sheds ", {{2025, 4, 80}, {2025, 5, 90}}},
                            {"not listed", {{2025, 5, 1}}}};
  const history::RunRecord kept = MakeRunRecord(provider.request, provider.report);
  ASSERT_EQ(kept.months.size(), 1u);
  EXPECT_EQ(kept.months[0].phrase, "garden sheds");
  EXPECT_FALSE(kept.months[0].generated);
  EXPECT_EQ(kept.months[0].months.size(), 2u);

  // The run goes into the file; a top searches listing as a run alone, for its calls.
  EXPECT_TRUE(history_.Record(generated.request, generated.report).id);
  provider.report.mode = ResearchMode::kTopSearches;
  provider.report.calls.cost = 0.5;
  EXPECT_TRUE(history_.Record(provider.request, provider.report).id);
  const std::vector<history::RunSummary> runs = history_.Store()->Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(std::tie(runs[0].seed, runs[0].rows, runs[0].money),
            std::make_tuple("", std::int64_t{0}, 0.5));
  EXPECT_EQ(history_.Store()->Months("sheds", kUs).size(), 12u);
  EXPECT_TRUE(history_.Store()->Months("garden sheds", kGermany).empty());
}

// A second research of a seed against the first: each row's change in words, as qmk's
// --compare prints it and the window marks it.
TEST_F(RunHistoryTest, RowsAreComparedWithTheRunsOfTheSameSourceMarketAndTarget) {
  const EndedRun first("sheds", "a.com",
                       {{"sheds", "1000", "10"},
                        {"sheds uk", "100", "5"},
                        {"sheds diy", "200", "-", RankLookup::kNotFound},
                        {"sheds used", "300", "7"},
                        {"sheds cheap", "400", "30"}});
  const std::vector<RowSpec> rows = {
      {"sheds", "1050", "7"},                             // demand +5%: unmarked
      {"Sheds UK", "150", "17"},                          // in any letter case
      {"sheds diy", "100", "4"},                          // into the pages
      {"sheds used", "300", "-", RankLookup::kNotFound},  // out of them
      {"sheds cheap", "400", "30"},                       // the same
      {"sheds new", "50", "9"},                           // in no earlier run
      {"sheds file", "", "", RankLookup::kNotAsked, DemandLookup::kNotAsked},  // from a file
  };
  const struct {
    const char* what;
    history::Market market;
    const char* target;
    std::vector<std::string> words;
  } cases[] = {
      {"same market and target",
       kUs,
       "a.com",
       {"up 3", "down 12, demand +50%", "in, demand -50%", "out", "", "new", ""}},
      // Demand does not depend on the target; the rank does, and this seed was never
      // researched for b.com, so no phrase is new there.
      {"another target", kUs, "b.com", {"", "demand +50%", "demand -50%", "", "", "", ""}},
      {"another market", kGermany, "a.com", {"", "", "", "", "", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RunHistory history(dir_.File(std::string(c.what) + ".sqlite3"));
    ASSERT_TRUE(history.Record(first.request, first.report).id);
    EndedRun second("sheds", c.target, rows, {.source = "stand-in", .market = c.market});
    RunComparison comparison(*history.Store(), second.report.origin, "sheds", c.target);
    for (std::size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(comparison.Words(second.Row(i)), c.words[i]) << rows[i].keyword;

    // Once kept, the run is no earlier run of its own.
    const RunHistory::Recorded recorded = history.Record(second.request, second.report);
    ASSERT_TRUE(recorded.id);
    RunComparison after(*history.Store(), second.report.origin, "sheds", c.target);
    after.SetRecorded(*recorded.id);
    for (std::size_t i = 0; i < rows.size(); ++i)
      EXPECT_EQ(after.Words(second.Row(i)), c.words[i]) << rows[i].keyword;
  }

  // The tooltip's line says what the rank was, and when.
  RunHistory history(dir_.File("tooltips.sqlite3"));
  ASSERT_TRUE(history.Record(first.request, first.report).id);
  const EndedRun second("sheds", "a.com", rows);
  RunComparison comparison(*history.Store(), second.report.origin, "sheds", "a.com");
  EXPECT_EQ(comparison.Change(second.Row(0), kColumnRank).previous,
            "Previous rank: 10 (" + HistoryDateText(1'750'000'000) + ")");
  EXPECT_EQ(comparison.Change(second.Row(3), kColumnDemand).previous,
            "Previous demand: 300 (" + HistoryDateText(1'750'000'000) + ")");
  EXPECT_EQ(comparison.Change(second.Row(5), kColumnRank).previous,
            "New: in none of the earlier runs of \"sheds\" for a.com");
}

TEST_F(RunHistoryTest, AHistoryThatCannotBeWrittenIsSaidOnceAndTheRunGoesOn) {
  const EndedRun run("sheds", "", {{"sheds", "10", "", RankLookup::kNotAsked}});
  {
    // The file cannot be made where a file stands in for its folder.
    quillmark::testing::WriteBytes(dir_.File("plain"), "x");
    RunHistory nowhere(dir_.File("plain") + "/history.sqlite3");
    const RunHistory::Recorded recorded = nowhere.Record(run.request, run.report);
    EXPECT_FALSE(recorded.id);
    EXPECT_NE(recorded.failure.find("The history is not kept: cannot make the folder"),
              std::string::npos)
        << recorded.failure;
    EXPECT_EQ(nowhere.TakeNotice(), recorded.failure);
    nowhere.Record(run.request, run.report);
    EXPECT_EQ(nowhere.TakeNotice(), "");
  }
  ASSERT_NE(history_.Store(), nullptr);
  RunHistory::Recorded full;
  {
    const quillmark::testing::FileSizeLimit disk_full(16 * 1024);
    std::vector<RowSpec> rows;
    for (int i = 0; i < 100; ++i)
      rows.push_back({std::string(3000, 'x') + std::to_string(i), "1", "", RankLookup::kNotAsked});
    const EndedRun large("large", "", rows);
    full = history_.Record(large.request, large.report);
  }
  EXPECT_FALSE(full.id);
  EXPECT_EQ(full.failure.rfind("The run was not kept in the history: cannot record the run", 0), 0u)
      << full.failure;
  EXPECT_TRUE(history_.Record(run.request, run.report).id);
}

TEST_F(RunHistoryTest, TheExportShowsCellsAsTheTableExportDoes) {
  EndedRun run("=sheds", "a.com",
               {{"=sheds", "1000", "4"},
                {"sheds uk", "?", "-", RankLookup::kStopped, DemandLookup::kUnknown}},
               {.source = "stand-in", .market = kUs, .generated = true});
  run.report.started = 1'750'000'000;
  ASSERT_TRUE(history_.Record(run.request, run.report).id);
  const std::string date = HistoryDateText(1'750'000'000);

  const std::string one = HistoryCsv(*history_.Store(), {"Sheds UK"});
  EXPECT_EQ(one,
            "Entry,Date,Source,Location,Language,Seed,Target,Keyword,Demand,Supply,"
            "Cost-per-Prospect,Rank #,Profitability,Estimated prospects #\r\n"
            "run," +
                date + ",stand-in,2840,en,'=sheds,a.com,sheds uk,,5000,,,,\r\n");
  const std::string all = HistoryCsv(*history_.Store(), {});
  EXPECT_NE(
      all.find("run," + date + ",stand-in,2840,en,'=sheds,a.com,'=sheds,1000,5000,1,4,1%,2\r\n"),
      std::string::npos)
      << all;
  // The stand-in's twelve months of the counted demand, marked as made up.
  EXPECT_NE(all.find(",generated,2840,en,,,'=sheds,1000,,,,,\r\n"), std::string::npos) << all;
}

}  // namespace
}  // namespace quillmark::session
