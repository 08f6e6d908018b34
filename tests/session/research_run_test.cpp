// What the run object adds to the research: its Stop reaches every fetch it has in flight, an
// interrupt flag becomes Stop() on the run's own thread, and its fetches go on the session's pool.

#include "session/research_run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "research/support/fake_host.h"
#include "session/support/fake_session.h"
#include "support/thread_ids.h"

namespace quillmark::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until `condition` holds, or a few seconds pass: a test that fails ends all the same.
template <typename Condition>
void WaitUntil(Condition condition) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!condition() && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A suggestion page of `rows` phrases; every search page is held until its fetch is cancelled.
class HeldSearches {
 public:
  explicit HeldSearches(int rows) {
    suggestions_ = " done ";
    for (int i = 0; i < rows; ++i)
      suggestions_ += "<td>&nbsp;5</td><td><a href=x;>p" + std::to_string(i) + "</a></td>";
  }

  FetchResult Fetch(const std::string& url, const Cancellation& cancelled) {
    {
      const std::lock_guard lock(mutex_);
      threads_.insert(std::this_thread::get_id());
    }
    if (url.find("/suggestion/") != std::string::npos) return {suggestions_};
    ++held_;
    while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --held_;
    return {{}, FetchStatus::kCancelled, "stopped"};
  }

  std::atomic<int> held_{0};
  std::set<std::thread::id> Threads() {
    const std::lock_guard lock(mutex_);
    return threads_;
  }

 private:
  std::string suggestions_;
  std::mutex mutex_;
  std::set<std::thread::id> threads_;
};

std::shared_ptr<FakeSession> SessionOver(HeldSearches& web, std::size_t threads = 8) {
  return std::make_shared<FakeSession>(
      [&web](const std::string& url, sources::ProviderRun&, const Cancellation& cancelled) {
        return web.Fetch(url, cancelled);
      },
      TestEndpoints(), threads);
}

const session::RunRequest kRequest{
    .seed = "held", .target_url = "mysite.test", .max_pages_text = "2", .max_results = 30};

TEST(ResearchRunTest, StopFromAnotherThreadEndsEveryFetchInFlightAtOnce) {
  HeldSearches web(30);
  FakeHost host;
  session::ResearchRun run(SessionOver(web), host, kRequest);
  std::thread stopper([&] {
    WaitUntil([&] { return web.held_ >= 8; });
    run.Stop();
  });
  const auto started = Clock::now();
  const session::RunReport report = run.ResearchPhrase();
  stopper.join();
  EXPECT_LT(Clock::now() - started, std::chrono::seconds(2));
  // What the run gave up ends within moments (a fetch polls its flag).
  WaitUntil([&] { return web.held_ == 0; });
  EXPECT_TRUE(report.stopped);
  // The row in hand is finished, its lookups said as stopped.
  ASSERT_EQ(host.keywords.Count(), 1u);
  EXPECT_TRUE(LookupStopped(host.keywords.Row(0)->Lookups()));
  EXPECT_EQ(report.pages_asked, 1);  // the suggestion page
  EXPECT_EQ(report.rows.size(), 1u);
  EXPECT_EQ(session::StoppedText(report), "stopped after 1 of 30 rows");
}

// A signal handler only sets a flag: the run polls it on its own thread and stops itself.
TEST(ResearchRunTest, AnInterruptFlagBecomesStopOnTheRunsThread) {
  HeldSearches web(30);
  FakeHost host;
  std::atomic<bool> signalled = false;
  std::set<std::thread::id> polled_on;
  session::ResearchRun run(SessionOver(web), host, kRequest, {.interrupted = [&] {
                             polled_on.insert(std::this_thread::get_id());
                             return signalled.load();
                           }});
  std::thread signal([&] {
    WaitUntil([&] { return web.held_ >= 1; });
    signalled = true;
  });
  const session::RunReport report = run.ResearchPhrase();
  signal.join();
  EXPECT_TRUE(report.stopped);
  EXPECT_TRUE(run.Stopped());
  EXPECT_EQ(polled_on, std::set<std::thread::id>{std::this_thread::get_id()});
}

// The run's fetches, read ahead or not, go on the session's workers and on no other thread.
TEST(ResearchRunTest, FetchesOnlyOnTheSessionsPool) {
  HeldSearches web(30);
  FakeHost host;
  const auto threads_before = ThreadIds();
  const auto session = SessionOver(web, 3);
  session::ResearchRun run(session, host, kRequest);
  std::size_t threads_while_fetching = 0;
  std::thread stopper([&] {
    WaitUntil([&] { return web.held_ >= 3; });
    threads_while_fetching = NewThreads(threads_before) - 1;  // less this one
    run.Stop();
  });
  run.ResearchPhrase();
  stopper.join();
  EXPECT_EQ(threads_while_fetching, 3u);
  const std::set<std::thread::id> used = web.Threads();
  EXPECT_LE(used.size(), 3u);
  EXPECT_EQ(used.count(std::this_thread::get_id()), 0u);
}

}  // namespace
}  // namespace quillmark::testing
