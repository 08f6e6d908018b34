// qmk's research with the dataforseo source against a fake provider on loopback that answers
// every call after one second: 10 results, 5 result pages per phrase and a target the results
// hold, without the reply cache, so every research makes its 21 calls (the keyword ideas, then a
// supply call and one rank call per phrase). One page at a time (--parallel 1) beside the default
// of eight in flight; the rows must come out byte for byte the same. The wall time of each is the
// figure: eight at once should take at most 5 s.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>

#include "quiet_research.h"
#include "research/research_limits.h"
#include "session/session_options.h"
#include "sources/support/fake_provider.h"

namespace {

using quillmark::testing::FakeProvider;
using quillmark::testing::ProviderReply;
using quillmark::testing::ProviderRequest;
namespace fixtures = quillmark::testing::fixtures;

constexpr std::chrono::seconds kLatency{1};
constexpr const char* kSite = "mysite.com";

// Twelve phrases with volumes, more than the research takes.
std::string KeywordIdeas() {
  std::string ideas;
  for (int i = 0; i < 12; ++i) {
    ideas += std::string(i == 0 ? "[" : ",") + R"({"keyword":"garden sheds )" + std::to_string(i) +
             R"(","search_volume":)" + std::to_string(1000 * (i + 1)) + "}";
  }
  return fixtures::Ok(ideas + "]");
}

FakeProvider& Provider() {
  static FakeProvider provider([ideas = KeywordIdeas()](const ProviderRequest& request) {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return ProviderReply{.body = ideas, .delay = kLatency};
    return ProviderReply{.body = fixtures::OrganicResults(123000, kSite), .delay = kLatency};
  });
  static const bool pointed = [] {
    ::setenv("QUILLMARK_DATAFORSEO_URL", provider.Url().c_str(), 1);
    ::setenv("QUILLMARK_DATAFORSEO_LOGIN", "bench-login", 1);
    ::setenv("QUILLMARK_DATAFORSEO_PASSWORD", "bench-password", 1);
    return true;
  }();
  static_cast<void>(pointed);
  return provider;
}

void BM_ProviderResearch(benchmark::State& state) {
  FakeProvider& provider = Provider();
  quillmark::session::RunRequest settings;
  settings.seed = "garden sheds";
  settings.target_url = kSite;
  settings.max_pages_text = "5";
  settings.max_results = 10;
  settings.parallel = static_cast<int>(state.range(0));
  quillmark::session::SessionOptions network;
  network.source = "dataforseo";
  network.use_cache = false;
  // The rows of the first run measured, which every later one must repeat.
  static std::string first_rows;
  for (auto _ : state) {
    const std::size_t asked_before = provider.Requests().size();
    const quillmark::bench::QuietRun quiet = quillmark::bench::ResearchQuietly(settings, network);
    const quillmark::cli::TerminalRun& run = quiet.run;
    if (first_rows.empty()) first_rows = quiet.rows;
    if (quiet.rows != first_rows || !run.report.not_fetched.empty()) {
      state.SkipWithError("the rows differ from those of the first run, or a page failed");
      break;
    }
    state.counters["rows"] = static_cast<double>(run.host->Keywords().Count());
    state.counters["pages"] = run.report.pages_asked;
    state.counters["calls"] = static_cast<double>(provider.Requests().size() - asked_before);
  }
}
BENCHMARK(BM_ProviderResearch)
    ->ArgName("parallel")
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(BM_ProviderResearch)
    ->ArgName("parallel")
    ->Arg(quillmark::kDefaultParallelFetches)
    ->Iterations(3)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
