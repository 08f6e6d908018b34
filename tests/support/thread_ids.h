#pragma once
// The threads of this process, by their ids in /proc: what a test counts to see which threads
// something started.

#include <filesystem>
#include <set>
#include <string>

namespace quillmark::testing {

inline std::set<std::string> ThreadIds() {
  std::set<std::string> ids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
    ids.insert(entry.path().filename().string());
  return ids;
}

// The threads now that were not among `before`.
inline std::size_t NewThreads(const std::set<std::string>& before) {
  std::size_t added = 0;
  for (const std::string& id : ThreadIds()) added += before.count(id) == 0 ? 1 : 0;
  return added;
}

}  // namespace quillmark::testing
