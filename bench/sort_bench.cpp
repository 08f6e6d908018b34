// Sorting the keyword list by a column, as a click on its header does, over lists of up to
// 100,000 rows. Each run reshuffles the list first so every sort starts from the same disorder.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "research/column_compare.h"
#include "research/keyword_list.h"

namespace {

using quillmark::KeywordList;

void FillList(KeywordList& list, std::size_t rows) {
  std::mt19937 random(42);
  std::uniform_int_distribution<int> demand(0, 500000);
  std::uniform_int_distribution<int> rank(0, 200);
  for (std::size_t i = 0; i < rows; ++i) {
    auto row = list.Append();
    list.AppendSubItem(*row, std::to_string(demand(random)));
    list.SetCaption(*row, "keyword phrase " + std::to_string(random()));
    const int supply = demand(random) * 10;
    list.AppendSubItem(*row, i % 50 == 0 ? "?" : std::to_string(supply));
    list.AppendSubItem(*row, std::to_string(supply % 1000) + "." + std::to_string(i % 1000));
    const int r = rank(random);
    list.AppendSubItem(*row, r == 0 ? "-" : std::to_string(r));
    list.AppendSubItem(*row, std::to_string(r % 100) + ".125%");
    list.AppendSubItem(*row, std::to_string(i % 5000));
  }
}

void Shuffle(KeywordList& list, std::mt19937& random) {
  std::vector<std::size_t> order(list.Count());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::shuffle(order.begin(), order.end(), random);
  list.Reorder(order);
}

void BM_SortByColumn(benchmark::State& state) {
  KeywordList list;
  FillList(list, static_cast<std::size_t>(state.range(0)));
  const auto column = static_cast<std::size_t>(state.range(1));
  std::mt19937 random(1);
  for (auto _ : state) {
    state.PauseTiming();
    Shuffle(list, random);
    state.ResumeTiming();
    quillmark::SortKeywordList(list, column);
    benchmark::DoNotOptimize(list.Row(0).get());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_SortByColumn)
    ->ArgNames({"rows", "column"})
    ->Args({10000, quillmark::kColumnDemand})
    ->Args({100000, quillmark::kColumnDemand})
    ->Args({100000, quillmark::kColumnSupply})
    ->Args({100000, quillmark::kColumnCost})
    ->Args({100000, quillmark::kColumnRank})
    ->Args({100000, quillmark::kColumnProfitability})
    ->Args({100000, quillmark::kColumnKeyword})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
