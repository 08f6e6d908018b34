// The history's speed and size: recording a 100-row run (under 5 ms), the one-phrase queries of
// `qmk history` and of a detail pane on a history of 1,000,000 rows (under 50 ms and 16 ms, a
// phrase with 1,000 past runs), and the file a year of daily 100-row researches makes (under
// 50 MB, reported as the counter "MB").

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "history/history_file.h"
#include "support/temp_dir.h"

namespace quillmark::history {
namespace {

const Market kUs{2840, "en"};
constexpr const char* kPhrase = "garden sheds";

// A run as a research makes it: phrases of the seed, figures of plausible length, lookups
// counted, a few ranks not found.
RunRecord MakeRun(const std::string& seed, std::int64_t started, bool with_months) {
  RunRecord run;
  run.started = started;
  run.source = "dataforseo";
  run.market = kUs;
  run.seed = seed;
  run.target = "www.example.com";
  run.max_pages = 3;
  run.results_asked = 100;
  run.calls = 101;
  run.money = 0.3;
  for (int i = 0; i < 100; ++i) {
    RunRow row;
    row.keyword = i == 0 ? seed : seed + " variant " + std::to_string(i);
    const bool ranked = i % 4 != 0;
    row.texts = {std::to_string(12000 / (i + 1)),
                 std::to_string(1'234'567 + i * 7919),
                 "102.881",
                 ranked ? std::to_string(i % 60 + 1) : "-",
                 ranked ? "12.5%" : "0%",
                 ranked ? std::to_string(i * 3) : "0"};
    row.lookups.demand = DemandLookup::kCounted;
    row.lookups.supply = SupplyLookup::kCounted;
    row.lookups.rank = ranked ? RankLookup::kFound : RankLookup::kNotFound;
    row.lookups.rank_pages = 3;
    row.lookups.rank_pages_searched = ranked ? i % 3 + 1 : 3;
    if (with_months) {
      PhraseMonths months{row.keyword, {}, false};
      for (int m = 1; m <= 12; ++m) months.months.push_back({2025, m, 1000 + m * 10 + i});
      run.months.push_back(std::move(months));
    }
    run.rows.push_back(std::move(row));
  }
  return run;
}

void BM_RecordRun(benchmark::State& state) {
  quillmark::testing::TempDir dir("qmk-history-bench");
  HistoryStore store = OpenHistory(dir.File("history.sqlite3")).store;
  std::int64_t started = 0;
  for (auto _ : state) {
    ++started;
    store.RecordRun(MakeRun("seed " + std::to_string(started % 50), started, false));
  }
}
BENCHMARK(BM_RecordRun)->Unit(benchmark::kMillisecond);

// 10,000 runs of 100 rows; every tenth run holds the phrase, so it has 1,000 past runs. Built
// once for the queries below.
class BigHistory {
 public:
  static BigHistory& Get() {
    static BigHistory history;
    return history;
  }
  HistoryStore& Store() { return *store_; }
  std::string Folder() const { return dir_.path().string(); }
  double Megabytes() const {
    return static_cast<double>(std::filesystem::file_size(dir_.File("history.sqlite3")) +
                               std::filesystem::file_size(dir_.File("history.sqlite3-wal"))) /
           1e6;
  }

 private:
  BigHistory() : dir_("qmk-history-big") {
    store_ = std::make_unique<HistoryStore>(OpenHistory(dir_.File("history.sqlite3")).store);
    for (int r = 0; r < 10'000; ++r) {
      RunRecord run = MakeRun("topic " + std::to_string(r % 1000), r * 3600, false);
      if (r % 10 == 0) run.rows[50].keyword = kPhrase;
      store_->RecordRun(run);
    }
    store_->RecordMonths(kUs, MakeRun(kPhrase, 0, true).months);
  }
  quillmark::testing::TempDir dir_;
  std::unique_ptr<HistoryStore> store_;
};

// What a detail pane draws: the phrase's runs with its target, and its twelve months.
void BM_PaneQuery(benchmark::State& state) {
  HistoryStore& store = BigHistory::Get().Store();
  std::size_t runs = 0;
  for (auto _ : state) {
    runs = store.PhraseRuns(kPhrase, kUs, std::string("www.example.com")).size();
    benchmark::DoNotOptimize(store.Months(kPhrase, kUs));
  }
  state.counters["runs"] = static_cast<double>(runs);
  state.counters["MB"] = BigHistory::Get().Megabytes();
}
BENCHMARK(BM_PaneQuery)->Unit(benchmark::kMillisecond);

// A change marker: the phrase's previous figures.
void BM_PreviousMeasurement(benchmark::State& state) {
  HistoryStore& store = BigHistory::Get().Store();
  for (auto _ : state)
    benchmark::DoNotOptimize(store.Previous(kPhrase, "dataforseo", kUs, "www.example.com"));
}
BENCHMARK(BM_PreviousMeasurement)->Unit(benchmark::kMillisecond);

// `qmk history PHRASE` as a user runs it: a process that opens the file, queries and prints the
// 1,000 runs. Beside it `qmk --help`, what any qmk process costs before its command starts.
void BM_QmkHistory(benchmark::State& state, const std::string& arguments) {
  const std::string command = "QUILLMARK_DATA_DIR=" + BigHistory::Get().Folder() + " " +
                              QMK_BINARY + " " + arguments + " >/dev/null 2>&1";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("qmk failed");
  }
}
BENCHMARK_CAPTURE(BM_QmkHistory, phrase, std::string("history '") + kPhrase + "'")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_QmkHistory, help_only, std::string("--help"))->Unit(benchmark::kMillisecond);

// A year of one research a day, 100 rows each with twelve months of demand: the file's size
// once closed.
void BM_YearOfDailyRuns(benchmark::State& state) {
  double megabytes = 0;
  for (auto _ : state) {
    quillmark::testing::TempDir dir("qmk-history-year");
    const std::string file = dir.File("history.sqlite3");
    {
      HistoryStore store = OpenHistory(file).store;
      for (int day = 0; day < 365; ++day)
        store.RecordRun(MakeRun("daily seed " + std::to_string(day), day * 86'400, true));
    }
    megabytes = static_cast<double>(std::filesystem::file_size(file)) / 1e6;
  }
  state.counters["MB"] = megabytes;
}
BENCHMARK(BM_YearOfDailyRuns)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace quillmark::history

BENCHMARK_MAIN();
