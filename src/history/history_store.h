#pragma once
// The history of research runs and monthly demand, in one SQLite file that the window and qmk
// may use at once (each waits out the other's write). Each write is one transaction: a failure
// (a full disk, a file made read-only) rolls it back and throws a HistoryError whose message the
// caller shows; what was recorded before stays, and the caller's run goes on. A store is used
// from one thread at a time.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/run_record.h"
#include "history/sqlite_db.h"

namespace quillmark::history {

using RunId = std::int64_t;

// One run of a phrase: when, where from, and the phrase's figures in it as the list showed them.
struct PhraseRun {
  RunId run = 0;
  std::int64_t started = 0;
  std::string source;
  std::string target;
  std::string demand;
  std::string supply;
  std::string rank;
  LookupStatus lookups;
};

// A phrase's figures as measured: nothing where the lookup did not measure it (an unknown
// demand, a page not fetched, a stopped lookup, no target).
struct Measured {
  std::optional<std::int64_t> demand;
  std::optional<std::int64_t> supply;
  std::optional<std::int64_t> rank;  // 0: not within the pages searched
};
Measured MeasuredFigures(const PhraseRun& run);

// When each figure of a Measured was measured: the start of its run, 0 for none.
struct MeasuredWhen {
  std::int64_t demand = 0;
  std::int64_t supply = 0;
  std::int64_t rank = 0;
};

// What a phrase measured before, for a change marker (up 3, down 12, "new"): each figure from
// the latest earlier run that measured it.
struct PreviousMeasurement {
  bool seen = false;              // the phrase was in an earlier run
  bool seen_with_target = false;  // ... in one with the same target; false: "new" there
  Measured figures;
  MeasuredWhen when;
};

struct StoredMonth {
  MonthlyDemand demand;
  bool generated = false;
};

struct RunSummary {
  RunId id = 0;
  std::int64_t started = 0;
  std::string source;
  Market market;
  std::string seed;
  std::string target;
  int max_pages = 0;
  int results_asked = 0;
  bool stopped = false;
  std::int64_t rows = 0;
  std::int64_t calls = 0;
  std::int64_t cached_calls = 0;
  std::int64_t retries = 0;
  double money = 0;
};

// What a forget removed.
struct Forgotten {
  std::int64_t runs = 0;
  std::int64_t rows = 0;
  std::int64_t months = 0;
};

class HistoryStore {
 public:
  // Over a file already brought to the current layout (see OpenHistory).
  explicit HistoryStore(Connection db) : db_(std::move(db)) {}

  // The run, its rows and its months, all or nothing.
  RunId RecordRun(const RunRecord& run);
  // Monthly figures outside a run. A newer figure replaces an older one of the same month,
  // except that a generated figure never replaces a provider's.
  void RecordMonths(const Market& market, const std::vector<PhraseMonths>& months);

  // The runs a phrase (in any letter case) was in, in a market and, when given, with a target:
  // the last recorded first, at most `limit`.
  std::vector<PhraseRun> PhraseRuns(std::string_view phrase, const Market& market,
                                    const std::optional<std::string>& target,
                                    std::size_t limit = 1000);
  // The phrase's figures in the runs recorded before run `before` (before now, when none) from
  // the same source and market; the rank only from runs with the same target. Figures of
  // another source (generated against real) are never compared.
  PreviousMeasurement Previous(std::string_view phrase, std::string_view source,
                               const Market& market, std::string_view target,
                               std::optional<RunId> before = std::nullopt);
  // Whether a run of `seed` (in any letter case) with this source, market and target was
  // recorded before run `before` (before now, when none).
  bool SeedResearched(std::string_view seed, std::string_view source, const Market& market,
                      std::string_view target, std::optional<RunId> before = std::nullopt);
  // The newest `count` months of a phrase in a market, oldest first.
  std::vector<StoredMonth> Months(std::string_view phrase, const Market& market,
                                  std::size_t count = 12);
  // Every run, the last recorded first, at most `limit`.
  std::vector<RunSummary> Runs(std::size_t limit = SIZE_MAX);

  // Every kept row of the phrases given (each phrase's in turn, its runs in the order recorded),
  // or of every run when none is given, with the run it was in.
  void ForEachRow(const std::vector<std::string>& phrases,
                  const std::function<void(const RunSummary&, const RunRow&)>& take);
  // Every kept month of the phrases given, or of every phrase when none is given: by phrase,
  // market and month.
  void ForEachMonth(const std::vector<std::string>& phrases,
                    const std::function<void(const std::string& phrase, const Market&,
                                             const StoredMonth&)>& take);

  // The phrase's rows, its months, and the runs it was the seed of.
  Forgotten ForgetPhrase(std::string_view phrase);
  // The runs started before `time` and the months that ended before it (local time).
  Forgotten ForgetBefore(std::int64_t time);

  // USD spent by the runs started in a calendar month (local time).
  double MoneySpent(int year, int month);

  const std::string& Path() const { return db_.Path(); }

 private:
  std::int64_t PhraseId(std::string_view phrase);
  void WriteMonths(const Market& market, const std::vector<PhraseMonths>& months);
  std::int64_t DropOrphanPhrases();
  void AfterForget();

  Connection db_;
};

}  // namespace quillmark::history
