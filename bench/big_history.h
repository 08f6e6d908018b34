#pragma once
// A large history for the benchmarks: runs as a research makes them, and 10,000 of them of 100
// rows (1,000,000 rows) in which one phrase has 1,000 past runs, built once per program.

#include <filesystem>
#include <memory>
#include <string>

#include "history/history_file.h"
#include "support/temp_dir.h"

namespace quillmark::history::bench {

inline const Market kUs{2840, "en"};
constexpr const char* kPhrase = "garden sheds";

// A run as a research makes it: phrases of the seed, figures of plausible length, lookups
// counted, a few ranks not found.
inline RunRecord MakeRun(const std::string& seed, std::int64_t started, bool with_months) {
  RunRecord run;
  run.started = started;
  run.source = "dataforseo";
  run.market = kUs;
  run.seed = seed;
  run.target = "www.example.com";
  run.max_pages = 3;
  run.results_asked = 100;
  run.calls = 101;
  run.money = 0.3;
  for (int i = 0; i < 100; ++i) {
    RunRow row;
    row.keyword = i == 0 ? seed : seed + " variant " + std::to_string(i);
    const bool ranked = i % 4 != 0;
    row.texts = {std::to_string(12000 / (i + 1)),
                 std::to_string(1'234'567 + i * 7919),
                 "102.881",
                 ranked ? std::to_string(i % 60 + 1) : "-",
                 ranked ? "12.5%" : "0%",
                 ranked ? std::to_string(i * 3) : "0"};
    row.lookups.demand = DemandLookup::kCounted;
    row.lookups.supply = SupplyLookup::kCounted;
    row.lookups.rank = ranked ? RankLookup::kFound : RankLookup::kNotFound;
    row.lookups.rank_pages = 3;
    row.lookups.rank_pages_searched = ranked ? i % 3 + 1 : 3;
    if (with_months) {
      PhraseMonths months{row.keyword, {}, false};
      for (int m = 1; m <= 12; ++m) months.months.push_back({2025, m, 1000 + m * 10 + i});
      run.months.push_back(std::move(months));
    }
    run.rows.push_back(std::move(row));
  }
  return run;
}

// 10,000 runs of 100 rows; every tenth run holds the phrase, so it has 1,000 past runs. Built
// once for the queries below.
class BigHistory {
 public:
  static BigHistory& Get() {
    static BigHistory history;
    return history;
  }
  HistoryStore& Store() { return *store_; }
  std::string Folder() const { return dir_.path().string(); }
  double Megabytes() const {
    return static_cast<double>(std::filesystem::file_size(dir_.File("history.sqlite3")) +
                               std::filesystem::file_size(dir_.File("history.sqlite3-wal"))) /
           1e6;
  }

 private:
  BigHistory() : dir_("qmk-history-big") {
    store_ = std::make_unique<HistoryStore>(OpenHistory(dir_.File("history.sqlite3")).store);
    for (int r = 0; r < 10'000; ++r) {
      RunRecord run = MakeRun("topic " + std::to_string(r % 1000), r * 3600, false);
      if (r % 10 == 0) run.rows[50].keyword = kPhrase;
      store_->RecordRun(run);
    }
    store_->RecordMonths(kUs, MakeRun(kPhrase, 0, true).months);
  }
  quillmark::testing::TempDir dir_;
  std::unique_ptr<HistoryStore> store_;
};

}  // namespace quillmark::history::bench
