#include "history/schema.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "history/sqlite_db.h"

namespace quillmark::history {
namespace {

// Times are seconds since 1970 (UTC). A row's six texts are the list's, as shown; its lookups
// are kept as the codes the store gives them (history_store.cpp), never as the enums' order.
constexpr const char* kLayoutOne = R"sql(
CREATE TABLE runs(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  started INTEGER NOT NULL,
  source TEXT NOT NULL,
  location INTEGER NOT NULL,
  language TEXT NOT NULL,
  seed TEXT NOT NULL,
  target TEXT NOT NULL,
  max_pages INTEGER NOT NULL,
  results INTEGER NOT NULL,
  stopped INTEGER NOT NULL,
  row_count INTEGER NOT NULL,
  calls INTEGER NOT NULL,
  cached INTEGER NOT NULL,
  retries INTEGER NOT NULL,
  money REAL NOT NULL);
CREATE INDEX runs_started ON runs(started);
CREATE TABLE run_rows(
  run INTEGER NOT NULL,
  position INTEGER NOT NULL,
  keyword TEXT NOT NULL,
  demand TEXT NOT NULL,
  supply TEXT NOT NULL,
  cost TEXT NOT NULL,
  rank TEXT NOT NULL,
  profitability TEXT NOT NULL,
  estimate TEXT NOT NULL,
  demand_lookup INTEGER NOT NULL,
  supply_lookup INTEGER NOT NULL,
  supply_reason TEXT,
  rank_lookup INTEGER NOT NULL,
  rank_pages INTEGER NOT NULL,
  rank_searched INTEGER NOT NULL,
  rank_failed INTEGER NOT NULL,
  rank_reason TEXT,
  PRIMARY KEY(run, position)) WITHOUT ROWID;
CREATE INDEX run_rows_keyword ON run_rows(keyword);
CREATE TABLE monthly_demand(
  phrase TEXT NOT NULL,
  location INTEGER NOT NULL,
  language TEXT NOT NULL,
  year INTEGER NOT NULL,
  month INTEGER NOT NULL,
  volume INTEGER NOT NULL,
  generated INTEGER NOT NULL,
  PRIMARY KEY(phrase, location, language, year, month)) WITHOUT ROWID;
PRAGMA user_version = 1;
)sql";

// Rows and months point to their phrase by number. Where two month figures of the first layout
// meet in one phrase, the provider's is kept over a generated one. The phrase's index holds what
// its queries read, so a phrase's thousand runs are a few neighbouring pages, not a page each.
constexpr const char* kLayoutTwo = R"sql(
CREATE TABLE phrases(
  id INTEGER PRIMARY KEY,
  text TEXT NOT NULL UNIQUE COLLATE NOCASE);
INSERT OR IGNORE INTO phrases(text) SELECT keyword FROM run_rows ORDER BY run, position;
INSERT OR IGNORE INTO phrases(text) SELECT phrase FROM monthly_demand;
CREATE TABLE run_rows_new(
  run INTEGER NOT NULL,
  position INTEGER NOT NULL,
  phrase INTEGER NOT NULL,
  demand TEXT NOT NULL,
  supply TEXT NOT NULL,
  cost TEXT NOT NULL,
  rank TEXT NOT NULL,
  profitability TEXT NOT NULL,
  estimate TEXT NOT NULL,
  demand_lookup INTEGER NOT NULL,
  supply_lookup INTEGER NOT NULL,
  supply_reason TEXT,
  rank_lookup INTEGER NOT NULL,
  rank_pages INTEGER NOT NULL,
  rank_searched INTEGER NOT NULL,
  rank_failed INTEGER NOT NULL,
  rank_reason TEXT,
  PRIMARY KEY(run, position)) WITHOUT ROWID;
INSERT INTO run_rows_new
  SELECT r.run, r.position, p.id, r.demand, r.supply, r.cost, r.rank, r.profitability,
         r.estimate, r.demand_lookup, r.supply_lookup, r.supply_reason, r.rank_lookup,
         r.rank_pages, r.rank_searched, r.rank_failed, r.rank_reason
  FROM run_rows r JOIN phrases p ON p.text = r.keyword;
DROP TABLE run_rows;
ALTER TABLE run_rows_new RENAME TO run_rows;
CREATE INDEX run_rows_phrase ON run_rows(phrase, run, position, demand, supply, rank,
  demand_lookup, supply_lookup, supply_reason, rank_lookup, rank_pages, rank_searched,
  rank_failed, rank_reason);
CREATE TABLE monthly_demand_new(
  phrase INTEGER NOT NULL,
  location INTEGER NOT NULL,
  language TEXT NOT NULL,
  year INTEGER NOT NULL,
  month INTEGER NOT NULL,
  volume INTEGER NOT NULL,
  generated INTEGER NOT NULL,
  PRIMARY KEY(phrase, location, language, year, month)) WITHOUT ROWID;
INSERT OR REPLACE INTO monthly_demand_new
  SELECT p.id, m.location, m.language, m.year, m.month, m.volume, m.generated
  FROM monthly_demand m JOIN phrases p ON p.text = m.phrase
  ORDER BY m.generated DESC;
DROP TABLE monthly_demand;
ALTER TABLE monthly_demand_new RENAME TO monthly_demand;
PRAGMA user_version = 2;
)sql";

constexpr std::array<const char*, kSchemaVersion> kMigrations = {kLayoutOne, kLayoutTwo};

// The tables each version has.
std::set<std::string> TablesOf(int version) {
  std::set<std::string> tables = {"runs", "run_rows", "monthly_demand"};
  if (version >= 2) tables.insert("phrases");
  return tables;
}

}  // namespace

int SchemaVersion(Connection& db) {
  return static_cast<int>(db.QueryInt("PRAGMA user_version").value_or(0));
}

FileState ReadFileState(Connection& db) {
  const int version = SchemaVersion(db);
  std::set<std::string> tables;
  Statement names = db.Prepare(
      "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
      "ESCAPE '\\'");
  while (names.Step()) tables.insert(names.Text(0));
  if (version < 0) return FileState::kForeign;
  if (version == 0) return tables.empty() ? FileState::kEmpty : FileState::kForeign;
  if (version > kSchemaVersion) return FileState::kNewer;
  const std::set<std::string> ours = TablesOf(version);
  if (!std::includes(tables.begin(), tables.end(), ours.begin(), ours.end()))
    return FileState::kForeign;
  return version == kSchemaVersion ? FileState::kReady : FileState::kOlder;
}

void MigrateSchema(Connection& db, int target) {
  for (int version = SchemaVersion(db); version < target; ++version)
    db.Execute(kMigrations[static_cast<std::size_t>(version)]);
}

}  // namespace quillmark::history
