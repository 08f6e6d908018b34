#pragma once
// Where the history file lives and how it is opened: made with its folder when absent, brought
// to the current layout when older, and set aside when it is damaged or not ours, never
// overwritten.

#include <string>

#include "history/history_store.h"

namespace quillmark::history {

// $QUILLMARK_DATA_DIR/history.sqlite3, else $XDG_DATA_HOME/quillmark/history.sqlite3, else
// ~/.local/share/quillmark/history.sqlite3.
std::string HistoryFilePath();

struct OpenedHistory {
  HistoryStore store;
  // Set when the file found was damaged or not ours: it says so and where the file was put; the
  // store is then a new, empty one.
  std::string notice;
};

// Throws HistoryError when no history can be kept at `path`: a folder that cannot be made, a
// file that cannot be opened or written (read-only), a lock never given up.
OpenedHistory OpenHistory(const std::string& path);

}  // namespace quillmark::history
