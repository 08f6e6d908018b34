// Saving and reopening a 10,000-row investigation file: each should stay well under 50 ms.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "research/keyword_list.h"
#include "store/investigation_file.h"

namespace {

constexpr int kRows = 10000;

void FillRows(quillmark::KeywordList& list) {
  for (int i = 0; i < kRows; ++i) {
    quillmark::KeywordRow& row = *list.Append();
    list.SetCaption(row, "blue widgets for sale number " + std::to_string(i));
    list.AppendSubItem(row, std::to_string(100 + i * 7 % 9000));
    list.AppendSubItem(row, std::to_string(1000000 + i * 131));
    list.AppendSubItem(row, std::to_string(i % 997) + ".125");
    list.AppendSubItem(row, i % 3 ? std::to_string(i % 200 + 1) : "-");
    list.AppendSubItem(row, std::to_string(i % 100) + ".5%");
    list.AppendSubItem(row, std::to_string(i % 450));
    list.SetChecked(row, i % 2 == 0);
  }
}

class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qmk-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const char* name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void BM_SaveInvestigationFile(benchmark::State& state) {
  ScratchDir dir;
  quillmark::KeywordList list;
  FillRows(list);
  const std::string path = dir.File("bench.qmk");
  for (auto _ : state) quillmark::SaveInvestigationFile(list, path);
  state.SetItemsProcessed(state.iterations() * kRows);
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}
BENCHMARK(BM_SaveInvestigationFile)->Unit(benchmark::kMillisecond);

void BM_OpenInvestigationFile(benchmark::State& state) {
  ScratchDir dir;
  const std::string path = dir.File("bench.qmk");
  {
    quillmark::KeywordList list;
    FillRows(list);
    quillmark::SaveInvestigationFile(list, path);
  }
  for (auto _ : state) {
    quillmark::KeywordList list;
    quillmark::OpenInvestigationFile(list, path);
    if (list.Count() != kRows) state.SkipWithError("rows lost on reopening");
    benchmark::DoNotOptimize(list);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_OpenInvestigationFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
