#pragma once
// DataForSEO's queue (its Standard method), for people who can wait: tasks are posted up to
// kMaxTasksPerPost a call (task_post), the finished ones listed (tasks_ready) and each result
// collected (task_get/regular/{id}), for 0.3 of a live call's price at normal priority and 0.6 at
// high. A result has the live reply's shape and is kept in the reply cache as the reply of the
// live call it stands for, so a later run, live or not, finds it there.
//
// There is no thread of its own: the workers waiting for results take turns at posting what was
// asked meanwhile and at listing what is finished, and each collects its own result.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "sources/posted_tasks.h"
#include "sources/price_table.h"
#include "sources/provider_call.h"

namespace quillmark::sources {

// Safe to use from several threads at once.
class DataForSeoQueue {
 public:
  // Makes the request for one of the API's paths: a POST with `body`, or a GET when it is empty.
  using Requester = std::function<HttpsRequest(const std::string& path, std::string body)>;

  // `poll`: how often the finished tasks are listed. Without `reuse` (no reply cache), nothing
  // is taken from the cache or from the tasks posted earlier: every task is posted anew.
  DataForSeoQueue(ProviderCaller& caller, PriceTable& prices, Requester requester,
                  std::chrono::milliseconds poll, bool reuse);
  DataForSeoQueue(const DataForSeoQueue&) = delete;
  DataForSeoQueue& operator=(const DataForSeoQueue&) = delete;

  // The reply `live` would have had, through the queue: from the cache when it is there, else
  // from a task posted earlier and not collected yet, else from `task` posted now (at high
  // priority for Economy::kHigh), waited for and collected; read by `read`. Like a live call:
  // kComplete with an empty body, kFailed with the provider's words, or kCancelled. A stop ends
  // the wait at once; the task, paid for, is collected by a later run that asks the same.
  // `shape` and `whole` price it (PriceTable::Learn).
  FetchResult Await(const HttpsRequest& live, nlohmann::json task, CallShape shape, bool whole,
                    ProviderRun& run, const Cancellation& cancelled, const ReplyReader& read);

 private:
  struct Entry;
  using EntryPtr = std::shared_ptr<Entry>;

  // What a waiter does while it holds the turn: posts the tasks gathered, lists the finished.
  void TakeTurn(std::unique_lock<std::mutex>& lock, ProviderRun& run,
                const Cancellation& cancelled);
  void Post(std::unique_lock<std::mutex>& lock, ProviderRun& run, const Cancellation& cancelled);
  void ListFinished(std::unique_lock<std::mutex>& lock, ProviderRun& run,
                    const Cancellation& cancelled);
  // Collects the entry's result, its waiter's own call.
  void Collect(std::unique_lock<std::mutex>& lock, const EntryPtr& entry, ProviderRun& run,
               const Cancellation& cancelled);
  // The entry has its result or its failure: it leaves the queue, and its waiters are woken.
  void Finish(const EntryPtr& entry, std::string failure);
  bool PostDue() const;
  bool ListDue() const;

  ProviderCaller& caller_;
  PriceTable& prices_;
  Requester requester_;
  const std::chrono::milliseconds poll_;
  const bool reuse_;
  PostedTasks posted_;
  std::mutex mutex_;  // guards everything below
  std::condition_variable changed_;
  // Every task asked for and not finished, by its live request's text; those not posted yet in
  // the order asked.
  std::map<std::string, EntryPtr> entries_;
  std::deque<EntryPtr> unposted_;
  bool turn_taken_ = false;
  std::chrono::steady_clock::time_point listed_{};
  int list_failures_ = 0;
};

}  // namespace quillmark::sources
