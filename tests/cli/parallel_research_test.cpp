// qmk research with several fetches in flight, end to end: against a loopback server that takes
// every request at once (on a thread of its own) and answers each after a delay, or holds it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/qmk_runner.h"
#include "cli/support/fake_services.h"

namespace quillmark::testing {
namespace {

using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;

// The three endpoints with FakeServices' pages. Each reply waits for `delay(target)`, or until
// the server stops; the server counts the requests in progress at once.
class SlowServices {
 public:
  using Delay = std::function<std::chrono::milliseconds(const std::string& target)>;

  explicit SlowServices(Delay delay) : delay_(std::move(delay)) {
    // Far more threads than a research keeps in flight: every request is seen as it comes.
    server_.new_task_queue = [] { return std::make_unique<httplib::ThreadPool>(64).release(); };
    server_.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
      std::unique_lock lock(mutex_);
      targets_.push_back(request.target);
      most_at_once_ = std::max(most_at_once_, ++in_progress_);
      changed_.notify_all();
      changed_.wait_for(lock, delay_(request.target), [this] { return stopping_; });
      --in_progress_;
      ++answered_;
      changed_.notify_all();
      lock.unlock();
      response.set_content(Page(request.target), "text/html");
    });
    // The library's listen queue of 5 would drop some of the fetches that come together.
    int listener = -1;
    server_.set_socket_options([&listener](int sock) { listener = sock; });
    port_ = server_.bind_to_any_port("127.0.0.1");
    ::listen(listener, 64);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~SlowServices() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::vector<std::string> EndpointFlags() const {
    const std::string host = "127.0.0.1:" + std::to_string(port_);
    return {"--suggest-host", host, "--search-host", host};
  }
  // Waits until `enough` holds of (requests received, requests answered); false after 30 s.
  bool WaitFor(const std::function<bool(int, int)>& enough) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(30),
                             [&] { return enough(static_cast<int>(targets_.size()), answered_); });
  }
  std::vector<std::string> SortedTargets() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> targets = targets_;
    std::sort(targets.begin(), targets.end());
    return targets;
  }
  int MostAtOnce() const {
    const std::lock_guard lock(mutex_);
    return most_at_once_;
  }
  void Forget() {
    const std::lock_guard lock(mutex_);
    targets_.clear();
    most_at_once_ = answered_ = 0;
  }

 private:
  static std::string Page(const std::string& target) {
    if (target.rfind("/d/", 0) == 0) return SuggestionPage(20);
    const auto b = target.find("&b=");
    if (b == std::string::npos) return "of about 12,345 for it";
    // "phrase 1" ranks on its second page.
    const bool ranked = target.find("phrase+1%22") != std::string::npos && target.ends_with("=21");
    return ResultPage(std::stoi(target.substr(b + 3)), ranked ? 3 : 0, "www.mysite.test");
  }

  Delay delay_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> targets_;
  int in_progress_ = 0;
  int most_at_once_ = 0;
  int answered_ = 0;
  bool stopping_ = false;
};

bool IsSearch(const std::string& target) {
  return target.rfind("/search", 0) == 0;
}

TEST(ParallelResearchCommand, FetchesOverlapYetAskAndPrintWhatOneAtATimeDoes) {
  SlowServices services([](const std::string&) { return std::chrono::milliseconds(30); });
  const std::vector<std::string> research = {"research",    "--format", "tsv", "--results",
                                             "10",          "--pages",  "2",   "--target",
                                             "mysite.test", "seed"};
  const QmkResult serial =
      RunQmk(With(With(research, {"--parallel", "1"}), services.EndpointFlags()));
  ASSERT_EQ(serial.exit_code(), 0) << serial.err;
  const std::vector<std::string> asked = services.SortedTargets();
  EXPECT_EQ(services.MostAtOnce(), 1);

  services.Forget();
  const QmkResult parallel = RunQmk(With(research, services.EndpointFlags()));
  ASSERT_EQ(parallel.exit_code(), 0) << parallel.err;
  EXPECT_EQ(parallel.out, serial.out);
  EXPECT_EQ(services.SortedTargets(), asked);
  EXPECT_GT(services.MostAtOnce(), 1);
  EXPECT_LE(services.MostAtOnce(), 8);
  EXPECT_THAT(parallel.err, Not(HasSubstr("not reached")));
}

// Ctrl-C cancels every fetch in flight at once and asks for nothing more. The pages that came
// for rows the run never reached are counted.
TEST(ParallelResearchCommand, CtrlCCancelsEveryFetchInFlightAndCountsPagesNotUsed) {
  using std::chrono::milliseconds;
  constexpr milliseconds kHeld = std::chrono::minutes(5);
  const struct {
    const char* name;
    std::function<milliseconds(const std::string&)> delay;
    int asked;  // requests before the stop, of which `held` are held: the run waits for those
    int held;
    const char* not_used;
  } cases[] = {
      // The suggestion page, then eight search pages held: the most in flight at once.
      {"every search page held",
       [&](const std::string& target) { return IsSearch(target) ? kHeld : milliseconds(0); }, 9, 8,
       nullptr},
      // The first row's first rank page held; meanwhile the eight rows after it are read ahead
      // whole: 8 supply pages and 3 rank pages each, 2 for "phrase 1".
      {"first rank page held",
       [&](const std::string& target) {
         return target.find("phrase+0%22&") != std::string::npos ? kHeld : milliseconds(0);
       },
       34, 1, "pages fetched for rows not reached"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SlowServices services(c.delay);
    QmkRun run(With({"research", "--format", "tsv", "--results", "20", "--pages", "3", "--target",
                     "mysite.test", "--timeout", "600", "seed"},
                    services.EndpointFlags()));
    ASSERT_TRUE(services.WaitFor([&c](int received, int answered) {
      return received == c.asked && answered == c.asked - c.held;
    }));
    // An answer counts as fetched once qmk has read it whole, which may lag the server's send:
    // the count is checked to be said, not to be exact.
    ::kill(run.pid(), SIGINT);
    // Far below the fetch time limit: only the cancel ends the held fetches.
    const QmkResult result = run.Finish(std::chrono::seconds(5));
    EXPECT_FALSE(result.child.timed_out);
    EXPECT_EQ(result.exit_code(), 130) << result.err;
    EXPECT_THAT(result.err, HasSubstr("qmk: row \"phrase 0\" stopped"));
    if (c.not_used != nullptr) {
      EXPECT_THAT(result.err,
                  ContainsRegex("qmk: [1-9][0-9]* pages? fetched for rows not reached"));
    } else {
      EXPECT_THAT(result.err, Not(HasSubstr("not reached")));
    }
    // Whatever qmk had asked for has reached the server by now: nothing came after the stop.
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_EQ(services.SortedTargets().size(), static_cast<std::size_t>(c.asked));
  }
}

}  // namespace
}  // namespace quillmark::testing
