#include "sources/dataforseo_queue.h"

#include <algorithm>
#include <set>
#include <vector>

#include "sources/dataforseo_reply.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

using nlohmann::json;
using SteadyClock = std::chrono::steady_clock;

constexpr const char* kPostPath = "/v3/serp/google/organic/task_post";
constexpr const char* kReadyPath = "/v3/serp/google/organic/tasks_ready";
constexpr const char* kGetPath = "/v3/serp/google/organic/task_get/regular/";

FetchResult Failed(std::string reason) {
  return {.body = {}, .status = FetchStatus::kFailed, .reason = std::move(reason)};
}

}  // namespace

struct DataForSeoQueue::Entry {
  HttpsRequest live;  // the call it stands for, whose cache entry its result becomes
  std::string key;    // the live request's text
  json task;
  CallShape shape;
  bool whole = true;
  SteadyClock::time_point asked;
  SteadyClock::time_point probed;  // posted, or last asked for directly
  std::string id;                  // once posted
  std::uint64_t posted_by = 0;     // the number of the run that posted it
  // Posted by an earlier program: its result is asked for at once, as it may have finished
  // long ago (and may be gone).
  bool earlier = false;
  bool ready = false;  // finished: its result may be collected
  bool collecting = false;
  int collect_failures = 0;
  int waiters = 0;
  bool done = false;
  std::string body;     // the result, once collected
  std::string failure;  // else why there is none
};

DataForSeoQueue::DataForSeoQueue(ProviderCaller& caller, PriceTable& prices, Requester requester,
                                 std::chrono::milliseconds poll, bool reuse)
    : caller_(caller),
      prices_(prices),
      requester_(std::move(requester)),
      poll_(poll),
      reuse_(reuse) {}

FetchResult DataForSeoQueue::Await(const HttpsRequest& live, json task, CallShape shape, bool whole,
                                   ProviderRun& run, const Cancellation& cancelled,
                                   const ReplyReader& read) {
  if (caller_.FromCache(live, run, read)) return {};
  const std::string key = CachedRequest{live.method, live.url, live.body}.Text();
  const SteadyClock::time_point deadline = SteadyClock::now() + kLongestQueueWait;
  std::unique_lock lock(mutex_);
  EntryPtr& slot = entries_[key];
  if (!slot) {
    slot = std::make_shared<Entry>();
    slot->live = live;
    slot->key = key;
    slot->task = std::move(task);
    slot->shape = shape;
    slot->whole = whole;
    slot->asked = SteadyClock::now();
    if (std::optional<std::string> id = reuse_ ? posted_.Find(key) : std::nullopt) {
      slot->id = std::move(*id);
      slot->earlier = true;
      slot->ready = true;
      slot->probed = slot->asked;
    } else {
      unposted_.push_back(slot);
    }
  }
  const EntryPtr entry = slot;
  ++entry->waiters;
  run.NoteTaskAwaited();
  // Leaves the entry; the last waiter to go takes an entry that is not done out of the queue
  // (a task posted stays in the posted tasks, for a later run).
  const auto leave = [&] {
    if (--entry->waiters > 0 || entry->done) return;
    if (const auto at = entries_.find(key); at != entries_.end() && at->second == entry)
      entries_.erase(at);
    unposted_.erase(std::remove(unposted_.begin(), unposted_.end(), entry), unposted_.end());
  };
  for (;;) {
    if (entry->done) {
      leave();
      lock.unlock();
      ReplyVerdict verdict{ReplyVerdict::kBad, entry->failure};
      if (entry->failure.empty()) {
        try {
          verdict = read(200, entry->body);
        } catch (const std::exception& e) {
          verdict = {ReplyVerdict::kBad, std::string("unreadable reply: ") + e.what()};
        }
      }
      if (verdict.kind != ReplyVerdict::kGood) {
        run.NoteTaskGivenUp();
        return Failed(verdict.reason);
      }
      run.NoteTaskCollected(entry->posted_by == run.Number());
      return {};
    }
    if (cancelled && cancelled()) {
      leave();
      run.NoteTaskGivenUp();
      return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
    }
    if (SteadyClock::now() >= deadline) {
      leave();
      run.NoteTaskGivenUp();
      return Failed("the provider's queue did not finish the task within " +
                    std::to_string(kLongestQueueWait.count()) +
                    " minutes; a later run collects it");
    }
    if (entry->ready && !entry->collecting) {
      Collect(lock, entry, run, cancelled);
    } else if (!turn_taken_ && (PostDue() || ListDue())) {
      TakeTurn(lock, run, cancelled);
    } else {
      changed_.wait_for(lock, kCancelPoll);
    }
  }
}

bool DataForSeoQueue::PostDue() const {
  return !unposted_.empty() && (unposted_.size() >= kMaxTasksPerPost ||
                                SteadyClock::now() - unposted_.front()->asked >= kQueueGathering);
}

bool DataForSeoQueue::ListDue() const {
  if (SteadyClock::now() - listed_ < poll_) return false;
  return std::any_of(entries_.begin(), entries_.end(), [](const auto& keyed) {
    const Entry& entry = *keyed.second;
    return !entry.id.empty() && !entry.ready && entry.waiters > 0;
  });
}

void DataForSeoQueue::TakeTurn(std::unique_lock<std::mutex>& lock, ProviderRun& run,
                               const Cancellation& cancelled) {
  turn_taken_ = true;
  if (PostDue())
    Post(lock, run, cancelled);
  else
    ListFinished(lock, run, cancelled);
  turn_taken_ = false;
  changed_.notify_all();
}

void DataForSeoQueue::Post(std::unique_lock<std::mutex>& lock, ProviderRun& run,
                           const Cancellation& cancelled) {
  std::vector<EntryPtr> batch;
  json tasks = json::array();
  while (!unposted_.empty() && batch.size() < kMaxTasksPerPost) {
    batch.push_back(unposted_.front());
    unposted_.pop_front();
    json task = batch.back()->task;
    task["tag"] = std::to_string(batch.size() - 1);
    tasks.push_back(std::move(task));
  }
  lock.unlock();
  std::vector<PostedTask> posted;
  const FetchResult result = caller_.Call(
      requester_(kPostPath, tasks.dump(-1, ' ', false, json::error_handler_t::replace)), run,
      cancelled,
      [&](long http_status, const std::string& body) {
        return ReadPostedTasks(http_status, body, batch.size(), posted);
      },
      CallUse::kOnce);
  std::vector<std::pair<std::string, std::string>> kept;
  lock.lock();
  if (result.status == FetchStatus::kCancelled) {
    // Never sent: the tasks go back to the front, in their order, for whoever still waits.
    for (auto it = batch.rbegin(); it != batch.rend(); ++it) unposted_.push_front(*it);
    return;
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (!result.Complete()) {
      Finish(batch[i], result.reason);
    } else if (posted[i].id.empty()) {
      Finish(batch[i], posted[i].refusal);
    } else {
      batch[i]->id = posted[i].id;
      batch[i]->posted_by = run.Number();
      batch[i]->probed = SteadyClock::now();
      kept.emplace_back(batch[i]->key, posted[i].id);
      prices_.Learn(batch[i]->shape, posted[i].cost, batch[i]->whole);
    }
  }
  run.NoteTasksPosted(kept.size());
  // The first listing waits its turn from now: no task is finished at once.
  listed_ = SteadyClock::now();
  // The file is written without holding up the waiters.
  lock.unlock();
  posted_.Add(kept);
  lock.lock();
}

void DataForSeoQueue::ListFinished(std::unique_lock<std::mutex>& lock, ProviderRun& run,
                                   const Cancellation& cancelled) {
  lock.unlock();
  std::vector<std::string> ids;
  const FetchResult result = caller_.Call(
      requester_(kReadyPath, {}), run, cancelled,
      [&ids](long http_status, const std::string& body) {
        return ReadReadyTasks(http_status, body, ids);
      },
      CallUse::kFree);
  lock.lock();
  listed_ = SteadyClock::now();
  if (result.status == FetchStatus::kCancelled) return;
  std::vector<EntryPtr> waiting;
  for (const auto& [key, entry] : entries_) {
    if (!entry->id.empty() && !entry->ready) waiting.push_back(entry);
  }
  if (!result.Complete()) {
    if (++list_failures_ < kQueueFailuresInARow) return;
    list_failures_ = 0;
    for (const EntryPtr& entry : waiting)
      Finish(entry,
             "the provider's queue could not say which tasks are finished: " + result.reason);
    return;
  }
  list_failures_ = 0;
  const std::set<std::string> finished(ids.begin(), ids.end());
  const SteadyClock::time_point now = SteadyClock::now();
  for (const EntryPtr& entry : waiting) {
    entry->ready = finished.count(entry->id) > 0 || now - entry->probed >= kQueueProbe;
    if (entry->ready) entry->probed = now;
  }
}

void DataForSeoQueue::Collect(std::unique_lock<std::mutex>& lock, const EntryPtr& entry,
                              ProviderRun& run, const Cancellation& cancelled) {
  entry->collecting = true;
  const std::string id = entry->id;
  lock.unlock();
  std::string body;
  ReplyVerdict seen;
  const FetchResult result = caller_.Call(
      requester_(kGetPath + id, {}), run, cancelled,
      [&](long http_status, const std::string& reply) {
        seen = ReadTaskStatus(http_status, reply);
        if (seen.kind == ReplyVerdict::kGood) body = reply;
        return seen;
      },
      CallUse::kFree);
  // The request and its key never change once the entry is made: the files are written without
  // holding up the waiters.
  if (result.Complete()) {
    caller_.Keep(entry->live, body);
    posted_.Remove(entry->key);
  }
  lock.lock();
  entry->collecting = false;
  if (result.status == FetchStatus::kCancelled) return;
  const bool earlier = entry->earlier;
  entry->earlier = false;
  if (result.Complete()) {
    entry->body = std::move(body);
    Finish(entry, {});
  } else if (TaskNotReady(seen)) {
    entry->ready = false;
  } else if (earlier && seen.code != 0) {
    // A task of an earlier program the provider no longer has: it is posted anew.
    posted_.Remove(entry->key);
    entry->id.clear();
    entry->ready = false;
    entry->asked = SteadyClock::now();
    unposted_.push_back(entry);
  } else if (++entry->collect_failures >= kQueueFailuresInARow) {
    Finish(entry, result.reason);
  } else {
    // Asked again once the next listing says it is finished.
    entry->ready = false;
  }
}

void DataForSeoQueue::Finish(const EntryPtr& entry, std::string failure) {
  entry->done = true;
  entry->failure = std::move(failure);
  if (const auto at = entries_.find(entry->key); at != entries_.end() && at->second == entry)
    entries_.erase(at);
  changed_.notify_all();
}

}  // namespace quillmark::sources
