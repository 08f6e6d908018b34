// qmk history over a history the store wrote: a phrase's runs and months in each format, the
// list of runs, forgetting, and the exit statuses.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/qmk_runner.h"
#include "history/history_fixture.h"

namespace quillmark::testing {
namespace {

class HistoryCommandTest : public ::testing::Test {
 protected:
  HistoryCommandTest() {
    history::HistoryStore store = history::OpenHistory(dir_.File("history.sqlite3")).store;
    history::RunRecord first = history::testing::MakeRun("garden sheds", 2, 1'700'000'000);
    first.rows[1].texts = {"?", "?", "0", "", "0%", "0"};
    first.rows[1].lookups.demand = DemandLookup::kUnknown;
    first.rows[1].lookups.supply = SupplyLookup::kNotFetched;
    first.rows[1].lookups.rank = RankLookup::kStopped;
    first.months = {{"garden sheds 1", {{2023, 9, 80}, {2023, 10, 95}}, true}};
    store.RecordRun(first);
    history::RunRecord second = history::testing::MakeRun("garden sheds", 3, 1'700'086'400);
    second.source = "dataforseo";
    second.calls = 4;
    second.money = 0.0125;
    store.RecordRun(second);
  }

  QmkResult History(std::vector<std::string> args) {
    args.insert(args.begin(), "history");
    return RunQmk(args, {"QUILLMARK_DATA_DIR=" + dir_.path().string(), "TZ=UTC"});
  }

  TempDir dir_{"qmk-history"};
};

TEST_F(HistoryCommandTest, APhrasesRunsAndMonthsInEachFormat) {
  const struct {
    const char* format;
    const char* out;
  } cases[] = {
      {"table",
       "Runs of \"garden sheds 1\" in United States, English:\n"
       "Date              Demand  Supply  Rank  Target       Source\n"
       "----------------  ------  ------  ----  -----------  ----------\n"
       "2023-11-15 22:13     999    5000     2  example.com  dataforseo\n"
       "2023-11-14 22:13       ?       ?        example.com  stand-in\n"
       "\n"
       "Monthly demand:\n"
       "Month    Searches  Figures\n"
       "-------  --------  ---------\n"
       "2023-09        80  generated\n"
       "2023-10        95  generated\n"},
      {"tsv",
       "run\t2023-11-15 22:13\t999\t5000\t2\texample.com\tdataforseo\n"
       "run\t2023-11-14 22:13\t?\t?\t\texample.com\tstand-in\n"
       "month\t2023-09\t80\t\t\t\tgenerated\n"
       "month\t2023-10\t95\t\t\t\tgenerated\n"},
      // Unmeasured figures are empty in CSV.
      {"csv",
       "Entry,Date,Demand,Supply,Rank,Target,Source\r\n"
       "run,2023-11-15 22:13,999,5000,2,example.com,dataforseo\r\n"
       "run,2023-11-14 22:13,,,,example.com,stand-in\r\n"
       "month,2023-09,80,,,,generated\r\n"
       "month,2023-10,95,,,,generated\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    const QmkResult result = History({"garden sheds 1", "--format", c.format});
    EXPECT_EQ(result.exit_code(), 0) << result.err;
    EXPECT_EQ(result.out, c.out);
  }

  const QmkResult json = History({"GARDEN SHEDS 1", "--format", "json", "--target", "example.com"});
  ASSERT_EQ(json.exit_code(), 0) << json.err;
  const nlohmann::json read = nlohmann::json::parse(json.out);
  ASSERT_EQ(read["runs"].size(), 2u);
  EXPECT_EQ(read["runs"][0]["demand"], 999);
  EXPECT_EQ(read["runs"][1]["supply"], nullptr);
  EXPECT_EQ(read["runs"][1]["supply_text"], "?");
  EXPECT_EQ(read["months"][1],
            (nlohmann::json{{"year", 2023}, {"month", 10}, {"volume", 95}, {"generated", true}}));
}

TEST_F(HistoryCommandTest, TheRunsAndForgetting) {
  QmkResult result = History({"--runs"});
  EXPECT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(result.out,
            "Date              Seed          Source      Rows  Calls    Money\n"
            "----------------  ------------  ----------  ----  -----  -------\n"
            "2023-11-15 22:13  garden sheds  dataforseo     3      4  $0.0125\n"
            "2023-11-14 22:13  garden sheds  stand-in       2      0  $0.0000\n");

  result = History({"--forget", "garden sheds 1"});
  EXPECT_EQ(result.out, "Forgot \"garden sheds 1\": 0 runs, 2 rows and 2 months of demand.\n");
  result = History({"--before", "2023-11-15"});
  EXPECT_EQ(result.out,
            "Forgot everything before 2023-11-15: 1 run, 1 row and 0 months of demand.\n");
  EXPECT_EQ(History({"--runs", "--format", "tsv"}).out,
            "2023-11-15 22:13\tgarden sheds\tdataforseo\t2\t4\t$0.0125\n");
}

TEST_F(HistoryCommandTest, ExitStatuses) {
  const struct {
    std::vector<std::string> args;
    int exit_code;
    const char* err;
  } cases[] = {
      {{}, 2, "history takes one of PHRASE, --runs, --forget PHRASE or --before DATE"},
      {{"x", "--runs"}, 2, "history takes one of"},
      {{"--before", "2023-02-30"}, 2, "--before takes a date as YYYY-MM-DD"},
      {{"x", "--location", "Germny"}, 2, "did you mean Germany?"},
      {{"x", "--format", "xml"}, 2, "--format"},
  };
  for (const auto& c : cases) {
    const QmkResult result = History(c.args);
    EXPECT_EQ(result.exit_code(), c.exit_code) << result.err;
    EXPECT_NE(result.err.find(c.err), std::string::npos) << result.err;
  }
  // A history that cannot be kept where it should be: its folder is a file.
  const QmkResult blocked =
      RunQmk({"history", "--runs"}, {"QUILLMARK_DATA_DIR=" + dir_.File("history.sqlite3") + "/x"});
  EXPECT_EQ(blocked.exit_code(), 1);
  EXPECT_NE(blocked.err.find("cannot make the folder"), std::string::npos) << blocked.err;
}

// Two researches of a seed a stand-in "day" apart: the second's last column says how each rank
// moved since the first; without --compare the rows are as ever, and --no-history keeps none.
TEST(ResearchHistory, ResearchesAreKeptAndComparedWithTheLastOne) {
  TempDir dir("qmk-research-history");
  const auto research = [&dir](const char* day, std::vector<std::string> more) {
    std::vector<std::string> args = {"research",    "--source", "stand-in", "--target",
                                     "example.com", "--pages",  "5",        "--results",
                                     "12",          "--format", "tsv",      "blue widgets"};
    args.insert(args.end(), more.begin(), more.end());
    const QmkResult result = RunQmk(args, {"QUILLMARK_DATA_DIR=" + dir.path().string(),
                                           std::string("QUILLMARK_DEMO_DAY=") + day});
    EXPECT_EQ(result.exit_code(), 0) << result.err;
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : SplitLines(result.out)) rows.push_back(SplitFields(line));
    return rows;
  };
  const auto first = research("0", {"--compare"});
  ASSERT_EQ(first.size(), 12u);
  // A seed's first research has nothing to compare with.
  for (const auto& row : first) EXPECT_EQ(row.back(), "") << row[0];
  EXPECT_EQ(first[0].size(), 8u);

  const auto second = research("3", {"--compare"});
  ASSERT_EQ(second.size(), 12u);
  int moved = 0;
  for (std::size_t i = 0; i < second.size(); ++i) {
    const std::string& change = second[i].back();
    const std::string& rank = second[i][4];
    if (rank != first[i][4]) {
      ++moved;
      EXPECT_TRUE(change.rfind("up ", 0) == 0 || change.rfind("down ", 0) == 0 || change == "in" ||
                  change == "out")
          << second[i][0] << ": " << first[i][4] << " -> " << rank << ": " << change;
    } else {
      EXPECT_EQ(change, "") << second[i][0];
    }
  }
  EXPECT_GT(moved, 0);

  EXPECT_EQ(research("3", {}).at(0).size(), 7u);
  research("3", {"--no-history"});
  // A top-searches listing is kept too, for what it cost, without a seed.
  const std::string data_dir = "QUILLMARK_DATA_DIR=" + dir.path().string();
  EXPECT_EQ(RunQmk({"top", "--source", "stand-in", "--format", "tsv"}, {data_dir}).exit_code(), 0);
  EXPECT_EQ(RunQmk({"top", "--source", "stand-in", "--no-history"}, {data_dir}).exit_code(), 0);
  const QmkResult runs = RunQmk({"history", "--runs", "--format", "tsv"}, {data_dir});
  const auto lines = SplitLines(runs.out);
  ASSERT_EQ(lines.size(), 4u) << runs.out;
  EXPECT_EQ(SplitFields(lines[0]).at(1), "(top searches)") << runs.out;
  EXPECT_EQ(SplitFields(lines[0]).at(2), "stand-in") << runs.out;
}

}  // namespace
}  // namespace quillmark::testing
