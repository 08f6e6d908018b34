// qmk's research against the stand-in service answering every request after 50 ms: 100 results,
// 5 result pages per phrase and a target that is never found, so every page is asked for
// ("garden sheds" gives 53 rows and 319 pages). One page at a time (--parallel 1) beside the
// default of eight in flight; the rows must come out byte for byte the same. The wall time of
// each is the figure: eight at once should take at most 2.5 s.

#include <benchmark/benchmark.h>

#include <string>

#include "demo/demo_service.h"
#include "quiet_research.h"
#include "research/research_limits.h"

namespace {

constexpr int kLatencyMs = 50;

quillmark::demo::DemoService& StandIn() {
  static quillmark::demo::DemoService service({.latency_ms = kLatencyMs});
  if (service.Port() == 0) service.Start();
  return service;
}

void BM_StandInResearch(benchmark::State& state) {
  const std::string host = "127.0.0.1:" + std::to_string(StandIn().Port());
  quillmark::session::RunRequest settings;
  settings.seed = "garden sheds";
  settings.target_url = "nowhere.invalid";
  settings.max_pages_text = "5";
  settings.max_results = 100;
  settings.parallel = static_cast<int>(state.range(0));
  quillmark::session::SessionOptions network;
  network.suggest_host = network.search_host = host;
  // The rows of the first run measured, which every later one must repeat.
  static std::string first_rows;
  for (auto _ : state) {
    const quillmark::bench::QuietRun quiet = quillmark::bench::ResearchQuietly(settings, network);
    const quillmark::cli::TerminalRun& run = quiet.run;
    if (first_rows.empty()) first_rows = quiet.rows;
    if (quiet.rows != first_rows) {
      state.SkipWithError("the rows differ from those of the first run");
      break;
    }
    state.counters["rows"] = static_cast<double>(run.host->Keywords().Count());
    state.counters["pages"] = run.report.pages_asked;
    state.counters["pages_not_used"] = run.report.pages_not_used;
  }
}
BENCHMARK(BM_StandInResearch)
    ->ArgName("parallel")
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_StandInResearch)
    ->ArgName("parallel")
    ->Arg(quillmark::kDefaultParallelFetches)
    ->Iterations(5)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
