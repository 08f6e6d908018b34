#pragma once
// The threads of this process, by their ids in /proc: what a test counts to see which threads
// something started.

#include <filesystem>
#include <set>
#include <string>
#include <thread>

namespace quillmark::testing {

// A sanitizer starts a helper thread of its own with the first thread a program makes: one thread
// made and joined first keeps it out of what a test counts.
inline std::set<std::string> ThreadIds() {
  static const bool helpers_started = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)helpers_started;
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
