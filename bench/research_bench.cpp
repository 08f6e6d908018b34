// A whole research against the stand-in service on loopback (100 results, 5 result pages per
// phrase, a target that is never found so every page is asked for), next to libcurl fetching the
// same URL sequence one after another. The run's own work (parsing, indices, the list) should be
// small beside its fetches: the ratio of the two wall times is the figure that counts. The two
// run as alternating pairs so that drift on a shared machine hits both alike.

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/terminal_host.h"
#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "research/researcher.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kResults = 100;
constexpr int kPages = 5;
constexpr const char* kSeed = "blue widgets";

// The terminal's host with the research's answers: a target never listed, every page asked for.
class BenchHost final : public quillmark::cli::TerminalHost {
 public:
  using TerminalHost::TerminalHost;
  std::string TargetUrl() override { return "never-listed.invalid"; }
  std::string MaxPagesText() override { return std::to_string(kPages); }
  int MaxResults() override { return kResults; }
};

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

std::size_t Append(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// A fresh handle and connection per request, as FetchPage does.
std::string CurlFetch(const std::string& url) {
  std::string body;
  std::unique_ptr<CURL, CurlDeleter> handle(curl_easy_init());
  curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle.get(), CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(handle.get(), CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, Append);
  curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
  curl_easy_perform(handle.get());
  return body;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

void BM_ResearchVersusBareFetches(benchmark::State& state) {
  quillmark::demo::DemoOptions options;
  options.suggestions = kResults + 20;
  quillmark::demo::DemoService service(options);
  service.Start();
  const std::string host = "127.0.0.1:" + std::to_string(service.Port());
  const quillmark::Endpoints endpoints{host, host, host};

  std::vector<double> ratios, run_seconds, curl_seconds;
  std::size_t fetches = 0;
  for (auto _ : state) {
    std::ostringstream status;
    BenchHost host_window(status, false);
    std::vector<std::string> urls;
    quillmark::Researcher researcher(
        host_window,
        [&urls](const std::string& url) {
          urls.push_back(url);
          return quillmark::FetchPage(url);
        },
        endpoints);
    const auto run_start = Clock::now();
    researcher.ResearchSeed(kSeed);
    const double run = Seconds(Clock::now() - run_start);
    if (host_window.Keywords().Count() != static_cast<std::size_t>(kResults)) {
      state.SkipWithError("the research did not reach its max results");
      break;
    }

    const auto curl_start = Clock::now();
    std::size_t bytes = 0;
    for (const std::string& url : urls) bytes += CurlFetch(url).size();
    const double curl = Seconds(Clock::now() - curl_start);
    benchmark::DoNotOptimize(bytes);

    fetches = urls.size();
    run_seconds.push_back(run);
    curl_seconds.push_back(curl);
    ratios.push_back(run / curl);
  }
  service.Stop();
  state.counters["fetches"] = static_cast<double>(fetches);
  state.counters["run_ms"] = Median(run_seconds) * 1000;
  state.counters["curl_ms"] = Median(curl_seconds) * 1000;
  state.counters["run_over_curl"] = Median(ratios);
}
BENCHMARK(BM_ResearchVersusBareFetches)->Iterations(7)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  curl_global_init(CURL_GLOBAL_DEFAULT);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  curl_global_cleanup();
  return 0;
}
