#include "history/sqlite_db.h"

#include <sqlite3.h>

namespace quillmark::history {

void ThrowSqliteError(sqlite3* db, int code) {
  // The connection's message is the more precise one ("no such table: runs"), when it has one
  // for this failure.
  const char* message =
      db != nullptr && sqlite3_errcode(db) == code ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  throw HistoryError(message, code & 0xff);
}

namespace {

void Check(sqlite3* db, int code) {
  if (code != SQLITE_OK) ThrowSqliteError(db, code);
}

}  // namespace

void Statement::Finalize::operator()(sqlite3_stmt* statement) const {
  sqlite3_finalize(statement);
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  sqlite3_stmt* raw = nullptr;
  Check(db, sqlite3_prepare_v3(db, sql.data(), static_cast<int>(sql.size()),
                               SQLITE_PREPARE_PERSISTENT, &raw, nullptr));
  statement_.reset(raw);
}

Statement& Statement::Bind(int index, std::int64_t value) {
  Check(db_, sqlite3_bind_int64(statement_.get(), index, value));
  return *this;
}

Statement& Statement::Bind(int index, double value) {
  Check(db_, sqlite3_bind_double(statement_.get(), index, value));
  return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
  // A view of nothing has no data pointer, which SQLite would bind as NULL, not as "".
  Check(db_, sqlite3_bind_text64(statement_.get(), index, text.data() ? text.data() : "",
                                 text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
  return *this;
}

Statement& Statement::BindNull(int index) {
  Check(db_, sqlite3_bind_null(statement_.get(), index));
  return *this;
}

bool Statement::Step() {
  const int code = sqlite3_step(statement_.get());
  if (code == SQLITE_ROW) return true;
  sqlite3_reset(statement_.get());
  if (code != SQLITE_DONE) ThrowSqliteError(db_, code);
  return false;
}

void Statement::Run() {
  while (Step()) {
  }
}

void Statement::Reset() {
  sqlite3_reset(statement_.get());
  sqlite3_clear_bindings(statement_.get());
}

std::int64_t Statement::Int(int column) const {
  return sqlite3_column_int64(statement_.get(), column);
}

double Statement::Real(int column) const {
  return sqlite3_column_double(statement_.get(), column);
}

std::string Statement::Text(int column) const {
  const auto* text = sqlite3_column_text(statement_.get(), column);
  const int bytes = sqlite3_column_bytes(statement_.get(), column);
  return text == nullptr ? std::string() : std::string(reinterpret_cast<const char*>(text), bytes);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(statement_.get(), column) == SQLITE_NULL;
}

void Connection::Close::operator()(sqlite3* db) const {
  // _v2: a statement still alive keeps the handle until it is finalised, never a leak or a
  // use after close.
  sqlite3_close_v2(db);
}

Connection::Connection(const std::string& path, bool create) : path_(path) {
  sqlite3* raw = nullptr;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                    SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
  const int code = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
  db_.reset(raw);  // closed even when the open failed
  if (code != SQLITE_OK) ThrowSqliteError(raw, code);
}

void Connection::Execute(const char* sql) {
  Check(db_.get(), sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr));
}

Statement& Connection::Cached(const char* sql) {
  auto found = cached_.find(sql);
  if (found == cached_.end()) found = cached_.emplace(sql, Statement(db_.get(), sql)).first;
  found->second.Reset();
  return found->second;
}

std::optional<std::int64_t> Connection::QueryInt(std::string_view sql) {
  Statement statement(db_.get(), sql);
  if (!statement.Step()) return std::nullopt;
  const std::int64_t value = statement.Int(0);
  statement.Reset();
  return value;
}

std::int64_t Connection::LastInsertId() const {
  return sqlite3_last_insert_rowid(db_.get());
}

std::int64_t Connection::Changes() const {
  return sqlite3_changes64(db_.get());
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
  connection_.Execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
  if (!open_) return;
  try {
    connection_.Execute("ROLLBACK");
  } catch (const HistoryError&) {
    // SQLite has already rolled back after some failures (a full disk); nothing is left to do.
  }
}

void Transaction::Commit() {
  connection_.Execute("COMMIT");
  open_ = false;
}

}  // namespace quillmark::history
