// A 100-phrase research with a target and 5 result pages against a loopback provider that
// answers every call after 6 s and keeps its connections open, as DataForSEO's live calls take
// about 6 s: 201 calls (the keyword ideas, then a supply call and one rank call per phrase),
// without the reply cache. At today's default of 8 calls in flight, and at the provider default
// of 30. The rows must come out byte for byte as those of --parallel 1 (taken from the same
// provider answering at once); the TCP connections the provider saw are counted, and must be no
// more than the calls in flight.
//
// Economy: the same research with supply and rank through the provider's queue, whose tasks are
// finished 5 minutes after their post at normal priority and 1 minute at high, as DataForSEO says
// they take about that long; the queue's own calls answer after 1 s.
//
//     build/bench/hundred_phrases_bench --benchmark_filter=Live
//     build/bench/hundred_phrases_bench --benchmark_filter=Economy

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <atomic>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
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

// The organic results of a task: the supply quotes its phrase; those of a phrase hold the site
// at 23.
std::string Organic(const nlohmann::json& task) {
  const std::string keyword = task.value("keyword", "");
  const bool supply = keyword.find('"') != std::string::npos;
  return fixtures::OrganicResults(supply ? 123000 + static_cast<long long>(keyword.size()) : 9,
                                  kSite);
}

// The provider's queue: each task is finished `queue_ms` after its post.
std::atomic<int> queue_ms{0};
constexpr std::chrono::milliseconds kQueueCallTime{1000};
std::mutex queue_mutex;
std::map<std::string, std::pair<std::chrono::steady_clock::time_point, nlohmann::json>> queue;

ProviderReply Queued(const ProviderRequest& request) {
  using nlohmann::json;
  const std::lock_guard lock(queue_mutex);
  const auto now = std::chrono::steady_clock::now();
  json reply = json::parse(fixtures::Ok("null"));
  if (request.target.ends_with("task_post")) {
    reply["tasks"] = json::array();
    double cost = 0;
    for (const json& task : json::parse(request.body)) {
      const std::string id = "task-" + std::to_string(queue.size());
      queue[id] = {now + std::chrono::milliseconds(queue_ms.load()), task};
      const double price = task.value("depth", 10) > 10 ? 0.0155 : 0.002;  // as live calls
      cost += price * (task.value("priority", 1) == 2 ? 0.6 : 0.3);
      reply["tasks"].push_back({{"id", id}, {"status_code", 20100}, {"data", task}});
    }
    reply["cost"] = cost;
  } else if (request.target.ends_with("tasks_ready")) {
    reply["tasks"][0]["result"] = json::array();
    for (const auto& [id, task] : queue)
      if (task.first <= now) reply["tasks"][0]["result"].push_back({{"id", id}});
  } else {
    const auto found = queue.find(request.target.substr(request.target.rfind('/') + 1));
    if (found == queue.end()) {
      reply["tasks"][0]["status_code"] = 40400;
    } else if (found->second.first <= now) {
      return {.body = Organic(found->second.second), .delay = kQueueCallTime};
    } else {
      reply["tasks"][0]["status_code"] = 40602;
    }
  }
  return {.body = reply.dump(), .delay = kQueueCallTime};
}

ProviderReply Answer(const ProviderRequest& request) {
  static const std::string ideas = KeywordIdeas();
  const std::chrono::milliseconds delay{latency_ms.load()};
  if (request.target.find("keywords_for_keywords") != std::string::npos)
    return {.body = ideas, .delay = delay};
  if (request.target.find("/live/") == std::string::npos) return Queued(request);
  // A live call costs its price-table figure, as DataForSEO's replies say.
  const nlohmann::json task = nlohmann::json::parse(request.body)[0];
  std::string body = Organic(task);
  const std::string fixture_cost = R"("cost":0.075)";
  for (auto at = body.find(fixture_cost); at != std::string::npos; at = body.find(fixture_cost))
    body.replace(at, fixture_cost.size(),
                 task.value("depth", 10) > 10 ? R"("cost":0.0155)" : R"("cost":0.002)");
  return {.body = std::move(body), .delay = delay};
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

// Arg 1: normal priority (5 minutes a task), 2: high (1 minute).
void BM_HundredPhrasesEconomy(benchmark::State& state) {
  const std::string& expected = RowsOneAtATime();
  const bool high = state.range(0) == 2;
  for (auto _ : state) {
    latency_ms = 6000;
    queue_ms = high ? 60'000 : 300'000;
    FakeProvider provider(Answer);
    UseProvider(provider);
    quillmark::session::RunRequest request = Research(0);
    request.economy =
        high ? quillmark::sources::Economy::kHigh : quillmark::sources::Economy::kNormal;
    const quillmark::bench::QuietRun quiet = quillmark::bench::ResearchQuietly(request, Network());
    if (quiet.rows != expected || !quiet.run.report.not_fetched.empty()) {
      state.SkipWithError("the rows differ from those of a live run, or a page failed");
      break;
    }
    const quillmark::sources::CallCounts& calls = quiet.run.report.calls;
    state.counters["rows"] = static_cast<double>(quiet.run.host->Keywords().Count());
    state.counters["paid_calls"] = static_cast<double>(calls.made);
    state.counters["tasks"] = static_cast<double>(calls.tasks_posted);
    state.counters["requests"] = static_cast<double>(provider.Requests().size());
    state.counters["usd"] = calls.cost;
  }
}
BENCHMARK(BM_HundredPhrasesEconomy)
    ->ArgName("priority")
    ->Arg(2)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
