// How fast the page walks are: the top searches listing over 1 MB and 10 MB pages whose every
// phrase the filter rejects (so every cell is walked), and the suggestion parse over 1 MB with
// pages served instantly.
#include <benchmark/benchmark.h>

#include <climits>
#include <cstddef>
#include <string>

#include "../tests/research/support/fake_host.h"
#include "research/researcher.h"

namespace {

using quillmark::Researcher;
using quillmark::testing::FakeHost;
using quillmark::testing::TestEndpoints;

std::string TopSearchesPage(std::size_t size) {
  std::string page = "<html><body><table class=\"top\"><tr>";
  for (std::size_t i = 0; page.size() < size; ++i) {
    page += "<td><a href=\"/search?p=" + std::to_string(i) + "\">Google Search " +
            std::to_string(i) + "</a></td>";
    if (i % 4 == 3) page += "</tr>\n<tr>";
  }
  return page + "</tr></table></body></html>";
}

std::string SuggestionPage(std::size_t size) {
  std::string page = "<html><body><p>Search done </p><table>";
  for (std::size_t i = 0; page.size() < size; ++i) {
    page += "<tr><td>&nbsp;" + std::to_string(1000 + i) +
            "</td><td><a href=\"/k?q=" + std::to_string(i) + "&amp;m=us\">Blue Widgets " +
            std::to_string(i) + "</a></td></tr>\n";
  }
  return page + "</table></body></html>";
}

void BM_ParseTopSearchesAllRejected(benchmark::State& state) {
  const std::string page = TopSearchesPage(static_cast<std::size_t>(state.range(0)));
  FakeHost host;
  host.max_results = INT_MAX;
  host.filter_unwanted = true;
  host.unwanted_terms = {"google", "ebay",    "amazon", "youtube", "yahoo", "hotmail",
                         "msn",    "myspace", ".com",   ".net",    ".org",  ".co.uk"};
  Researcher researcher(
      host, [](const std::string&) { return quillmark::FetchResult{}; }, TestEndpoints());
  for (auto _ : state) {
    researcher.ParseTopSearches(page);
    if (host.top_searches.Count() != 0) state.SkipWithError("a phrase was accepted");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_ParseTopSearchesAllRejected)
    ->Arg(1 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);

void BM_ParseSuggestionPageInstantFetch(benchmark::State& state) {
  const std::string page = SuggestionPage(static_cast<std::size_t>(state.range(0)));
  const std::string result_page = "Results 1 - 20 of about 1,230,000 for blue widgets";
  FakeHost host;
  host.max_results = INT_MAX;
  Researcher researcher(
      host, [&](const std::string&) { return quillmark::FetchResult{result_page}; },
      TestEndpoints());
  for (auto _ : state) {
    researcher.ParseSuggestionPage(page);
    benchmark::DoNotOptimize(host.keywords.Count());
  }
  state.counters["rows"] = static_cast<double>(host.keywords.Count());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(page.size()));
}
BENCHMARK(BM_ParseSuggestionPageInstantFetch)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
