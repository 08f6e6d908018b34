// The fetch workers: bounded, and nothing they run outlives the pool.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "session/fetch_pool.h"
#include "support/thread_ids.h"

namespace quillmark::testing {
namespace {

using session::FetchPool;

// Blocks until its cancel test says stop, and counts the fetches that saw it.
FetchPool::Work HeldUntilCancelled(std::atomic<int>& running, std::atomic<int>& saw_cancel) {
  return [&running, &saw_cancel](const Cancellation& cancelled) {
    ++running;
    while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ++saw_cancel;
    return FetchResult{{}, FetchStatus::kCancelled, "stopped"};
  };
}

TEST(FetchPoolTest, RunsAtMostItsThreadsAndShutdownCancelsAndJoinsEverything) {
  std::atomic<int> running = 0, saw_cancel = 0;
  std::vector<std::shared_ptr<FetchPool::Job>> jobs;
  const auto threads_before = ThreadIds();
  {
    FetchPool pool(3);
    for (int i = 0; i < 10; ++i)
      jobs.push_back(pool.Submit(HeldUntilCancelled(running, saw_cancel)));
    while (running < 3) std::this_thread::yield();
    EXPECT_EQ(NewThreads(threads_before), 3u);

    // A job given up alone ends alone; its place goes to the next in the queue.
    jobs[0]->Cancel();
    while (running < 4) std::this_thread::yield();
    EXPECT_EQ(jobs[0]->Take().status, FetchStatus::kCancelled);
    EXPECT_EQ(NewThreads(threads_before), 3u);
  }  // the pool ends with three fetches held and six queued
  EXPECT_EQ(running, 4);
  EXPECT_EQ(saw_cancel, 4);
  for (const auto& job : jobs) {
    ASSERT_TRUE(job->Done());
    EXPECT_EQ(job->Take().status, FetchStatus::kCancelled);
  }
}

TEST(FetchPoolTest, GivesBackResultsAndFailuresAndRefusesWorkAfterShutdown) {
  FetchPool pool(2);
  std::atomic<int> done_calls = 0;
  const auto page = pool.Submit([](const Cancellation&) { return FetchResult{"page"}; },
                                [&done_calls] { ++done_calls; });
  const auto failing = pool.Submit(
      [](const Cancellation&) -> FetchResult { throw std::runtime_error("no sockets"); });
  EXPECT_EQ(page->Take().body, "page");
  EXPECT_THROW(failing->Take(), std::runtime_error);
  EXPECT_EQ(done_calls, 1);

  pool.Shutdown();
  bool ran = false;
  const auto late = pool.Submit([&ran](const Cancellation&) {
    ran = true;
    return FetchResult{};
  });
  EXPECT_EQ(late->Take().status, FetchStatus::kCancelled);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace quillmark::testing

namespace quillmark::testing {
namespace {

// A fetch somebody waits for goes before the queued fetches read ahead: submitted first, or
// hurried once queued.
TEST(FetchPoolTest, AFetchWaitedForGoesBeforeTheQueuedOnes) {
  FetchPool pool(1);
  std::atomic<bool> release{false};
  std::atomic<int> started{0};
  std::mutex order_mutex;
  std::string order;
  const auto noting = [&](char name) {
    return [&, name](const Cancellation&) {
      ++started;
      while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      const std::lock_guard lock(order_mutex);
      order += name;
      return FetchResult{};
    };
  };
  std::vector<std::shared_ptr<FetchPool::Job>> jobs;
  jobs.push_back(pool.Submit(noting('a')));  // takes the one worker
  while (started == 0) std::this_thread::yield();
  for (char name : {'b', 'c', 'd'}) jobs.push_back(pool.Submit(noting(name)));
  jobs.push_back(pool.Submit(noting('e'), {}, true));
  pool.Hurry(jobs[3]);  // d
  release = true;
  for (const auto& job : jobs) job->Take();
  EXPECT_EQ(order, "adebc");
}

}  // namespace
}  // namespace quillmark::testing
