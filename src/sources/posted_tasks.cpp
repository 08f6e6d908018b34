#include "sources/posted_tasks.h"

#include <chrono>
#include <nlohmann/json.hpp>

#include "sources/reply_cache.h"
#include "sources/sources_limits.h"
#include "store/atomic_file.h"

namespace quillmark::sources {
namespace {

using nlohmann::json;

constexpr const char* kPostedFile = "queued";
// Thousands of tasks, each a request of a few hundred bytes.
constexpr std::size_t kMaxPostedBytes = 16u << 20;

long long Now() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool StillKept(long long posted) {
  const long long age = Now() - posted;
  return age >= 0 &&
         age < std::chrono::duration_cast<std::chrono::seconds>(kQueuedResultsKept).count();
}

}  // namespace

PostedTasks::PostedTasks(std::string folder) : path_(CacheSideFile(folder, kPostedFile)) {
  const std::optional<std::string> text = ReadWholeFile(path_, kMaxPostedBytes);
  if (!text) return;
  const json file = json::parse(*text, nullptr, false);
  if (!file.is_object()) return;
  for (const auto& [request, task] : file.items()) {
    if (!task.is_object()) continue;
    const auto id = task.find("id");
    const auto posted = task.find("posted");
    if (id == task.end() || !id->is_string() || posted == task.end() ||
        !posted->is_number_integer())
      continue;
    if (StillKept(posted->get<long long>()))
      tasks_[request] = {id->get<std::string>(), posted->get<long long>()};
  }
}

std::optional<std::string> PostedTasks::Find(const std::string& request) const {
  const std::lock_guard lock(mutex_);
  const auto found = tasks_.find(request);
  if (found == tasks_.end() || !StillKept(found->second.posted)) return std::nullopt;
  return found->second.id;
}

void PostedTasks::Add(const std::vector<std::pair<std::string, std::string>>& posted) {
  const std::lock_guard lock(mutex_);
  const long long now = Now();
  for (const auto& [request, id] : posted) tasks_[request] = {id, now};
  Save();
}

void PostedTasks::Remove(const std::string& request) {
  const std::lock_guard lock(mutex_);
  if (tasks_.erase(request) > 0) Save();
}

void PostedTasks::Save() const {
  json file = json::object();
  for (const auto& [request, task] : tasks_) {
    if (StillKept(task.posted)) file[request] = {{"id", task.id}, {"posted", task.posted}};
  }
  WriteCacheSideFile(path_, file.dump(-1, ' ', false, json::error_handler_t::replace));
}

}  // namespace quillmark::sources
