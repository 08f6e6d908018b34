#pragma once
// The tasks this machine posted to the provider's queue and has not collected yet, by the request
// each stands for. A run stopped while it waited leaves its tasks here, paid for; a later run
// that asks the same finds the task and collects its result, free of charge, instead of paying
// for it again. Kept in a small file beside the reply cache ("queued"); a task is forgotten once
// collected, or once its result is no longer kept by the provider.

#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quillmark::sources {

// Safe to use from several threads at once.
class PostedTasks {
 public:
  // `folder` "" is the reply cache's. A file that cannot be read counts as empty.
  explicit PostedTasks(std::string folder = {});
  PostedTasks(const PostedTasks&) = delete;
  PostedTasks& operator=(const PostedTasks&) = delete;

  // The id of the task posted for `request` (a cached request's text), if its result can still
  // be collected.
  std::optional<std::string> Find(const std::string& request) const;
  // Tasks posted (request, id), and a task collected or found gone. Written to the file at once;
  // a file that cannot be written costs a second payment later, nothing more.
  void Add(const std::vector<std::pair<std::string, std::string>>& posted);
  void Remove(const std::string& request);

 private:
  struct Task {
    std::string id;
    long long posted;  // seconds since the epoch
  };
  void Save() const;  // with the mutex held

  std::string path_;
  mutable std::mutex mutex_;  // guards tasks_ and the file
  std::map<std::string, Task> tasks_;
};

}  // namespace quillmark::sources
