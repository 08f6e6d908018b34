#pragma once
// The history file's layout and its versions. The version is SQLite's user_version; each
// migration takes the file one version up inside the caller's transaction, so a file is always
// at one version or the next, never between.
//
//  1  runs, their rows (each with its phrase's text) and the monthly demand by phrase text.
//  2  each phrase kept once, in any letter case (phrases), rows and months pointing to it: the
//     file stays small, one phrase's rows are found through an index of numbers, and "Garden
//     Sheds" and "garden sheds" are one phrase's story.

namespace quillmark::history {

class Connection;

inline constexpr int kSchemaVersion = 2;

// What the file at hand is, read inside the caller's write transaction.
enum class FileState {
  kReady,    // ours, at kSchemaVersion
  kOlder,    // ours, at an earlier version: MigrateSchema brings it up
  kEmpty,    // no tables yet: MigrateSchema lays it out
  kForeign,  // tables that are not ours, or ours with some missing
  kNewer,    // a version this program does not know
};
FileState ReadFileState(Connection& db);

// Takes the file from its version up to `target` (kSchemaVersion by default), one migration at
// a time. Tests stop at 1 to make a file of the first layout.
void MigrateSchema(Connection& db, int target = kSchemaVersion);

// The file's user_version.
int SchemaVersion(Connection& db);

}  // namespace quillmark::history
