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

#include "big_history.h"
#include "history/history_file.h"
#include "session/run_history.h"
#include "support/temp_dir.h"

namespace quillmark::history {
namespace {

using bench::BigHistory;
using bench::kPhrase;
using bench::kUs;
using bench::MakeRun;

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

// What recording adds to a research that ends: the record made from the run's 100 rows, with the
// stand-in's twelve generated months each (1,200 months), written in one transaction.
void BM_RecordResearch(benchmark::State& state) {
  quillmark::testing::TempDir dir("qmk-history-bench");
  session::RunHistory history(dir.File("history.sqlite3"));
  KeywordList rows;
  session::RunRequest request;
  request.seed = "garden sheds";
  request.target_url = "www.example.com";
  request.max_results = 100;
  session::RunReport report;
  report.origin = {.source = "stand-in", .market = kUs, .generated = true};
  for (const RunRow& kept : MakeRun(request.seed, 0, false).rows) {
    KeywordRow& row = *rows.Append();
    rows.SetCaption(row, kept.keyword);
    for (const std::string& text : kept.texts) rows.AppendSubItem(row, text);
    rows.SetLookups(row, kept.lookups);
  }
  report.rows = rows.Rows();
  for (auto _ : state) {
    ++report.started;
    if (!history.Record(request, report).id) state.SkipWithError("not recorded");
  }
}
BENCHMARK(BM_RecordResearch)->Unit(benchmark::kMillisecond);

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
