// A 100-phrase research with a target and 5 result pages against a loopback provider that
// answers every call after 6 s and keeps its connections open, as DataForSEO's live calls take
// about 6 s: 201 calls (the keyword ideas, then a supply call and one rank call per phrase),
// without the reply cache. At today's default of 8 calls in flight, and at the provider default
// of 30. The rows must come out byte for byte as those of --parallel 1 (taken from the same
// provider answering at once); the TCP connections the provider saw are counted, and must be no
// more than the calls in flight.
//
//     build/bench/hundred_phrases_bench --benchmark_filter=Live

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
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

constexpr const char* kSite = "mysite.com";
constexpr int kPhrases = 100;
std::atomic<int> latency_ms{0};

// A hundred phrases with volumes.
std::string KeywordIdeas() {
  std::string ideas;
  for (int i = 0; i < kPhrases; ++i) {
    ideas += std::string(i == 0 ? "[" : ",") + R"({"keyword":"garden sheds )" + std::to_string(i) +
             R"(","search_volume":)" + std::to_string(100 * (i + 1)) + "}";
  }
  return fixtures::Ok(ideas + "]");
}

ProviderReply Answer(const ProviderRequest& request) {
  static const std::string ideas = KeywordIdeas();
  const std::chrono::milliseconds delay{latency_ms.load()};
  if (request.target.find("keywords_for_keywords") != std::string::npos)
    return {.body = ideas, .delay = delay};
  // The supply quotes its phrase; the organic results of a phrase hold the site at 23.
  const bool supply = request.body.find("\\\"") != std::string::npos;
  return {.body = fixtures::OrganicResults(supply ? 123000 + request.body.size() : 9, kSite),
          .delay = delay};
}

void UseProvider(const FakeProvider& provider) {
  ::setenv("QUILLMARK_DATAFORSEO_URL", provider.Url().c_str(), 1);
  ::setenv("QUILLMARK_DATAFORSEO_LOGIN", "bench-login", 1);
  ::setenv("QUILLMARK_DATAFORSEO_PASSWORD", "bench-password", 1);
}

quillmark::session::RunRequest Research(int parallel) {
  quillmark::session::RunRequest settings;
  settings.seed = "garden sheds";
  settings.target_url = kSite;
  settings.max_pages_text = "5";
  settings.max_results = kPhrases;
  settings.parallel = parallel;
  return settings;
}

quillmark::session::SessionOptions Network() {
  quillmark::session::SessionOptions network;
  network.source = "dataforseo";
  network.use_cache = false;
  return network;
}

// The rows of --parallel 1, from the provider answering at once.
const std::string& RowsOneAtATime() {
  static const std::string rows = [] {
    latency_ms = 0;
    FakeProvider provider(Answer);
    UseProvider(provider);
    return quillmark::bench::ResearchQuietly(Research(1), Network()).rows;
  }();
  return rows;
}

void BM_HundredPhrasesLive(benchmark::State& state) {
  const std::string& expected = RowsOneAtATime();
  for (auto _ : state) {
    latency_ms = 6000;
    FakeProvider provider(Answer);
    UseProvider(provider);
    const quillmark::bench::QuietRun quiet =
        quillmark::bench::ResearchQuietly(Research(static_cast<int>(state.range(0))), Network());
    if (quiet.rows != expected || !quiet.run.report.not_fetched.empty()) {
      state.SkipWithError("the rows differ from those of --parallel 1, or a page failed");
      break;
    }
    state.counters["rows"] = static_cast<double>(quiet.run.host->Keywords().Count());
    state.counters["calls"] = static_cast<double>(provider.Requests().size());
    state.counters["in_flight"] = provider.MostInFlight();
    state.counters["connections"] = static_cast<double>(provider.Connections());
    state.counters["usd"] = quiet.run.report.calls.cost;
  }
}
BENCHMARK(BM_HundredPhrasesLive)
    ->ArgName("parallel")
    ->Arg(quillmark::kDefaultParallelFetches)
    ->Arg(quillmark::kDefaultProviderParallel)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
