#pragma once
// The failure of the history file: it cannot be opened, read or written. The message says what
// was being done and carries SQLite's own words ("database or disk is full").

#include <stdexcept>
#include <string>

namespace quillmark::history {

class HistoryError : public std::runtime_error {
 public:
  explicit HistoryError(const std::string& message, int code = 0)
      : std::runtime_error(message), code_(code) {}

  // SQLite's primary result code (SQLITE_FULL, SQLITE_NOTADB, ...); 0 when SQLite said nothing.
  int Code() const { return code_; }

 private:
  int code_;
};

}  // namespace quillmark::history
