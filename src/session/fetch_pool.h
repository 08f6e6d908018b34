#pragma once
// A bounded pool of worker threads for page fetches, owned by the session whose sources the
// fetches use. Nothing it runs outlives it: ending the pool cancels every fetch queued or in
// flight and joins its workers, so no fetch is still inside a source, the stand-in service or the
// socket layer when they go.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/fetch_result.h"

namespace quillmark::session {

class FetchPool {
 public:
  // What a worker runs: a fetch that polls `cancelled`, which holds once the job is cancelled.
  using Work = std::function<FetchResult(const Cancellation& cancelled)>;

  // One fetch handed to the pool, shared by the pool and whoever waits for it.
  class Job {
   public:
    // Whether the result is there (a cancelled job is done once its worker has let go of it).
    bool Done() const;
    // Waits for the result; a failure of the work is rethrown.
    FetchResult Take();
    // Gives the fetch up: its cancel test says stop from now on and `on_done` is not called.
    void Cancel();
    // Whether it was given up; its work may go on a while (a provider call already sent).
    bool Cancelled() const { return cancelled_; }

   private:
    friend class FetchPool;
    mutable std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::atomic<bool> cancelled_{false};
    FetchResult result_;
    std::exception_ptr failure_;
    std::function<void()> on_done_;
    Work work_;
  };

  // At most `max_threads` workers, started as the fetches come.
  explicit FetchPool(std::size_t max_threads);
  // Shutdown().
  ~FetchPool();
  FetchPool(const FetchPool&) = delete;
  FetchPool& operator=(const FetchPool&) = delete;

  // Queues a fetch; `on_done` is called on the worker once its result is there (not for a job
  // given up). After Shutdown, the job is done at once as cancelled.
  std::shared_ptr<Job> Submit(Work work, std::function<void()> on_done = {});
  // Cancels everything, refuses new work and joins the workers; each wakes within 50 ms of the
  // cancel, since every fetch polls its test that often. Idempotent.
  void Shutdown();

 private:
  void Serve();
  void Finish(Job& job, FetchResult result, std::exception_ptr failure);

  const std::size_t max_threads_;
  mutable std::mutex mutex_;
  std::condition_variable work_ready_;
  std::deque<std::shared_ptr<Job>> queue_;
  std::vector<std::shared_ptr<Job>> running_;
  std::vector<std::thread> workers_;
  std::size_t idle_ = 0;
  bool stopping_ = false;
};

}  // namespace quillmark::session
