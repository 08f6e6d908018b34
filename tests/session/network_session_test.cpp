// The session both front ends open: where each endpoint comes from, what it refuses and in which
// words (the front ends print them as they are), the stand-in it starts, and how its fetches end.

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/support/scripted_server.h"
#include "research/endpoints.h"
#include "session/network_session.h"
#include "session/session_error.h"
#include "session/session_options.h"
#include "support/thread_ids.h"

namespace quillmark::testing {
namespace {

using session::EndpointNeeds;
using session::FetchPool;
using session::NetworkSession;
using session::SessionError;
using session::SessionOptions;

constexpr EndpointNeeds kAll{.suggest = true, .search = true, .top = true};
constexpr const char* kHostVariables[] = {"QUILLMARK_SUGGEST_HOST", "QUILLMARK_SEARCH_HOST",
                                          "QUILLMARK_TOP_HOST"};

using Hosts = std::map<std::string, std::string>;  // variable, value

// Sets the endpoint variables a test names and clears the others; puts them back afterwards.
class HostEnvironment {
 public:
  explicit HostEnvironment(const Hosts& values = {}) {
    for (const char* variable : kHostVariables) {
      if (const char* old = std::getenv(variable)) saved_[variable] = old;
      const auto value = values.find(variable);
      if (value != values.end())
        ::setenv(variable, value->second.c_str(), 1);
      else
        ::unsetenv(variable);
    }
  }
  ~HostEnvironment() {
    for (const char* variable : kHostVariables) {
      const auto old = saved_.find(variable);
      if (old != saved_.end())
        ::setenv(variable, old->second.c_str(), 1);
      else
        ::unsetenv(variable);
    }
  }
  HostEnvironment(const HostEnvironment&) = delete;
  HostEnvironment& operator=(const HostEnvironment&) = delete;

 private:
  Hosts saved_;
};

// The signals a thread of this process blocks, from its status file.
unsigned long long BlockedSignals(const std::string& thread_id) {
  std::ifstream status("/proc/self/task/" + thread_id + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigBlk:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  return 0;
}

bool Blocks(unsigned long long mask, int signal_number) {
  return (mask >> (signal_number - 1)) & 1;
}

TEST(EndpointTextTest, AcceptsAHostWithAnOptionalPortAndNothingThatWouldLeaveTheHostPart) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"localhost", true}, {"127.0.0.1:8080", true}, {"a:65535", true},  {":80", false},
      {"a:", false},       {"a:0", false},           {"a:65536", false}, {"a:8x", false},
      {"a b", false},      {"a/b", false},           {"a\\b", false},    {"a?b", false},
      {"user@a", false},   {"caf\xc3\xa9", false}};
  for (const auto& [text, usable] : cases)
    EXPECT_EQ(session::IsEndpointText(text), usable) << "'" << text << "'";
}

TEST(NetworkSessionTest, EachNeededEndpointComesFromItsFlagElseItsVariable) {
  const HostEnvironment environment(Hosts{{"QUILLMARK_SUGGEST_HOST", "env-suggest:1"},
                                          {"QUILLMARK_SEARCH_HOST", "env-search:2"},
                                          {"QUILLMARK_TOP_HOST", "env-top:3"}});
  SessionOptions options;
  options.suggest_host = "flag-suggest:9";
  ::testing::internal::CaptureStderr();
  {
    const NetworkSession session(options, kAll);
    EXPECT_EQ(session.GetEndpoints().suggest_host, "flag-suggest:9");
    EXPECT_EQ(session.GetEndpoints().search_host, "env-search:2");
    EXPECT_EQ(session.GetEndpoints().top_host, "env-top:3");
    EXPECT_FALSE(session.UsesProvider());
  }
  {
    // An endpoint the command does not ask is neither chosen nor checked.
    const HostEnvironment broken_top(
        Hosts{{"QUILLMARK_SEARCH_HOST", "env-search:2"}, {"QUILLMARK_TOP_HOST", "a/b"}});
    const NetworkSession session(options, {.suggest = true, .search = true});
    EXPECT_EQ(session.GetEndpoints().top_host, "");
  }
  // Every endpoint had a host: no stand-in was started.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

TEST(NetworkSessionTest, RefusalsAreSessionErrorsInTheWordsTheFrontEndsPrint) {
  struct Case {
    Hosts environment;
    std::string source;
    std::string top_source;
    EndpointNeeds needs;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{{"QUILLMARK_SEARCH_HOST", "a/b"}},
       "",
       "",
       kAll,
       "QUILLMARK_SEARCH_HOST: 'a/b' is not HOST or HOST:PORT"},
      {{{"QUILLMARK_TOP_HOST", "h:0"}},
       "",
       "",
       {.top = true},
       "QUILLMARK_TOP_HOST: 'h:0' is not HOST or HOST:PORT"},
      {{},
       "nowhere",
       "",
       kAll,
       "--source: 'nowhere' is not a source; the sources are " + sources::SourceNamesText()},
      {{}, "trends", "", kAll, "--source: 'trends' does not serve keyword research"},
      {{}, "", "dataforseo", {.top = true}, "--source: 'dataforseo' does not serve top searches"},
      {{},
       "",
       "endpoints",
       {.top = true},
       "--source: endpoints needs a host: set QUILLMARK_TOP_HOST or its flag"},
      {{{"QUILLMARK_SEARCH_HOST", "s:1"}},
       "endpoints",
       "",
       {.suggest = true, .search = true},
       "--source: endpoints needs a host: set QUILLMARK_SUGGEST_HOST or its flag"},
  };
  ::testing::internal::CaptureStderr();
  for (const Case& c : cases) {
    const HostEnvironment environment(c.environment);
    SessionOptions options;
    options.source = c.source;
    options.top_source = c.top_source;
    try {
      const NetworkSession session(options, c.needs);
      ADD_FAILURE() << "no refusal for: " << c.message;
    } catch (const SessionError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  // A refused session starts nothing.
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// A Ctrl-C must reach the thread that stops the run: no thread of the stand-in or of the pool may
// take it, and the thread that opened the session keeps the mask it had.
TEST(NetworkSessionTest, TheStandInAnswersWhatIsLeftToItAndItsThreadsTakeNoSignal) {
  const HostEnvironment environment(Hosts{{"QUILLMARK_SUGGEST_HOST", "env-suggest:1"}});
  SessionOptions options;
  options.search_host = "flag-search:2";
  sigset_t before, after;
  pthread_sigmask(SIG_SETMASK, nullptr, &before);
  const std::set<std::string> threads_before = ThreadIds();
  ::testing::internal::CaptureStderr();
  {
    const NetworkSession session(options, kAll, "quillmark");
    const std::string note = ::testing::internal::GetCapturedStderr();
    pthread_sigmask(SIG_SETMASK, nullptr, &after);
    for (int signal_number : {SIGINT, SIGTERM, SIGCHLD})
      EXPECT_EQ(sigismember(&after, signal_number), sigismember(&before, signal_number));

    const Endpoints& hosts = session.GetEndpoints();
    EXPECT_EQ(hosts.suggest_host, "env-suggest:1");
    EXPECT_EQ(hosts.search_host, "flag-search:2");
    ASSERT_EQ(hosts.top_host.rfind("127.0.0.1:", 0), 0u) << hosts.top_host;
    EXPECT_EQ(note, "quillmark: using the bundled stand-in service at http://" + hosts.top_host +
                        " (generated data; see --suggest-host, --search-host, --top-host)\n");

    sources::ProviderRun run;
    const auto job = session.Pool().Submit([&](const Cancellation& cancelled) {
      return session.Fetch(TopSearchesUrl(hosts.top_host), run, cancelled);
    });
    EXPECT_EQ(job->Take().status, FetchStatus::kComplete);

    int new_threads = 0;
    for (const std::string& id : ThreadIds()) {
      if (threads_before.count(id) > 0) continue;
      ++new_threads;
      const unsigned long long blocked = BlockedSignals(id);
      EXPECT_TRUE(Blocks(blocked, SIGINT) && Blocks(blocked, SIGTERM))
          << "thread " << id << " blocks " << std::hex << blocked;
    }
    EXPECT_GE(new_threads, 2);  // the stand-in's and the pool's worker
  }
}

// A session ended while its fetch waits on a silent server: the fetch is cancelled and its
// worker joined before the session's parts go, every time (run under the sanitizers in CI).
TEST(SessionEndTest, EndsWhileAFetchIsHeldWithoutLeavingItRunning) {
  sources::ProviderRun run;
  for (int attempt = 0; attempt < 20; ++attempt) {
    ScriptedServer silent(Script().Hold());
    const std::string host = "127.0.0.1:" + std::to_string(silent.port());
    SessionOptions options;
    options.suggest_host = options.search_host = options.top_host = host;
    std::shared_ptr<FetchPool::Job> job;
    {
      NetworkSession session(options, {.suggest = true, .search = true, .top = true});
      job = session.Pool().Submit([&session, &host, &run](const Cancellation& cancelled) {
        return session.Fetch(SupplyUrl(host, "garden sheds"), run, cancelled);
      });
      while (silent.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(job->Done()) << "attempt " << attempt;
    EXPECT_EQ(job->Take().status, FetchStatus::kCancelled);
  }
}

}  // namespace
}  // namespace quillmark::testing
