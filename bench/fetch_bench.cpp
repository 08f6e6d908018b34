// FetchPage against libcurl, both fetching from nginx on loopback with a fresh connection per
// request: time per request for a 10 KB page and throughput for a 20 MB file. Timings on a
// shared machine drift with core placement, so the two clients run as alternating pairs in one
// loop and the figures that count are the medians of the per-pair ratios (ours / curl).

#include <benchmark/benchmark.h>
#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "../tests/net/support/nginx_fixture.h"
#include "net/fetch_page.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kPageSize = 10 * 1024;
constexpr std::size_t kFileSize = 20 * 1024 * 1024;
// Modest counts: every request leaves a closed connection in TIME_WAIT.
constexpr int kPagePairs = 1000;
constexpr int kFilePairs = 30;

std::unique_ptr<quillmark::testing::NginxServer> nginx;

struct Summary {
  std::string name;
  double ours = 0, curl = 0, ratio = 0;
  const char* unit = "";
  const char* ratio_meaning = "";
};
std::vector<Summary> summaries;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

std::size_t AppendToString(char* data, std::size_t size, std::size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// A header callback that reserves the announced length, as our fetch does: both clients then take
// their body's memory in one piece, and neither leaves the heap in a state that makes the other's
// next fetch land in fresh pages (which skewed whole pairs by which client had run just before).
std::size_t ReserveAnnounced(char* data, std::size_t size, std::size_t count, void* out) {
  const std::string_view line(data, size * count);
  constexpr std::string_view kName = "content-length:";
  if (line.size() > kName.size() &&
      std::equal(kName.begin(), kName.end(), line.begin(),
                 [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); })) {
    static_cast<std::string*>(out)->reserve(std::strtoull(line.data() + kName.size(), nullptr, 10));
  }
  return size * count;
}

std::string CurlFetch(const std::string& url) {
  std::string body;
  CURL* handle = curl_easy_init();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(handle, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, AppendToString);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, ReserveAnnounced);
  curl_easy_setopt(handle, CURLOPT_HEADERDATA, &body);
  curl_easy_perform(handle);
  curl_easy_cleanup(handle);
  return body;
}

// Seconds one fetch takes; a wrong body makes the whole measurement meaningless.
template <typename Fetch>
double Timed(benchmark::State& state, Fetch fetch, const std::string& url, std::size_t size) {
  const auto start = Clock::now();
  const std::string body = fetch(url);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (body.size() != size) state.SkipWithError("a client fetched the wrong number of bytes");
  benchmark::DoNotOptimize(body.data());
  return seconds;
}

// Runs ours and curl as alternating pairs (swapping which goes first) and records medians.
void Paired(benchmark::State& state, const std::string& target, std::size_t size, bool throughput) {
  const std::string url = nginx->Url(target);
  const auto ours = [](const std::string& u) { return quillmark::FetchPage(u).body; };
  for (int i = 0; i < 3; ++i) Timed(state, ours, url, size), Timed(state, CurlFetch, url, size);

  std::vector<double> our_times, curl_times, ratios;
  bool ours_first = true;
  for (auto _ : state) {
    double our_time = 0, curl_time = 0;
    if (ours_first) {
      our_time = Timed(state, ours, url, size);
      curl_time = Timed(state, CurlFetch, url, size);
    } else {
      curl_time = Timed(state, CurlFetch, url, size);
      our_time = Timed(state, ours, url, size);
    }
    ours_first = !ours_first;
    our_times.push_back(our_time);
    curl_times.push_back(curl_time);
    // Time ratio for requests; for throughput, bytes per second is the inverse of time.
    ratios.push_back(throughput ? curl_time / our_time : our_time / curl_time);
  }

  Summary summary;
  summary.name = target;
  summary.ratio = Median(ratios);
  if (throughput) {
    summary.ours = static_cast<double>(size) / Median(our_times) / 1e9;
    summary.curl = static_cast<double>(size) / Median(curl_times) / 1e9;
    summary.unit = "GB/s";
    summary.ratio_meaning = "throughput ours/curl (target >= 0.9)";
  } else {
    summary.ours = Median(our_times) * 1e6;
    summary.curl = Median(curl_times) * 1e6;
    summary.unit = "us";
    summary.ratio_meaning = "time ours/curl (target <= 1.1)";
  }
  state.counters["ours"] = summary.ours;
  state.counters["curl"] = summary.curl;
  state.counters["ratio"] = summary.ratio;
  summaries.push_back(summary);
}

void BM_Page10KPerRequest(benchmark::State& state) {
  Paired(state, "/page10k.html", kPageSize, false);
}
BENCHMARK(BM_Page10KPerRequest)->Iterations(kPagePairs)->Unit(benchmark::kMicrosecond);

void BM_File20MThroughput(benchmark::State& state) {
  Paired(state, "/file20m.bin", kFileSize, true);
}
BENCHMARK(BM_File20MThroughput)->Iterations(kFilePairs)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (auto missing = quillmark::testing::MissingProgram(quillmark::testing::kNginxBinary)) {
    std::fprintf(stderr, "fetch_bench needs nginx: %s\n", missing->c_str());
    return 1;
  }
  curl_global_init(CURL_GLOBAL_DEFAULT);
  nginx = std::make_unique<quillmark::testing::NginxServer>();
  nginx->WriteFile("page10k.html", std::string(kPageSize, 'k'));
  nginx->WriteFile("file20m.bin", quillmark::testing::PatternBytes(kFileSize, 3));

  benchmark::RunSpecifiedBenchmarks();

  std::printf("\nMedians over alternating pairs (each pair: one fetch by each client)\n");
  for (const Summary& s : summaries) {
    std::printf("  %-14s ours %9.2f %s  curl %9.2f %s  %s: %.3f\n", s.name.c_str(), s.ours, s.unit,
                s.curl, s.unit, s.ratio_meaning, s.ratio);
  }
  nginx.reset();
  curl_global_cleanup();
  benchmark::Shutdown();
  return 0;
}
