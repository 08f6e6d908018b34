#include "session/fetch_pool.h"

#include <algorithm>

#include "session/signals_blocked.h"

namespace quillmark::session {
namespace {

FetchResult Cancelled() {
  return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
}

}  // namespace

bool FetchPool::Job::Done() const {
  const std::lock_guard lock(mutex_);
  return done_;
}

FetchResult FetchPool::Job::Take() {
  std::unique_lock lock(mutex_);
  done_changed_.wait(lock, [this] { return done_; });
  if (failure_) std::rethrow_exception(failure_);
  return std::move(result_);
}

void FetchPool::Job::Cancel() {
  const std::lock_guard lock(mutex_);
  cancelled_ = true;
  on_done_ = nullptr;
}

FetchPool::FetchPool(std::size_t max_threads)
    : max_threads_(std::max<std::size_t>(max_threads, 1)) {}

FetchPool::~FetchPool() {
  Shutdown();
}

std::shared_ptr<FetchPool::Job> FetchPool::Submit(Work work, std::function<void()> on_done,
                                                  bool first) {
  auto job = std::make_shared<Job>();
  job->work_ = std::move(work);
  job->on_done_ = std::move(on_done);
  std::unique_lock lock(mutex_);
  if (stopping_) {
    lock.unlock();
    job->cancelled_ = true;
    Finish(*job, Cancelled(), nullptr);
    return job;
  }
  if (first) {
    queue_.push_front(job);
  } else {
    queue_.push_back(job);
  }
  if (idle_ < queue_.size() && workers_.size() < max_threads_) {
    // Signals such as Ctrl-C belong to the thread that acts on them, never to a worker.
    const AllSignalsBlocked blocked;
    workers_.emplace_back([this] { Serve(); });
  }
  work_ready_.notify_one();
  return job;
}

void FetchPool::Hurry(const std::shared_ptr<Job>& job) {
  const std::lock_guard lock(mutex_);
  const auto queued = std::find(queue_.begin(), queue_.end(), job);
  if (queued == queue_.end() || queued == queue_.begin()) return;
  queue_.erase(queued);
  queue_.push_front(job);
}

void FetchPool::Shutdown() {
  std::vector<std::thread> workers;
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
    for (const auto& job : queue_) job->Cancel();
    for (const auto& job : running_) job->Cancel();
    workers.swap(workers_);
  }
  work_ready_.notify_all();
  for (std::thread& worker : workers) worker.join();
  // Work still queued when the workers went is done as cancelled, so nobody waits on it.
  std::deque<std::shared_ptr<Job>> left;
  {
    const std::lock_guard lock(mutex_);
    left.swap(queue_);
  }
  for (const auto& job : left) Finish(*job, Cancelled(), nullptr);
}

void FetchPool::Serve() {
  std::unique_lock lock(mutex_);
  for (;;) {
    ++idle_;
    work_ready_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    --idle_;
    if (stopping_) return;
    std::shared_ptr<Job> job = std::move(queue_.front());
    queue_.pop_front();
    running_.push_back(job);
    lock.unlock();

    FetchResult result;
    std::exception_ptr failure;
    if (job->cancelled_) {
      result = Cancelled();
    } else {
      try {
        result = job->work_([&job = *job] { return job.cancelled_.load(); });
      } catch (...) {
        failure = std::current_exception();
      }
    }
    // The work may hold what the session owns; it goes before the session does.
    job->work_ = nullptr;
    Finish(*job, std::move(result), failure);

    lock.lock();
    running_.erase(std::find(running_.begin(), running_.end(), job));
  }
}

void FetchPool::Finish(Job& job, FetchResult result, std::exception_ptr failure) {
  const std::lock_guard lock(job.mutex_);
  job.result_ = std::move(result);
  job.failure_ = failure;
  job.done_ = true;
  job.done_changed_.notify_all();
  if (job.on_done_) job.on_done_();
  job.on_done_ = nullptr;
}

}  // namespace quillmark::session
