#pragma once
// What both front ends do with the history around a keyword research: keep each run that ended,
// finished or stopped, in one transaction (a failure is said, never the run's), and tell how a
// row's figures changed since the phrase's earlier runs of the same source, market and target.
// A listing of the top searches is kept as a run without seed or rows: what it cost counts too.

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "history/history_file.h"
#include "history/history_store.h"
#include "research/keyword_row.h"
#include "session/research_run.h"
#include "session/run_origin.h"
#include "session/run_report.h"

namespace quillmark::session {

// The record of a seed research: its request, what its report says, its rows as the list showed
// them with how their lookups went, and its demand month by month: the provider's for the
// phrases listed, or twelve generated months for each counted demand when the stand-in answered.
// A top-searches listing measures no phrase: its record is the run alone, with no seed.
history::RunRecord MakeRunRecord(const RunRequest& request, const RunReport& report);

// "2025-06-01 14:03" in local time: how the history's dates show.
std::string HistoryDateText(std::int64_t seconds);
// "United States, English", or the codes where the built-in lists do not name them.
std::string MarketText(const history::Market& market);

// The history file a front end keeps its runs in, opened at first use and kept open. Used from
// one thread.
class RunHistory {
 public:
  explicit RunHistory(std::string path = history::HistoryFilePath());

  // The store, opened at the first call (and tried again at each call after a failure); nullptr
  // when it cannot be opened, with the reason in Problem().
  history::HistoryStore* Store();
  const std::string& Problem() const { return problem_; }
  // What the user should hear once about the file: it was set aside as damaged, or it cannot be
  // opened. "" when there is nothing new to say.
  std::string TakeNotice();

  struct Recorded {
    std::optional<history::RunId> id;
    std::string failure;  // for the user, when the run was not kept
  };
  // Keeps a seed research or a top-searches listing.
  Recorded Record(const RunRequest& request, const RunReport& report);
  // Keeps the run as Record does, and returns what a terminal says of the history then: its
  // notice, and why the run was not kept, each at most once.
  std::vector<std::string> RecordAndTell(const RunRequest& request, const RunReport& report);

 private:
  std::string path_;
  std::optional<history::HistoryStore> store_;
  std::string problem_;
  std::string notice_;
  std::string told_;  // the last problem said, so a lasting one is said once
};

// How a Demand or Rank cell changed since the phrase's earlier runs.
struct CellChange {
  enum class Kind {
    kNone,  // nothing to mark: the same, moved less than the threshold, or nothing to compare
    kUp,    // Rank: nearer the top (or into the pages searched); Demand: more searches
    kDown,  // Rank: further down (or out of the pages searched); Demand: fewer searches
    kNew,   // Rank: the phrase was in no earlier run of the seed's that it is compared with
  };
  Kind kind = Kind::kNone;
  // Rank: places moved, 0 when the phrase came into or fell out of the pages searched. Demand:
  // percent moved.
  std::int64_t amount = 0;
  // "Previous rank: 12 (2025-06-01 14:03)", for the tooltip; "" with nothing earlier.
  std::string previous;
};

// Demand must move by more than this many percent to be marked.
inline constexpr std::int64_t kDemandChangePercent = 10;

// The change of a Rank ("up 3", "down 12", "in", "out", "new") or a Demand ("demand +25%")
// cell in words; "" for none.
std::string ChangeWords(const CellChange& change, KeywordColumn column);

// The changes of a research's rows against the runs recorded before it from the same source and
// market: the rank only against runs with the same target. A row whose lookups were never made
// (read from a file) has none. Keeps what it read of each phrase; used from one thread.
class RunComparison {
 public:
  RunComparison(history::HistoryStore& store, RunOrigin origin, std::string seed,
                std::string target);

  // The run compared was recorded as `id`: its own record is no earlier run.
  void SetRecorded(history::RunId id) { before_ = id; }
  const RunOrigin& Origin() const { return origin_; }
  const std::string& Target() const { return target_; }

  // For kColumnDemand and kColumnRank; none for any other column.
  CellChange Change(const KeywordRow& row, KeywordColumn column);
  // The Rank change, then the Demand change when it is marked, in words: qmk's --compare column.
  std::string Words(const KeywordRow& row);

 private:
  const history::PreviousMeasurement& PreviousOf(const std::string& phrase);

  history::HistoryStore& store_;
  RunOrigin origin_;
  std::string seed_;
  std::string target_;
  std::optional<history::RunId> before_;
  std::optional<bool> seed_researched_;
  std::unordered_map<std::string, history::PreviousMeasurement> previous_;  // by phrase, folded
};

}  // namespace quillmark::session
