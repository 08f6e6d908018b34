// The history file: a first-layout file brought up to date, a file that is not ours set aside,
// two processes writing at once, and a process killed while it writes.

#include "history/history_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

#include "history/schema.h"
#include "history/sqlite_db.h"
#include "history_fixture.h"
#include "support/child_process.h"

namespace quillmark::history {
namespace {

using testing::HistoryTest;
using testing::kUs;
using testing::MakeRun;

// Run by the tests below as a child process of this program: records QM_HISTORY_CHILD_RUNS runs
// of 100 rows, seeded QM_HISTORY_CHILD_SEED, in the history of QUILLMARK_DATA_DIR.
TEST(HistoryChild, RecordsRuns) {
  const char* runs = std::getenv("QM_HISTORY_CHILD_RUNS");
  if (runs == nullptr) GTEST_SKIP() << "only run as a child process";
  OpenedHistory opened = OpenHistory(HistoryFilePath());
  for (int i = 0; i < std::atoi(runs); ++i)
    opened.store.RecordRun(MakeRun(std::getenv("QM_HISTORY_CHILD_SEED"), 100, i));
}

std::unique_ptr<quillmark::testing::ChildProcess> StartWriter(const std::string& folder,
                                                              const std::string& seed, int runs) {
  return std::make_unique<quillmark::testing::ChildProcess>(
      std::vector<std::string>{"/proc/self/exe", "--gtest_filter=HistoryChild.RecordsRuns"},
      quillmark::testing::ChildProcess::Options{
          .extra_environment = {"QUILLMARK_DATA_DIR=" + folder, "QM_HISTORY_CHILD_SEED=" + seed,
                                "QM_HISTORY_CHILD_RUNS=" + std::to_string(runs)}});
}

// Every run has all the rows it was recorded with, and SQLite finds the file sound.
void ExpectWhole(const std::string& file) {
  Connection db(file, false);
  EXPECT_EQ(db.QueryInt("SELECT count(*) FROM runs r WHERE row_count != "
                        "(SELECT count(*) FROM run_rows WHERE run = r.id)"),
            0);
  Statement check = db.Prepare("PRAGMA integrity_check");
  ASSERT_TRUE(check.Step());
  EXPECT_EQ(check.Text(0), "ok");
  check.Reset();
}

TEST_F(HistoryTest, AFileOfTheFirstLayoutIsBroughtUpToDate) {
  {
    Connection db(File(), true);
    Transaction transaction(db);
    MigrateSchema(db, 1);
    db.Execute(R"sql(
      INSERT INTO runs VALUES(7, 1000, 'dataforseo', 2840, 'en', 'Garden', 'example.com', 3, 10,
                              0, 2, 4, 1, 0, 0.5);
      INSERT INTO run_rows VALUES(7, 0, 'Garden', '100', '50', '0.5', '4', '10%', '3',
                                  1, 1, NULL, 1, 3, 1, 0, NULL);
      INSERT INTO run_rows VALUES(7, 1, 'garden shed', '?', '', '0', '', '0%', '0',
                                  2, 4, NULL, 4, 3, 1, 0, NULL);
      INSERT INTO monthly_demand VALUES('garden', 2840, 'en', 2024, 5, 90, 0),
                                       ('GARDEN', 2840, 'en', 2024, 5, 80, 1),
                                       ('garden', 2840, 'en', 2024, 6, 95, 1);)sql");
    transaction.Commit();
  }
  HistoryStore store = Open();
  {
    Connection db(File(), false);
    EXPECT_EQ(SchemaVersion(db), kSchemaVersion);
  }
  const std::vector<PhraseRun> garden = store.PhraseRuns("garden", kUs, std::nullopt);
  ASSERT_EQ(garden.size(), 1u);
  EXPECT_EQ(
      std::tie(garden[0].run, garden[0].demand, garden[0].rank, garden[0].source),
      std::make_tuple(RunId{7}, std::string("100"), std::string("4"), std::string("dataforseo")));
  const std::vector<PhraseRun> shed = store.PhraseRuns("garden shed", kUs, "example.com");
  ASSERT_EQ(shed.size(), 1u);
  EXPECT_EQ(shed[0].lookups.demand, DemandLookup::kUnknown);
  EXPECT_EQ(shed[0].lookups.supply, SupplyLookup::kSkipped);
  EXPECT_EQ(shed[0].lookups.rank, RankLookup::kStopped);
  const std::vector<StoredMonth> months = store.Months("Garden", kUs);
  ASSERT_EQ(months.size(), 2u);
  EXPECT_EQ(months[0].demand, (MonthlyDemand{2024, 5, 90}));
  EXPECT_FALSE(months[0].generated);
  EXPECT_TRUE(months[1].generated);
  // The migrated file takes new runs, the old phrase's among them.
  store.RecordRun(MakeRun("GARDEN", 1, 2000));
  EXPECT_EQ(store.PhraseRuns("garden", kUs, std::nullopt).size(), 2u);
  EXPECT_EQ(store.Runs().size(), 2u);
}

// A file that is not ours is moved aside, byte for byte, with the date in its name (numbered
// on a second the same day), and a new history starts.
TEST_F(HistoryTest, ADamagedOrForeignFileIsSetAsideNeverOverwritten) {
  const auto sqlite_file = [this](const char* sql) {
    Connection db(File(), true);
    db.Execute(sql);
  };
  const struct {
    const char* what;
    std::function<void()> make;
  } cases[] = {
      {"not SQLite", [&] { quillmark::testing::WriteBytes(File(), std::string(5000, 'q')); }},
      {"a damaged header",
       [&] {
         quillmark::testing::WriteBytes(
             File(), std::string("SQLite format 3\0", 16) + std::string(4080, 'x'));
       }},
      {"another program's tables", [&] { sqlite_file("CREATE TABLE notes(text)"); }},
      {"a newer layout", [&] { sqlite_file("CREATE TABLE runs(id); PRAGMA user_version = 99"); }},
  };
  char today[16];
  const std::time_t now = std::time(nullptr);
  std::strftime(today, sizeof today, "%Y-%m-%d", std::localtime(&now));
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    c.make();
    const std::string bytes = quillmark::testing::ReadBytes(File());
    OpenedHistory opened = OpenHistory(File());
    ++n;
    const std::string aside =
        File() + ".set-aside-" + today + (n == 1 ? "" : "-" + std::to_string(n));
    EXPECT_NE(opened.notice.find("set aside as " + aside), std::string::npos) << opened.notice;
    EXPECT_EQ(quillmark::testing::ReadBytes(aside), bytes);
    opened.store.RecordRun(MakeRun("fresh", 1, 1));
    EXPECT_EQ(opened.store.Runs().size(), 1u);
    std::filesystem::remove(File());
    std::filesystem::remove(File() + "-wal");
    std::filesystem::remove(File() + "-shm");
  }
}

TEST_F(HistoryTest, TwoProcessesWriteAtOnce) {
  Open();  // laid out before the writers race
  auto first = StartWriter(dir_.path(), "first", 40);
  auto second = StartWriter(dir_.path(), "second", 40);
  for (auto* writer : {first.get(), second.get()}) {
    const auto result = writer->Wait(std::chrono::seconds(60));
    EXPECT_TRUE(result.exited && result.exit_code == 0) << result.signal;
  }
  HistoryStore store = Open();
  EXPECT_EQ(store.Runs().size(), 80u);
  EXPECT_EQ(store.PhraseRuns("first 99", kUs, std::nullopt).size(), 40u);
  EXPECT_EQ(store.PhraseRuns("second 99", kUs, std::nullopt).size(), 40u);
  ExpectWhole(File());
}

TEST_F(HistoryTest, AProcessKilledWhileWritingLeavesAWholeFile) {
  Open();
  auto writer = StartWriter(dir_.path(), "killed", 1'000'000);
  HistoryStore watcher = Open();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (watcher.Runs(5).size() < 5 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(writer->pid(), SIGKILL);
  EXPECT_EQ(writer->Wait(std::chrono::seconds(10)).signal, SIGKILL);

  OpenedHistory reopened = OpenHistory(File());
  EXPECT_EQ(reopened.notice, "");
  EXPECT_GE(reopened.store.Runs().size(), 5u);
  ExpectWhole(File());
}

}  // namespace
}  // namespace quillmark::history
