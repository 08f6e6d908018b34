#include "history/history_store.h"

#include <algorithm>
#include <ctime>
#include <limits>
#include <utility>

#include "research/whole_number.h"

namespace quillmark::history {
namespace {

// The codes the file keeps for the lookups: fixed here, so reordering an enum never changes what
// a stored row means. A code the file holds but this table lacks reads as not asked.
constexpr DemandLookup kDemandCodes[] = {DemandLookup::kNotAsked, DemandLookup::kCounted,
                                         DemandLookup::kUnknown};
constexpr SupplyLookup kSupplyCodes[] = {SupplyLookup::kNotAsked, SupplyLookup::kCounted,
                                         SupplyLookup::kNoCount, SupplyLookup::kNotFetched,
                                         SupplyLookup::kSkipped};
constexpr RankLookup kRankCodes[] = {RankLookup::kNotAsked, RankLookup::kFound,
                                     RankLookup::kNotFound, RankLookup::kNotFetched,
                                     RankLookup::kStopped};

template <typename Enum, std::size_t N>
std::int64_t CodeOf(const Enum (&codes)[N], Enum value) {
  return std::find(codes, codes + N, value) - codes;
}

template <typename Enum, std::size_t N>
Enum FromCode(const Enum (&codes)[N], std::int64_t code) {
  return code >= 0 && code < static_cast<std::int64_t>(N) ? codes[code] : codes[0];
}

// A reason is stored only when there is one.
void BindReason(Statement& statement, int index, const std::string& reason) {
  if (reason.empty()) {
    statement.BindNull(index);
  } else {
    statement.Bind(index, reason);
  }
}

// The lookups from nine columns of a row, starting at `first`: demand, supply, supply reason,
// rank, rank pages, searched, failed, rank reason.
LookupStatus ReadLookups(const Statement& row, int first) {
  LookupStatus status;
  status.demand = FromCode(kDemandCodes, row.Int(first));
  status.supply = FromCode(kSupplyCodes, row.Int(first + 1));
  status.supply_reason = row.Text(first + 2);
  status.rank = FromCode(kRankCodes, row.Int(first + 3));
  status.rank_pages = row.Int(first + 4);
  status.rank_pages_searched = row.Int(first + 5);
  status.rank_pages_failed = row.Int(first + 6);
  status.rank_reason = row.Text(first + 7);
  return status;
}

constexpr const char* kLookupColumns =
    "w.demand_lookup, w.supply_lookup, w.supply_reason, w.rank_lookup, w.rank_pages, "
    "w.rank_searched, w.rank_failed, w.rank_reason";

// A run's columns, in the order ReadRun reads them.
constexpr const char* kRunColumns =
    "r.id, r.started, r.source, r.location, r.language, r.seed, r.target, r.max_pages, "
    "r.results, r.stopped, r.row_count, r.calls, r.cached, r.retries, r.money";
constexpr int kRunColumnCount = 15;

RunSummary ReadRun(const Statement& query) {
  RunSummary run;
  run.id = query.Int(0);
  run.started = query.Int(1);
  run.source = query.Text(2);
  run.market = {static_cast<int>(query.Int(3)), query.Text(4)};
  run.seed = query.Text(5);
  run.target = query.Text(6);
  run.max_pages = static_cast<int>(query.Int(7));
  run.results_asked = static_cast<int>(query.Int(8));
  run.stopped = query.Int(9) != 0;
  run.rows = query.Int(10);
  run.calls = query.Int(11);
  run.cached_calls = query.Int(12);
  run.retries = query.Int(13);
  run.money = query.Real(14);
  return run;
}

bool ValidMonth(const MonthlyDemand& month) {
  return month.year >= 1 && month.year <= 9999 && month.month >= 1 && month.month <= 12 &&
         month.volume >= 0;
}

// Local midnight on the first of a month, as seconds since 1970; months past 12 roll over.
std::int64_t MonthStart(int year, int month) {
  std::tm day{};
  day.tm_year = year - 1900;
  day.tm_mon = month - 1;
  day.tm_mday = 1;
  day.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&day));
}

// The failure of a write, told with what was being written and where.
[[noreturn]] void Rethrow(const HistoryError& error, const char* action, const std::string& path) {
  throw HistoryError(
      std::string("cannot ") + action + " in the history " + path + ": " + error.what(),
      error.Code());
}

}  // namespace

Measured MeasuredFigures(const PhraseRun& run) {
  Measured figures;
  if (run.lookups.demand == DemandLookup::kCounted) figures.demand = ReadWholeNumber(run.demand);
  if (run.lookups.supply == SupplyLookup::kCounted) figures.supply = ReadWholeNumber(run.supply);
  if (run.lookups.rank == RankLookup::kFound) figures.rank = ReadWholeNumber(run.rank);
  if (run.lookups.rank == RankLookup::kNotFound) figures.rank = 0;
  return figures;
}

std::int64_t HistoryStore::PhraseId(std::string_view phrase) {
  Statement& find = db_.Cached("SELECT id FROM phrases WHERE text = ?");
  find.Bind(1, phrase);
  if (find.Step()) {
    const std::int64_t id = find.Int(0);
    find.Reset();
    return id;
  }
  db_.Cached("INSERT INTO phrases(text) VALUES(?)").Bind(1, phrase).Run();
  return db_.LastInsertId();
}

void HistoryStore::WriteMonths(const Market& market, const std::vector<PhraseMonths>& months) {
  for (const PhraseMonths& phrase : months) {
    if (phrase.months.empty()) continue;
    const std::int64_t id = PhraseId(phrase.phrase);
    for (const MonthlyDemand& month : phrase.months) {
      if (!ValidMonth(month)) continue;
      db_.Cached(
             "INSERT INTO monthly_demand(phrase, location, language, year, month, volume, "
             "generated) VALUES(?, ?, ?, ?, ?, ?, ?) "
             "ON CONFLICT(phrase, location, language, year, month) DO UPDATE SET "
             "volume = excluded.volume, generated = excluded.generated "
             "WHERE (excluded.generated = 0 OR monthly_demand.generated = 1) AND "
             // A month kept as it was is not written again: most of a repeated research's.
             "(volume != excluded.volume OR generated != excluded.generated)")
          .BindAll(id, market.location, market.language, month.year, month.month, month.volume,
                   std::int64_t{phrase.generated})
          .Run();
    }
  }
}

RunId HistoryStore::RecordRun(const RunRecord& run) {
  try {
    Transaction transaction(db_);
    db_.Cached(
           "INSERT INTO runs(started, source, location, language, seed, target, max_pages, "
           "results, stopped, row_count, calls, cached, retries, money) "
           "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .BindAll(run.started, run.source, run.market.location, run.market.language, run.seed,
                 run.target, run.max_pages, run.results_asked, std::int64_t{run.stopped},
                 static_cast<std::int64_t>(run.rows.size()), run.calls, run.cached_calls,
                 run.retries, run.money)
        .Run();
    const RunId id = db_.LastInsertId();
    std::int64_t position = 0;
    for (const RunRow& row : run.rows) {
      const std::int64_t phrase = PhraseId(row.keyword);
      const LookupStatus& l = row.lookups;
      Statement& insert = db_.Cached(
          "INSERT INTO run_rows(run, position, phrase, demand, supply, cost, rank, "
          "profitability, estimate, demand_lookup, supply_lookup, supply_reason, rank_lookup, "
          "rank_pages, rank_searched, rank_failed, rank_reason) "
          "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
      insert.BindAll(id, position++, phrase, row.texts[0], row.texts[1], row.texts[2], row.texts[3],
                     row.texts[4], row.texts[5], CodeOf(kDemandCodes, l.demand),
                     CodeOf(kSupplyCodes, l.supply));
      BindReason(insert, 12, l.supply_reason);
      insert.Bind(13, CodeOf(kRankCodes, l.rank))
          .Bind(14, l.rank_pages)
          .Bind(15, l.rank_pages_searched)
          .Bind(16, l.rank_pages_failed);
      BindReason(insert, 17, l.rank_reason);
      insert.Run();
    }
    WriteMonths(run.market, run.months);
    transaction.Commit();
    return id;
  } catch (const HistoryError& e) {
    Rethrow(e, "record the run", Path());
  }
}

void HistoryStore::RecordMonths(const Market& market, const std::vector<PhraseMonths>& months) {
  try {
    Transaction transaction(db_);
    WriteMonths(market, months);
    transaction.Commit();
  } catch (const HistoryError& e) {
    Rethrow(e, "record the monthly demand", Path());
  }
}

std::vector<PhraseRun> HistoryStore::PhraseRuns(std::string_view phrase, const Market& market,
                                                const std::optional<std::string>& target,
                                                std::size_t limit) {
  // CROSS JOIN keeps SQLite's plan to the one that suits: the phrase's index entries first, then
  // their runs. Newest first is the order the runs were recorded in, the index's own, so the
  // walk stops at the limit however many runs the phrase was in.
  Statement query = db_.Prepare(
      std::string("SELECT r.id, r.started, r.source, r.target, w.demand, w.supply, w.rank, ") +
      kLookupColumns +
      " FROM phrases p CROSS JOIN run_rows w CROSS JOIN runs r"
      " WHERE p.text = ?1 AND w.phrase = p.id AND r.id = w.run"
      " AND r.location = ?2 AND r.language = ?3 AND (?4 IS NULL OR r.target = ?4)"
      " ORDER BY w.run DESC, w.position DESC LIMIT ?5");
  query.BindAll(phrase, market.location, market.language);
  if (target) query.Bind(4, *target);
  query.Bind(5, static_cast<std::int64_t>(
                    std::min<std::size_t>(limit, std::numeric_limits<std::int64_t>::max())));
  std::vector<PhraseRun> runs;
  while (query.Step()) {
    runs.push_back({query.Int(0), query.Int(1), query.Text(2), query.Text(3), query.Text(4),
                    query.Text(5), query.Text(6), ReadLookups(query, 7)});
  }
  return runs;
}

PreviousMeasurement HistoryStore::Previous(std::string_view phrase, std::string_view source,
                                           const Market& market, std::string_view target,
                                           std::optional<RunId> before) {
  Statement query = db_.Prepare(
      std::string("SELECT r.id, r.started, r.source, r.target, w.demand, w.supply, w.rank, ") +
      kLookupColumns +
      " FROM phrases p CROSS JOIN run_rows w CROSS JOIN runs r"
      " WHERE p.text = ?1 AND w.phrase = p.id AND w.run < ?5 AND r.id = w.run"
      " AND r.source = ?2 AND r.location = ?3 AND r.language = ?4"
      " ORDER BY w.run DESC, w.position DESC");
  query.BindAll(phrase, source, market.location, market.language,
                before.value_or(std::numeric_limits<RunId>::max()));
  PreviousMeasurement previous;
  Measured& found = previous.figures;
  MeasuredWhen& when = previous.when;
  while (query.Step()) {
    previous.seen = true;
    PhraseRun run{query.Int(0),  query.Int(1),  query.Text(2), query.Text(3),
                  query.Text(4), query.Text(5), query.Text(6), ReadLookups(query, 7)};
    const bool same_target = run.target == target;
    previous.seen_with_target = previous.seen_with_target || same_target;
    const Measured figures = MeasuredFigures(run);
    if (!found.demand && figures.demand) {
      found.demand = figures.demand;
      when.demand = run.started;
    }
    if (!found.supply && figures.supply) {
      found.supply = figures.supply;
      when.supply = run.started;
    }
    if (!found.rank && figures.rank && same_target) {
      found.rank = figures.rank;
      when.rank = run.started;
    }
    if (found.demand && found.supply && found.rank) {
      query.Reset();
      break;
    }
  }
  return previous;
}

bool HistoryStore::SeedResearched(std::string_view seed, std::string_view source,
                                  const Market& market, std::string_view target,
                                  std::optional<RunId> before) {
  Statement query = db_.Prepare(
      "SELECT 1 FROM runs WHERE id < ?1 AND seed = ?2 COLLATE NOCASE AND source = ?3"
      " AND location = ?4 AND language = ?5 AND target = ?6 LIMIT 1");
  query.BindAll(before.value_or(std::numeric_limits<RunId>::max()), seed, source, market.location,
                market.language, target);
  const bool found = query.Step();
  query.Reset();
  return found;
}

std::vector<StoredMonth> HistoryStore::Months(std::string_view phrase, const Market& market,
                                              std::size_t count) {
  Statement query = db_.Prepare(
      "SELECT m.year, m.month, m.volume, m.generated"
      " FROM phrases p CROSS JOIN monthly_demand m"
      " WHERE p.text = ?1 AND m.phrase = p.id AND m.location = ?2 AND m.language = ?3"
      " ORDER BY m.year DESC, m.month DESC LIMIT ?4");
  query.BindAll(phrase, market.location, market.language,
                static_cast<std::int64_t>(std::min<std::size_t>(count, 1'000'000)));
  std::vector<StoredMonth> months;
  while (query.Step()) {
    months.push_back(
        {{static_cast<int>(query.Int(0)), static_cast<int>(query.Int(1)), query.Int(2)},
         query.Int(3) != 0});
  }
  std::reverse(months.begin(), months.end());
  return months;
}

std::vector<RunSummary> HistoryStore::Runs(std::size_t limit) {
  Statement query =
      db_.Prepare(std::string("SELECT ") + kRunColumns + " FROM runs r ORDER BY id DESC LIMIT ?");
  query.Bind(1, static_cast<std::int64_t>(
                    std::min<std::size_t>(limit, std::numeric_limits<std::int64_t>::max())));
  std::vector<RunSummary> runs;
  while (query.Step()) runs.push_back(ReadRun(query));
  return runs;
}

void HistoryStore::ForEachRow(const std::vector<std::string>& phrases,
                              const std::function<void(const RunSummary&, const RunRow&)>& take) {
  const std::string columns = std::string("SELECT ") + kRunColumns +
                              ", p.text, w.demand, w.supply, w.cost, w.rank, w.profitability, "
                              "w.estimate, " +
                              kLookupColumns;
  const auto read = [&take](Statement& query) {
    RunSummary run;
    RunRow row;
    while (query.Step()) {
      // Rows of one run come together: its columns are read once.
      if (query.Int(0) != run.id) run = ReadRun(query);
      row.keyword = query.Text(kRunColumnCount);
      for (std::size_t i = 0; i < kRowTexts; ++i)
        row.texts[i] = query.Text(kRunColumnCount + 1 + static_cast<int>(i));
      row.lookups = ReadLookups(query, kRunColumnCount + 1 + static_cast<int>(kRowTexts));
      take(run, row);
    }
  };
  if (phrases.empty()) {
    Statement query =
        db_.Prepare(columns +
                    " FROM runs r CROSS JOIN run_rows w CROSS JOIN phrases p"
                    " WHERE w.run = r.id AND p.id = w.phrase ORDER BY r.id, w.position");
    read(query);
    return;
  }
  Statement query = db_.Prepare(columns +
                                " FROM phrases p CROSS JOIN run_rows w CROSS JOIN runs r"
                                " WHERE p.text = ? AND w.phrase = p.id AND r.id = w.run"
                                " ORDER BY w.run, w.position");
  for (const std::string& phrase : phrases) {
    query.Bind(1, phrase);
    read(query);
  }
}

void HistoryStore::ForEachMonth(
    const std::vector<std::string>& phrases,
    const std::function<void(const std::string&, const Market&, const StoredMonth&)>& take) {
  constexpr const char* kColumns =
      "SELECT p.text, m.location, m.language, m.year, m.month, m.volume, m.generated";
  const auto read = [&take](Statement& query) {
    while (query.Step()) {
      take(query.Text(0), {static_cast<int>(query.Int(1)), query.Text(2)},
           {{static_cast<int>(query.Int(3)), static_cast<int>(query.Int(4)), query.Int(5)},
            query.Int(6) != 0});
    }
  };
  if (phrases.empty()) {
    Statement query = db_.Prepare(std::string(kColumns) +
                                  " FROM phrases p CROSS JOIN monthly_demand m"
                                  " WHERE m.phrase = p.id ORDER BY p.text, m.location,"
                                  " m.language, m.year, m.month");
    read(query);
    return;
  }
  Statement query = db_.Prepare(std::string(kColumns) +
                                " FROM phrases p CROSS JOIN monthly_demand m"
                                " WHERE p.text = ? AND m.phrase = p.id"
                                " ORDER BY m.location, m.language, m.year, m.month");
  for (const std::string& phrase : phrases) {
    query.Bind(1, phrase);
    read(query);
  }
}

std::int64_t HistoryStore::DropOrphanPhrases() {
  db_.Execute(
      "DELETE FROM phrases WHERE NOT EXISTS (SELECT 1 FROM run_rows WHERE phrase = phrases.id) "
      "AND NOT EXISTS (SELECT 1 FROM monthly_demand WHERE phrase = phrases.id)");
  return db_.Changes();
}

// What was forgotten must not linger in the log either (the file's freed pages are wiped: the
// connection deletes securely).
void HistoryStore::AfterForget() {
  try {
    db_.Execute("PRAGMA wal_checkpoint(TRUNCATE)");
  } catch (const HistoryError&) {
    // Another process reading keeps the log for now; SQLite checkpoints it later.
  }
}

Forgotten HistoryStore::ForgetPhrase(std::string_view phrase) {
  Forgotten forgotten;
  try {
    Transaction transaction(db_);
    const auto run = [this](const char* sql, auto... values) {
      db_.Prepare(sql).BindAll(values...).Run();
      return db_.Changes();
    };
    forgotten.rows +=
        run("DELETE FROM run_rows WHERE run IN (SELECT id FROM runs WHERE seed = ? COLLATE NOCASE)",
            phrase);
    forgotten.runs += run("DELETE FROM runs WHERE seed = ? COLLATE NOCASE", phrase);
    run("UPDATE runs SET row_count = row_count - (SELECT count(*) FROM run_rows w, phrases p"
        " WHERE w.run = runs.id AND w.phrase = p.id AND p.text = ?1)"
        " WHERE id IN (SELECT w.run FROM run_rows w, phrases p"
        " WHERE w.phrase = p.id AND p.text = ?1)",
        phrase);
    forgotten.rows +=
        run("DELETE FROM run_rows WHERE phrase = (SELECT id FROM phrases WHERE text = ?)", phrase);
    forgotten.months +=
        run("DELETE FROM monthly_demand WHERE phrase = (SELECT id FROM phrases WHERE text = ?)",
            phrase);
    DropOrphanPhrases();
    transaction.Commit();
  } catch (const HistoryError& e) {
    Rethrow(e, "forget the phrase", Path());
  }
  AfterForget();
  return forgotten;
}

Forgotten HistoryStore::ForgetBefore(std::int64_t time) {
  const auto when = static_cast<std::time_t>(time);
  std::tm local{};
  localtime_r(&when, &local);
  const std::int64_t month = (local.tm_year + 1900) * 12 + local.tm_mon + 1;
  Forgotten forgotten;
  try {
    Transaction transaction(db_);
    const auto run = [this](const char* sql, std::int64_t value) {
      db_.Prepare(sql).Bind(1, value).Run();
      return db_.Changes();
    };
    forgotten.rows =
        run("DELETE FROM run_rows WHERE run IN (SELECT id FROM runs WHERE started < ?)", time);
    forgotten.runs = run("DELETE FROM runs WHERE started < ?", time);
    forgotten.months = run("DELETE FROM monthly_demand WHERE year * 12 + month < ?", month);
    DropOrphanPhrases();
    transaction.Commit();
  } catch (const HistoryError& e) {
    Rethrow(e, "forget the entries", Path());
  }
  AfterForget();
  return forgotten;
}

double HistoryStore::MoneySpent(int year, int month) {
  Statement query = db_.Prepare("SELECT total(money) FROM runs WHERE started >= ? AND started < ?");
  query.BindAll(MonthStart(year, month), MonthStart(year, month + 1));
  const double money = query.Step() ? query.Real(0) : 0;
  query.Reset();
  return money;
}

}  // namespace quillmark::history
