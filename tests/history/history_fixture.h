#pragma once
// A history in a private folder, and runs to record in it.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

#include "history/history_file.h"
#include "support/temp_dir.h"

namespace quillmark::history::testing {

inline const Market kUs{2840, "en"};

// A run of `rows` rows: "SEED", then "SEED 1", "SEED 2", ...; every lookup counted, the rank
// found at the row's number.
inline RunRecord MakeRun(const std::string& seed, int rows, std::int64_t started,
                         const std::string& target = "example.com") {
  RunRecord run;
  run.started = started;
  run.source = "stand-in";
  run.market = kUs;
  run.seed = seed;
  run.target = target;
  run.max_pages = 3;
  run.results_asked = rows;
  for (int i = 0; i < rows; ++i) {
    RunRow row;
    row.keyword = i == 0 ? seed : seed + " " + std::to_string(i);
    row.texts = {std::to_string(1000 - i), "5000", "5", std::to_string(i + 1), "10%", "12"};
    row.lookups.demand = DemandLookup::kCounted;
    row.lookups.supply = SupplyLookup::kCounted;
    row.lookups.rank = RankLookup::kFound;
    row.lookups.rank_pages = 3;
    row.lookups.rank_pages_searched = 1;
    run.rows.push_back(row);
  }
  return run;
}

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() : outer_(::getenv("QUILLMARK_DATA_DIR") ? ::getenv("QUILLMARK_DATA_DIR") : "") {
    ::setenv("QUILLMARK_DATA_DIR", dir_.path().c_str(), 1);
  }
  ~HistoryTest() override {
    if (outer_.empty()) {
      ::unsetenv("QUILLMARK_DATA_DIR");
    } else {
      ::setenv("QUILLMARK_DATA_DIR", outer_.c_str(), 1);
    }
  }

  std::string File() const { return dir_.File("history.sqlite3"); }
  HistoryStore Open() {
    OpenedHistory opened = OpenHistory(File());
    EXPECT_EQ(opened.notice, "");
    return std::move(opened.store);
  }

  std::string outer_;  // the folder the test program keeps its history in
  quillmark::testing::TempDir dir_{"quillmark-history"};
};

}  // namespace quillmark::history::testing
