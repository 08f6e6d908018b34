#pragma once
// A small RAII layer over SQLite's C interface: a connection, its prepared statements and a
// transaction that rolls back unless committed. Every failure becomes a HistoryError carrying
// SQLite's message.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "history/history_error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace quillmark::history {

class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  Statement(Statement&&) noexcept = default;
  Statement& operator=(Statement&&) noexcept = default;

  // Parameters count from 1, as in the SQL's "?" order.
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, std::int64_t{value}); }
  Statement& Bind(int index, double value);
  Statement& Bind(int index, std::string_view text);  // copied: the view may end before the step
  Statement& BindNull(int index);
  // Binds each argument in turn from parameter 1 on.
  template <typename... Values>
  Statement& BindAll(const Values&... values) {
    int index = 0;
    (Bind(++index, values), ...);
    return *this;
  }

  // Moves to the next result row: false when there is none left (the statement is then reset,
  // so it holds no read lock).
  bool Step();
  // Steps through to the end, for a statement that gives no rows.
  void Run();
  // Ready for another use, with no parameter bound.
  void Reset();

  // Columns count from 0. Null reads as 0 or "".
  std::int64_t Int(int column) const;
  double Real(int column) const;
  std::string Text(int column) const;
  bool IsNull(int column) const;

 private:
  struct Finalize {
    void operator()(sqlite3_stmt* statement) const;
  };
  sqlite3* db_;
  std::unique_ptr<sqlite3_stmt, Finalize> statement_;
};

class Connection {
 public:
  // Opens the database file for reading and writing, creating it when `create`. Failures
  // throw; a file that is not a database shows only at the first read.
  Connection(const std::string& path, bool create);
  Connection(Connection&&) noexcept = default;
  Connection& operator=(Connection&&) noexcept = default;

  // Runs one or more statements that give no rows.
  void Execute(const char* sql);
  Statement Prepare(std::string_view sql) { return Statement(db_.get(), sql); }
  // A statement prepared once per connection and kept, reset for a new use: for the writes
  // that a recording repeats per row. `sql` must be a literal (it is the key).
  Statement& Cached(const char* sql);
  // The single integer a query gives, or nothing when it gives no row.
  std::optional<std::int64_t> QueryInt(std::string_view sql);

  std::int64_t LastInsertId() const;
  std::int64_t Changes() const;
  const std::string& Path() const { return path_; }

 private:
  struct Close {
    void operator()(sqlite3* db) const;
  };
  std::string path_;
  std::unique_ptr<sqlite3, Close> db_;
  // Declared after the handle, so they are finalised before it closes.
  std::map<const char*, Statement> cached_;
};

// BEGIN IMMEDIATE: the write lock is taken at once (waiting out the busy timeout), so two
// writers never deadlock upgrading a read. Rolled back on destruction unless committed.
class Transaction {
 public:
  explicit Transaction(Connection& connection);
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit();

 private:
  Connection& connection_;
  bool open_ = true;
};

// SQLite's message for a failure of `db`, as a HistoryError.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int code);

}  // namespace quillmark::history
