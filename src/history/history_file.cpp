#include "history/history_file.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <optional>

#include "history/schema.h"
#include "store/user_folder.h"

namespace quillmark::history {
namespace {

// Long enough for the other program's recording of a run (milliseconds) many times over.
constexpr int kBusyTimeoutMs = 5000;
// Set-aside files of one day are numbered after the first; past this many, something else is
// wrong.
constexpr int kMaxSetAsideNames = 100;

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[16];
  std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

// The connection over a file of the current layout, or nothing (and why) when the file is not a
// history of ours. Failures that say nothing about the file (it cannot be opened, the disk is
// full, the other program holds the lock) throw.
std::optional<Connection> TryOpen(const std::string& path, std::string& why) {
  Connection db(path, true);
  try {
    db.Execute(("PRAGMA busy_timeout = " + std::to_string(kBusyTimeoutMs)).c_str());
    {
      // Read before anything is written, so a file that is not ours is left as it was; the
      // first read of a file that is not SQLite fails here.
      Transaction transaction(db);
      switch (ReadFileState(db)) {
        case FileState::kReady:
          break;
        case FileState::kEmpty:
        case FileState::kOlder:
          MigrateSchema(db);
          break;
        case FileState::kForeign:
          why = "it holds tables that are not a Quillmark history";
          return std::nullopt;
        case FileState::kNewer:
          why = "a newer Quillmark wrote it (layout " + std::to_string(SchemaVersion(db)) + ")";
          return std::nullopt;
      }
      transaction.Commit();
    }
    // With the log, NORMAL loses nothing committed when the program dies, only at a power cut;
    // freed pages are wiped, so a forgotten phrase leaves no trace in the file.
    db.Execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA secure_delete = ON");
  } catch (const HistoryError& e) {
    if (e.Code() != SQLITE_NOTADB && e.Code() != SQLITE_CORRUPT) throw;
    why = e.what();
    return std::nullopt;
  }
  return db;
}

// Moves the file, and its log with it, to a free name beside it carrying today's date; the name,
// or "" when the file was gone already (another program set it aside first).
std::string SetAside(const std::string& path) {
  const std::string stem = path + ".set-aside-" + Today();
  for (int n = 1; n <= kMaxSetAsideNames; ++n) {
    const std::string aside = n == 1 ? stem : stem + "-" + std::to_string(n);
    // Never onto a file already there: an earlier set-aside file is kept too.
    if (::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
      // A log left beside the new file would be read into it.
      ::rename((path + "-wal").c_str(), (aside + "-wal").c_str());
      ::unlink((path + "-shm").c_str());
      return aside;
    }
    if (errno == ENOENT) return {};
    if (errno != EEXIST) {
      throw HistoryError("cannot set the history " + path + " aside: " + std::strerror(errno));
    }
  }
  throw HistoryError("cannot set the history " + path + " aside: too many set-aside files");
}

}  // namespace

std::string HistoryFilePath() {
  return store::UserFolder("QUILLMARK_DATA_DIR", "XDG_DATA_HOME", ".local/share") +
         "/history.sqlite3";
}

OpenedHistory OpenHistory(const std::string& path) {
  const std::string folder = path.substr(0, path.rfind('/'));
  if (!folder.empty() && folder != path && !store::MakeFolders(folder))
    throw HistoryError("cannot make the folder " + folder +
                       " for the history: " + std::strerror(errno));
  try {
    std::string why;
    if (std::optional<Connection> db = TryOpen(path, why))
      return {HistoryStore(std::move(*db)), {}};
    const std::string aside = SetAside(path);
    std::string notice;
    if (!aside.empty()) {
      notice = "The history file " + path + " could not be used (" + why +
               "); it was set aside as " + aside + " and a new history started.";
    }
    if (std::optional<Connection> db = TryOpen(path, why))
      return {HistoryStore(std::move(*db)), notice};
    throw HistoryError(why);
  } catch (const HistoryError& e) {
    throw HistoryError("cannot open the history " + path + ": " + e.what(), e.Code());
  }
}

}  // namespace quillmark::history
