// The provider sources against a fake provider on loopback: the requests they send, the pages
// they give back (read with the research code's own readers), failures, rate limits, the cache,
// the credentials, cancellation, and the phrases carried through the research code.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <regex>
#include <set>
#include <thread>

#include "research/rank_lookup.h"
#include "research/researcher.h"
#include "research/supply_lookup.h"
#include "research/support/fake_host.h"
#include "sources/account.h"
#include "sources/credentials.h"
#include "sources/reply_cache.h"
#include "sources/sent_calls.h"
#include "sources/source.h"
#include "sources/sources_limits.h"
#include "sources/support/fake_provider.h"
#include "support/temp_dir.h"

namespace quillmark::testing {
namespace {

using nlohmann::json;
using sources::SourceKind;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kLogin = "qm-login";
constexpr const char* kPassword = "qm-secret-7";
constexpr const char* kBasicAuth = "Basic cW0tbG9naW46cW0tc2VjcmV0LTc=";

// Sets variables for one test and puts the old values back.
class Environment {
 public:
  void Set(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::setenv(name, value.c_str(), 1);
  }
  void Unset(const char* name) {
    const char* old = std::getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    ::unsetenv(name);
  }
  ~Environment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

class ProviderTest : public ::testing::Test {
 protected:
  void UseProvider(const FakeProvider& provider) {
    env_.Set("QUILLMARK_DATAFORSEO_URL", provider.Url());
    env_.Set("QUILLMARK_TRENDS_URL", provider.Url());
    env_.Set("QUILLMARK_DATAFORSEO_LOGIN", kLogin);
    env_.Set("QUILLMARK_DATAFORSEO_PASSWORD", kPassword);
    env_.Set("QUILLMARK_CACHE_DIR", cache_.path().string());
    env_.Set("QUILLMARK_CONFIG_DIR", config_.path().string());
  }
  std::unique_ptr<sources::ProviderSource> Make(SourceKind name,
                                                sources::ProviderOptions options = {}) {
    return sources::MakeProviderSource(name, options);
  }
  // The fetch of a page for the run in progress.
  FetchResult Get(sources::ProviderSource& source, const std::string& url,
                  Cancellation cancelled = {}) {
    return source.Fetch(url, *run_, cancelled);
  }
  // A new run, with what it will ask for.
  void NewRun(sources::RunParameters parameters = {}) {
    run_ = std::make_unique<sources::ProviderRun>(std::move(parameters));
  }

  Environment env_;
  std::unique_ptr<sources::ProviderRun> run_ = std::make_unique<sources::ProviderRun>();
  TempDir cache_{"qm-cache"};
  TempDir config_{"qm-config"};
};

constexpr const char* kSuggestUrl =
    "http://dataforseo/d/searchinventory/suggestion/?term=garden%20sheds&mkt=us&lang=en_US";
constexpr const char* kSupplyUrl = "http://dataforseo/search?p=%22garden+sheds%22";
std::string RankUrl(int offset) {
  return std::string(kSupplyUrl) + "&ei=UTF-8&n=20&fl=0&b=" + std::to_string(offset);
}

std::vector<std::pair<std::string, std::string>> SuggestionCells(const std::string& page) {
  std::vector<std::pair<std::string, std::string>> cells;
  const std::regex cell(R"(<td>&nbsp;([^<]*)</td><td><a [^>]*>([^<]*)</a></td>)");
  for (std::sregex_iterator it(page.begin(), page.end(), cell), end; it != end; ++it)
    cells.emplace_back((*it)[1], (*it)[2]);
  return cells;
}

TEST_F(ProviderTest, KeywordIdeasAreAskedOnceAndListedByLastMonthsDemand) {
  FakeProvider provider(
      [](const ProviderRequest&) { return ProviderReply{.body = fixtures::KeywordIdeas()}; });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo);
  const FetchResult page = Get(*source, kSuggestUrl);
  ASSERT_TRUE(page.Complete()) << page.reason;
  // Newest month wins over the average and the older month; a tie keeps the provider's order;
  // a null volume is not known, not 0, and is listed last.
  EXPECT_EQ(SuggestionCells(page.body),
            (std::vector<std::pair<std::string, std::string>>{{"14800", "garden sheds"},
                                                              {"14800", "wooden garden sheds"},
                                                              {"2400", "metal garden sheds"},
                                                              {"?", "garden sheds uk"}}));
  // The months go to the run, for the history: oldest first, phrases without any left out.
  const std::vector<sources::ProviderMonths> months = run_->Months();
  ASSERT_EQ(months.size(), 2u);
  EXPECT_EQ(months[0].phrase, "garden sheds");
  EXPECT_EQ(months[0].months, (std::vector<MonthlyDemand>{{2026, 9, 9900}, {2026, 10, 14800}}));
  EXPECT_EQ(months[1].phrase, "metal garden sheds");
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].target, "/v3/keywords_data/google_ads/keywords_for_keywords/live");
  EXPECT_EQ(requests[0].authorization, kBasicAuth);
  EXPECT_EQ(
      json::parse(requests[0].body),
      json::parse(R"([{"keywords":["garden sheds"],"location_code":2840,"language_code":"en"}])"));
}

TEST_F(ProviderTest, SupplyIsTheResultCountOfTheQuotedPhrase) {
  FakeProvider provider([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::OrganicResults(1230000, "mysite.com")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo);
  const FetchResult page = Get(*source, kSupplyUrl);
  ASSERT_TRUE(page.Complete()) << page.reason;
  EXPECT_EQ(ReadSupplyCount(page.body), "1230000");
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].target, "/v3/serp/google/organic/live/regular");
  EXPECT_EQ(json::parse(requests[0].body), json::parse(R"([{"keyword":"\"garden sheds\"",
      "location_code":2840,"language_code":"en","depth":10}])"));
}

TEST_F(ProviderTest, AllRankPagesOfAPhraseComeFromOneCallCountingOrganicResultsOnly) {
  FakeProvider provider([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::OrganicResults(5000, "mysite.com")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo);
  NewRun({.max_pages = 3, .target = "mysite.com"});
  std::vector<std::string> pages;
  for (int offset : {1, 21, 41}) {
    const FetchResult page = Get(*source, RankUrl(offset));
    ASSERT_TRUE(page.Complete()) << page.reason;
    pages.push_back(page.body);
  }
  // The ad and the box that name the site hold no position; organic result 23 is the third
  // item of the second page.
  EXPECT_THAT(pages[0], Not(HasSubstr("mysite.com")));
  EXPECT_EQ(21 + RankItemOffset(pages[1], "mysite.com"), 23);
  EXPECT_THAT(pages[2], Not(HasSubstr("<li>")));  // 30 organic results only
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(json::parse(requests[0].body), json::parse(R"([{"keyword":"garden sheds",
      "location_code":2840,"language_code":"en","depth":60,
      "stop_crawl_on_match":[{"match_value":"mysite.com","match_type":"with_subdomains"}]}])"));
}

TEST_F(ProviderTest, AFailedRankCallFailsItsPhrasesPagesOnceAndIsAskedAgainNextRun) {
  std::atomic<int> calls{0};
  FakeProvider provider([&calls](const ProviderRequest&) {
    if (calls++ == 0)
      return ProviderReply{.status = 402,
                           .body = fixtures::Envelope(40200, "Payment Required.", "null")};
    return ProviderReply{.body = fixtures::OrganicResults(5000, "mysite.com")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo);
  const sources::RunParameters run{.max_pages = 2, .target = "mysite.com"};
  NewRun(run);
  EXPECT_EQ(Get(*source, RankUrl(1)).status, FetchStatus::kFailed);
  EXPECT_EQ(Get(*source, RankUrl(21)).status, FetchStatus::kFailed);
  EXPECT_EQ(calls.load(), 1);
  NewRun(run);
  EXPECT_TRUE(Get(*source, RankUrl(21)).Complete());
  EXPECT_EQ(calls.load(), 2);
}

TEST_F(ProviderTest, EveryProviderFailureIsAFailedFetchWithTheProvidersWords) {
  struct Case {
    const char* name;
    ProviderReply reply;
    const char* reason;
  };
  const std::vector<Case> cases = {
      {"payment",
       {.status = 402, .body = fixtures::Envelope(40200, "Payment Required.", "null")},
       "Payment Required. (40200)"},
      {"auth",
       {.status = 401, .body = fixtures::Envelope(40100, "You are not authorized.", "null")},
       "You are not authorized. (40100)"},
      {"policy",
       {.body = fixtures::Envelope(20000, "Ok.",
                                   fixtures::Task(40501, "Invalid Field: 'keywords'.", "null"))},
       "Invalid Field: 'keywords'. (40501)"},
      {"server", {.status = 500, .body = "<html>Internal error</html>"}, "HTTP 500"},
      {"malformed", {.body = R"({"status_code":20000,"tasks":[)"}, "malformed JSON"},
      {"no tasks", {.body = R"({"status_code":20000,"status_message":"Ok."})"}, "without tasks"},
      {"no count", {.body = fixtures::Ok(R"([{"keyword":"x","items":[]}])")}, "se_results_count"},
      {"text count",
       {.body = fixtures::Ok(R"([{"se_results_count":"many"}])")},
       "se_results_count"},
      {"nested deep",
       {.body = fixtures::Ok(std::string(100000, '[') + std::string(100000, ']'))},
       "malformed JSON"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProvider provider([&c](const ProviderRequest&) { return c.reply; });
    UseProvider(provider);
    auto source = Make(SourceKind::kDataForSeo);
    NewRun();
    const FetchResult page = Get(*source, kSupplyUrl);
    EXPECT_EQ(page.status, FetchStatus::kFailed);
    EXPECT_THAT(page.reason, HasSubstr(c.reason));
    EXPECT_THAT(page.reason, Not(HasSubstr(kPassword)));
  }
}

// A page lists the ideas of largest demand, however many the reply holds, in one stable order.
TEST_F(ProviderTest, ManyIdeasListTheLargestDemandsFirst) {
  json ideas = json::array();
  for (int i = 0; i < 5000; ++i)
    ideas.push_back({{"keyword", "idea " + std::to_string(i)}, {"search_volume", i / 2}});
  FakeProvider provider([&ideas](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::Ok(ideas.dump())};
  });
  UseProvider(provider);
  const FetchResult page = Get(*Make(SourceKind::kDataForSeo), kSuggestUrl);
  ASSERT_TRUE(page.Complete()) << page.reason;
  const auto cells = SuggestionCells(page.body);
  ASSERT_EQ(cells.size(), 2000u);
  using Cell = std::pair<std::string, std::string>;
  EXPECT_EQ(cells[0], Cell("2499", "idea 4998"));  // a tie keeps the provider's order
  EXPECT_EQ(cells[1], Cell("2499", "idea 4999"));
  EXPECT_EQ(cells.back(), Cell("1500", "idea 3001"));
}

// Once the provider refuses the account, no call is made for the rest of the run, from any
// thread: every page fails with the provider's words. A new run asks again.
TEST_F(ProviderTest, AnAccountRefusalEndsTheRunsCallsOnEveryThread) {
  std::atomic<int> calls{0};
  FakeProvider provider([&calls](const ProviderRequest&) {
    ++calls;
    return ProviderReply{.status = 402,
                         .body = fixtures::Envelope(40200, "Payment Required.", "null")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
  NewRun();
  std::atomic<int> refused{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 10; ++i)
        if (Get(*source, kSupplyUrl).reason == "Payment Required. (40200)") ++refused;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(refused.load(), 40);
  EXPECT_LE(calls.load(), 4);  // at most the calls under way when the refusal came
  EXPECT_EQ(run_->Notes().refusal, "Payment Required. (40200)");
  const int before = calls.load();
  NewRun();
  EXPECT_EQ(run_->Notes().refusal, "");
  EXPECT_EQ(Get(*source, kSupplyUrl).status, FetchStatus::kFailed);
  EXPECT_EQ(calls.load(), before + 1);
}

TEST_F(ProviderTest, ARateLimitIsWaitedOutWithinTheTimeLimitOnly) {
  std::atomic<int> calls{0};
  FakeProvider provider([&calls](const ProviderRequest&) {
    if (calls++ == 0)
      return ProviderReply{
          .body = fixtures::Envelope(40202, "Rate limit per minute exceeded.", "null")};
    return ProviderReply{.body = fixtures::OrganicResults(77, "mysite.com")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo);
  const FetchResult waited = Get(*source, kSupplyUrl);
  EXPECT_TRUE(waited.Complete()) << waited.reason;
  EXPECT_EQ(calls.load(), 2);
  EXPECT_EQ(run_->Calls().made, 2);  // the retry is a call too
  EXPECT_EQ(run_->Calls().retries, 1);

  // A call made while the slow-down holds the source fails at once when it would outlast its
  // time limit, without asking.
  FakeProvider limited([](const ProviderRequest&) { return ProviderReply{.status = 429}; });
  UseProvider(limited);
  auto short_lived = Make(SourceKind::kDataForSeo,
                          {.use_cache = false, .timeout = std::chrono::milliseconds(200)});
  for (const std::string& url : {std::string(kSupplyUrl), RankUrl(1)}) {
    const FetchResult failed = Get(*short_lived, url);
    EXPECT_EQ(failed.status, FetchStatus::kFailed);
    EXPECT_THAT(failed.reason, HasSubstr("rate limit"));
  }
  EXPECT_EQ(limited.Requests().size(), 1u);
}

// Four calls in flight meet a rate limit together: one slow-down holds the whole source, a call
// made meanwhile included, and ends for all at once (four refusals do not double it four times);
// every refused call asks again then and counts its retry.
TEST_F(ProviderTest, ARateLimitMetBySeveralWorkersSlowsTheWholeSourceDownOnce) {
  using Clock = std::chrono::steady_clock;
  constexpr std::size_t kWorkers = 4;
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<Clock::time_point> times;  // when each request came
  FakeProvider provider([&](const ProviderRequest&) {
    std::unique_lock lock(mutex);
    times.push_back(Clock::now());
    arrived.notify_all();
    if (times.size() > kWorkers)
      return ProviderReply{.body = fixtures::OrganicResults(77, "mysite.com")};
    arrived.wait_for(lock, std::chrono::seconds(10), [&] { return times.size() >= kWorkers; });
    return ProviderReply{.body =
                             fixtures::Envelope(40202, "Rate limit per minute exceeded.", "null")};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
  std::vector<FetchResult> results(kWorkers + 1);
  const auto fetch = [&](std::size_t i) {
    results[i] = Get(*source, "http://dataforseo/search?p=%22phrase+" + std::to_string(i) + "%22");
  };
  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < kWorkers; ++i) workers.emplace_back(fetch, i);
  Clock::time_point limited;
  {
    std::unique_lock lock(mutex);
    arrived.wait(lock, [&] { return times.size() >= kWorkers; });
    limited = Clock::now();  // no refusal was read before
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  workers.emplace_back(fetch, kWorkers);
  for (std::thread& worker : workers) worker.join();

  for (const FetchResult& result : results) EXPECT_TRUE(result.Complete()) << result.reason;
  EXPECT_EQ(run_->Calls().made, 2 * kWorkers + 1);
  EXPECT_EQ(run_->Calls().retries, kWorkers);
  // Under the lock: the server's threads wrote them, and a reply over a socket is no ordering
  // that a thread checker can see.
  std::lock_guard lock(mutex);
  ASSERT_EQ(times.size(), 2 * kWorkers + 1);
  for (std::size_t i = kWorkers; i < times.size(); ++i) {
    EXPECT_GE(times[i] - limited, std::chrono::milliseconds(1000)) << i;
    EXPECT_LT(times[i] - limited, std::chrono::milliseconds(1900)) << i;
  }
}

// Requests for one reply while it is under way make one call. A thread that stops waiting for
// it ends at once; the thread making the call goes on to its reply when stopped, as the call was
// sent, and the one waiting gets it.
TEST_F(ProviderTest, ARequestUnderWayIsNotMadeTwice) {
  using Clock = std::chrono::steady_clock;
  const struct {
    bool stop_maker;
    bool stop_waiter;
  } cases[] = {{false, false}, {false, true}, {true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.stop_maker << c.stop_waiter);
    FakeProvider provider([](const ProviderRequest&) {
      return ProviderReply{.body = fixtures::OrganicResults(42, "mysite.com"),
                           .delay = std::chrono::milliseconds(500)};
    });
    UseProvider(provider);
    auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
    NewRun();
    std::atomic<bool> stop_maker{false};
    std::atomic<bool> stop_waiter{false};
    FetchResult made;
    FetchResult waited;
    Clock::time_point made_at;
    Clock::time_point waited_at;
    std::thread maker([&] {
      made = Get(*source, kSupplyUrl, [&] { return stop_maker.load(); });
      made_at = Clock::now();
    });
    while (provider.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::thread waiter([&] {
      waited = Get(*source, kSupplyUrl, [&] { return stop_waiter.load(); });
      waited_at = Clock::now();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop_maker = c.stop_maker;
    stop_waiter = c.stop_waiter;
    maker.join();
    waiter.join();
    EXPECT_EQ(made.status, FetchStatus::kComplete);
    EXPECT_EQ(waited.status, c.stop_waiter ? FetchStatus::kCancelled : FetchStatus::kComplete);
    if (!c.stop_waiter) {
      EXPECT_EQ(ReadSupplyCount(waited.body), "42");
    } else {
      EXPECT_LT(waited_at, made_at);
    }
    EXPECT_EQ(provider.Requests().size(), 1u);
    EXPECT_EQ(run_->Calls().made, 1);
  }
}

TEST_F(ProviderTest, RepliesAreCachedWithoutTheCredentialsAndCorruptEntriesIgnored) {
  FakeProvider provider([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::OrganicResults(42, "mysite.com")};
  });
  UseProvider(provider);
  EXPECT_TRUE(Get(*Make(SourceKind::kDataForSeo), kSupplyUrl).Complete());
  auto again = Make(SourceKind::kDataForSeo);
  NewRun();
  EXPECT_EQ(ReadSupplyCount(Get(*again, kSupplyUrl).body), "42");
  EXPECT_EQ(provider.Requests().size(), 1u);
  EXPECT_EQ(run_->Calls().made, 1);
  EXPECT_EQ(run_->Calls().from_cache, 1);

  std::vector<std::filesystem::path> entries;
  for (const auto& entry : std::filesystem::directory_iterator(cache_.path())) {
    if (entry.path().filename() == "prices") continue;  // what the replies' costs taught
    entries.push_back(entry.path());
    const std::string bytes = ReadBytes(entry.path());
    EXPECT_THAT(bytes, Not(HasSubstr(kLogin)));
    EXPECT_THAT(bytes, Not(HasSubstr(kPassword)));
  }
  ASSERT_EQ(entries.size(), 1u);
  WriteBytes(entries[0], ReadBytes(entries[0]).substr(0, 60));
  EXPECT_TRUE(Get(*Make(SourceKind::kDataForSeo), kSupplyUrl).Complete());
  // Another run: within one, a request answered is not asked again.
  NewRun();
  EXPECT_TRUE(Get(*Make(SourceKind::kDataForSeo, {.use_cache = false}), kSupplyUrl).Complete());
  EXPECT_EQ(provider.Requests().size(), 3u);
}

TEST_F(ProviderTest, ACachedReplyLastsAsLongAsItsProviderSays) {
  const sources::CachedRequest request{"GET", "http://x/trending/rss?geo=US", ""};
  sources::ReplyCache(std::chrono::hours(1), cache_.File("c")).Store(request, "reply");
  const auto entry = std::filesystem::directory_iterator(cache_.path() / "c")->path();
  // Back-date the entry by two hours: past the feed's hour, well within the keywords' month.
  std::string bytes = ReadBytes(entry);
  const std::size_t line = bytes.find('\n') + 1;
  const long long stored = std::stoll(bytes.substr(line));
  bytes.replace(line, std::to_string(stored).size(), std::to_string(stored - 7200));
  WriteBytes(entry, bytes);
  EXPECT_EQ(sources::ReplyCache(std::chrono::hours(1), cache_.File("c")).Find(request),
            std::nullopt);
  EXPECT_EQ(sources::ReplyCache(std::chrono::hours(720), cache_.File("c")).Find(request), "reply");
}

// A stop ends a call that has not gone out at once, a wait for a rate limit included. A call
// sent is paid for: it goes on to its reply, counted as finished after the stop and cached, until
// the session's end gives it up unseen.
TEST_F(ProviderTest, AStopLetsACallSentAnswerUntilTheSessionGivesItUp) {
  using namespace std::chrono_literals;
  const struct {
    const char* name;
    ProviderReply reply;
    bool give_up;
    FetchStatus status;
    sources::CallCounts calls;
  } cases[] = {
      {"answers after the stop",
       {.body = fixtures::OrganicResults(7, "x"), .delay = 300ms},
       false,
       FetchStatus::kComplete,
       {.made = 1, .cost = 0.075, .after_stop = 1}},
      {"waits for a rate limit",
       {.status = 429, .headers = {{"Retry-After", "30"}}},
       false,
       FetchStatus::kCancelled,
       {.made = 1}},
      {"given up at the end",
       {.body = fixtures::OrganicResults(7, "x"), .delay = 1min},
       true,
       FetchStatus::kCancelled,
       {.unanswered = 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProvider provider([&c](const ProviderRequest&) { return c.reply; });
    UseProvider(provider);
    const auto sent = std::make_shared<sources::SentCalls>();
    auto source = Make(SourceKind::kDataForSeo, {.use_cache = false, .sent_calls = sent});
    NewRun();
    std::atomic<bool> stopped{false};
    std::thread stop([&] {
      while (provider.Requests().empty()) std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(50ms);
      run_->MarkStopped();
      stopped = true;
      if (c.give_up) {
        EXPECT_EQ(sent->GiveUp(200ms), 1);
      }
    });
    const auto began = std::chrono::steady_clock::now();
    const FetchResult page = Get(*source, kSupplyUrl, [&] { return stopped.load(); });
    stop.join();
    EXPECT_EQ(page.status, c.status);
    EXPECT_LT(std::chrono::steady_clock::now() - began, 2s);
    const sources::CallCounts calls = run_->Calls();
    EXPECT_EQ(calls.made, c.calls.made);
    EXPECT_EQ(calls.after_stop, c.calls.after_stop);
    EXPECT_EQ(calls.unanswered, c.calls.unanswered);
    EXPECT_EQ(calls.in_flight, 0);
    EXPECT_DOUBLE_EQ(calls.cost, c.calls.cost);
    EXPECT_EQ(provider.Requests().size(), 1u);
  }
}

// A rate limit is waited out for at least the backoff (1 s first) whatever its Retry-After says,
// so no provider is asked again at once; one that asks for more than the time limit fails the
// lookup at once with the provider's words.
TEST_F(ProviderTest, ARateLimitWaitsAtLeastTheBackoffWhateverRetryAfterSays) {
  using namespace std::chrono_literals;
  const struct {
    const char* retry_after;
    bool beyond_the_limit;
  } cases[] = {{"0", false},    {"-1", false}, {"Wed, 21 Oct 2015 07:28:00 GMT", false},
               {"soon", false}, {"120", true}, {"Fri, 31 Dec 9999 23:59:59 GMT", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.retry_after);
    std::mutex mutex;
    std::vector<std::chrono::steady_clock::time_point> times;
    FakeProvider provider([&](const ProviderRequest&) {
      const std::lock_guard lock(mutex);
      times.push_back(std::chrono::steady_clock::now());
      if (times.size() > 1) return ProviderReply{.body = fixtures::OrganicResults(5, "x")};
      return ProviderReply{.status = 429, .headers = {{"Retry-After", c.retry_after}}};
    });
    UseProvider(provider);
    auto source = Make(SourceKind::kDataForSeo, {.use_cache = false, .timeout = 5s});
    NewRun();
    const auto began = std::chrono::steady_clock::now();
    const FetchResult page = Get(*source, kSupplyUrl);
    const std::lock_guard lock(mutex);
    if (c.beyond_the_limit) {
      EXPECT_EQ(page.status, FetchStatus::kFailed);
      EXPECT_THAT(page.reason, HasSubstr("rate limit (HTTP 429); waiting "));
      EXPECT_THAT(page.reason, HasSubstr(" would outlast the time limit"));
      EXPECT_LT(std::chrono::steady_clock::now() - began, 500ms);
      EXPECT_EQ(times.size(), 1u);
    } else {
      EXPECT_TRUE(page.Complete()) << page.reason;
      ASSERT_EQ(times.size(), 2u);
      EXPECT_GE(times[1] - times[0], 950ms);
    }
  }
}

// --max-calls counts every call, retries included: a run that reaches it makes no further call,
// and says so.
TEST_F(ProviderTest, TheRunsMostCallsCountTheRetries) {
  FakeProvider limited([](const ProviderRequest&) {
    return ProviderReply{.status = 429, .headers = {{"Retry-After", "0"}}};
  });
  UseProvider(limited);
  auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
  NewRun({.max_pages = 0, .target = {}, .max_calls = 2});
  const FetchResult page = Get(*source, kSupplyUrl);
  EXPECT_EQ(page.reason, "no call made: the run reached its limit of 2 provider calls");
  EXPECT_EQ(Get(*source, RankUrl(1)).reason, page.reason);
  EXPECT_EQ(limited.Requests().size(), 2u);
  EXPECT_EQ(run_->Calls().made, 2);
  EXPECT_EQ(run_->Calls().retries, 1);
  EXPECT_EQ(run_->Notes().call_limit_reached, 2);
}

// A run asks for a request once, whatever it was answered (a phrase the provider lists twice);
// a standing run, which serves many runs of its clients, asks again after a failure, and after
// an account refusal once its pause is over.
TEST_F(ProviderTest, ARunAsksOnceAStandingRunAsksAgainAfterAFailure) {
  using namespace std::chrono_literals;
  const struct {
    const char* name;
    ProviderReply first;
    bool standing;
    std::size_t calls;  // after two fetches of the same page
  } cases[] = {
      {"answered", {.body = fixtures::OrganicResults(5, "x")}, false, 1},
      {"failed", {.status = 500}, false, 1},
      {"standing, failed", {.status = 500}, true, 2},
      {"standing, refused",
       {.status = 402, .body = fixtures::Envelope(40200, "Payment Required.", "null")},
       true,
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProvider provider([&c](const ProviderRequest&) { return c.first; });
    UseProvider(provider);
    auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
    NewRun({.max_pages = 0,
            .target = {},
            .max_calls = 0,
            .standing = c.standing,
            .refusal_pause = 300ms});
    const FetchResult first = Get(*source, kSupplyUrl);
    const FetchResult second = Get(*source, kSupplyUrl);
    EXPECT_EQ(second.status, first.status);
    EXPECT_EQ(provider.Requests().size(), c.calls);
    EXPECT_EQ(run_->Calls().made, static_cast<std::int64_t>(c.calls));
  }
  // After the pause one call asks again; answered, the account is good again.
  std::atomic<int> calls{0};
  FakeProvider paid_up([&calls](const ProviderRequest&) {
    if (calls++ == 0)
      return ProviderReply{.status = 402,
                           .body = fixtures::Envelope(40200, "Payment Required.", "null")};
    return ProviderReply{.body = fixtures::OrganicResults(5, "x")};
  });
  UseProvider(paid_up);
  auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
  NewRun({.max_pages = 0, .target = {}, .max_calls = 0, .standing = true, .refusal_pause = 300ms});
  EXPECT_EQ(Get(*source, kSupplyUrl).reason, "Payment Required. (40200)");
  std::this_thread::sleep_for(350ms);
  EXPECT_TRUE(Get(*source, kSupplyUrl).Complete());
  EXPECT_TRUE(Get(*source, RankUrl(1)).Complete());
  EXPECT_EQ(calls.load(), 3);
  EXPECT_EQ(run_->Notes().refusal, "");
}

TEST_F(ProviderTest, TheCredentialsFileMustBePrivate) {
  env_.Set("QUILLMARK_CONFIG_DIR", config_.path().string());
  env_.Unset("QUILLMARK_DATAFORSEO_LOGIN");
  env_.Unset("QUILLMARK_DATAFORSEO_PASSWORD");
  // Why no account can be read is told apart, for the window to say in its own words.
  const auto problem = [] {
    try {
      sources::LoadDataForSeoCredentials();
    } catch (const sources::CredentialsError& e) {
      return std::optional(e.Problem());
    }
    return std::optional<sources::AccountProblem>();
  };
  EXPECT_EQ(problem(), sources::AccountProblem::kMissing);
  const std::string file = sources::CredentialsFilePath();
  WriteBytes(file, std::string("# account\nlogin = ") + kLogin + "\npassword=" + kPassword + "\n");
  for (const mode_t mode : {0644, 0640, 0604}) {
    ::chmod(file.c_str(), mode);
    try {
      sources::LoadDataForSeoCredentials();
      ADD_FAILURE() << "mode " << mode << " accepted";
    } catch (const sources::SourceError& e) {
      EXPECT_THAT(e.what(), HasSubstr("chmod 600"));
      EXPECT_THAT(e.what(), Not(HasSubstr(kPassword)));
    }
  }
  EXPECT_EQ(problem(), sources::AccountProblem::kOthersMayRead);
  ::chmod(file.c_str(), 0600);
  // Half an account in the environment spoils the file's; a whole one is used without it.
  env_.Set("QUILLMARK_DATAFORSEO_LOGIN", "env-login");
  EXPECT_EQ(problem(), sources::AccountProblem::kPartInEnvironment);
  EXPECT_EQ(sources::LoadCredentialsFile().login, kLogin);
  env_.Set("QUILLMARK_DATAFORSEO_PASSWORD", "env-password");
  EXPECT_EQ(sources::LoadDataForSeoCredentials().login, "env-login");
  env_.Unset("QUILLMARK_DATAFORSEO_LOGIN");
  env_.Unset("QUILLMARK_DATAFORSEO_PASSWORD");
  const sources::Credentials found = sources::LoadDataForSeoCredentials();
  EXPECT_EQ(found.login, kLogin);
  EXPECT_EQ(found.password, kPassword);

  // Quotes around a value, as a shell would write it, are not part of it.
  WriteBytes(file, std::string("login='") + kLogin + "'\npassword=\"" + kPassword + "\"\n");
  EXPECT_EQ(sources::LoadDataForSeoCredentials().password, kPassword);
  EXPECT_EQ(sources::LoadDataForSeoCredentials().login, kLogin);
  // A link is refused in words, not with the system's "Too many levels of symbolic links".
  std::filesystem::rename(file, file + ".real");
  std::filesystem::create_symlink(file + ".real", file);
  try {
    sources::LoadDataForSeoCredentials();
    ADD_FAILURE() << "a link accepted";
  } catch (const sources::SourceError& e) {
    EXPECT_THAT(e.what(), HasSubstr("is a symbolic link"));
  }
  EXPECT_EQ(problem(), sources::AccountProblem::kLink);
}

TEST_F(ProviderTest, PlainHttpIsForThisMachineOnly) {
  const std::vector<std::pair<const char*, bool>> cases = {{"https://api.dataforseo.com", true},
                                                           {"http://127.0.0.1:8080/", true},
                                                           {"http://localhost", true},
                                                           {"http://api.dataforseo.com", false},
                                                           {"http://127.0.0.1.evil.example", false},
                                                           {"file:///etc/passwd", false},
                                                           {"https://user@host.example", false}};
  for (const auto& [url, accepted] : cases) {
    SCOPED_TRACE(url);
    env_.Set("QUILLMARK_TRENDS_URL", url);
    if (accepted) {
      EXPECT_NO_THROW(Make(SourceKind::kTrends));
    } else {
      EXPECT_THROW(Make(SourceKind::kTrends), sources::SourceError);
    }
  }
}

TEST_F(ProviderTest, TrendsListsTheFeedsTitlesInOrderForTheCountry) {
  std::atomic<bool> malformed{false};
  FakeProvider provider([&malformed](const ProviderRequest&) {
    return ProviderReply{
        .body = malformed ? "<rss><channel><item>"
                          : fixtures::TrendsFeed({"Snow Day", "Bread &amp; Butter", "world cup"}),
        .content_type = "application/rss+xml"};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kTrends, {.country = "de"});
  const FetchResult page = Get(*source, "http://trends/top");
  ASSERT_TRUE(page.Complete()) << page.reason;
  const std::size_t snow = page.body.find(">Snow Day</a></td>");
  const std::size_t bread = page.body.find(">Bread & Butter</a></td>");
  const std::size_t cup = page.body.find(">world cup</a></td>");
  EXPECT_TRUE(snow < bread && bread < cup) << page.body;
  EXPECT_EQ(provider.Requests().at(0).target, "/trending/rss?geo=DE");
  EXPECT_EQ(provider.Requests().at(0).authorization, "");

  malformed = true;
  const FetchResult bad =
      Get(*Make(SourceKind::kTrends, {.use_cache = false}), "http://trends/top");
  EXPECT_EQ(bad.status, FetchStatus::kFailed);
  EXPECT_THAT(bad.reason, HasSubstr("malformed XML"));

  // A feed lists a few searches: a reply of megabytes is none.
  FakeProvider huge([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::TrendsFeed({std::string(3u << 20, 'x')}),
                         .content_type = "application/octet-stream"};
  });
  UseProvider(huge);
  EXPECT_THAT(Get(*Make(SourceKind::kTrends, {.use_cache = false}), "http://trends/top").reason,
              HasSubstr("too large"));
}

// A row is one phrase: a provider's phrase, as the research code reads it off the page (A-Z
// lower-cased, without the blanks at its ends), is the phrase its lookups ask the provider about.
// One the page cannot carry as it is is left out, and counted in the run's notes.
TEST_F(ProviderTest, ARowIsOnePhraseFromTheProviderToItsLookups) {
  const std::string long_phrase = std::string(150, 'l') + " " + std::string(149, 'p');
  const struct Case {
    std::string given;
    std::optional<std::string> read;  // nullopt: left out
  } cases[] = {
      {"Third & Last", "third & last"},
      {"AT&T outage", "at&t outage"},
      {"\"rock\" 'n' roll", "\"rock\" 'n' roll"},
      {"\"quoted\"", "\"quoted\""},
      {"c++ vs c# + %41 100%", "c++ vs c# + %41 100%"},
      {"Caf\xC3\xA9 Cr\xC3\xA8me", "caf\xC3\xA9 cr\xC3\xA8me"},
      {"ac/dc?tour=1&b=21 back\\slash", "ac/dc?tour=1&b=21 back\\slash"},
      {long_phrase, long_phrase},
      {"  padded  ", "padded"},
      {"a;b", std::nullopt},
      {"<b>x</b>", std::nullopt},
      {"x&amp;y", std::nullopt},
      {"tab\there", std::nullopt},
      {"new\nline", std::nullopt},
  };
  const auto xml_text = [](const std::string& text) {
    std::string out;
    for (char c : text) out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
    return out;
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.given);
    FakeProvider provider([&](const ProviderRequest& request) -> ProviderReply {
      if (request.target.find("/trending/rss") == 0)
        return {.body = fixtures::TrendsFeed({xml_text(c.given)}),
                .content_type = "application/rss+xml"};
      if (request.target.find("keywords_for_keywords") != std::string::npos)
        return {.body = fixtures::Ok(
                    json::array({{{"keyword", c.given}, {"search_volume", 90}}}).dump())};
      return {.body = fixtures::OrganicResults(4560000, "mysite.example")};
    });
    UseProvider(provider);
    FakeHost host;
    host.target_url = [] { return std::string("mysite.example"); };
    const auto research_through = [&](sources::ProviderSource& source, sources::ProviderRun& run) {
      return Researcher(
          host, [&source, &run](const std::string& url) { return source.Fetch(url, run, {}); },
          TestEndpoints());
    };

    auto ideas = Make(SourceKind::kDataForSeo, {.use_cache = false});
    sources::ProviderRun ideas_run({.max_pages = 1, .target = "mysite.example"});
    research_through(*ideas, ideas_run).ResearchSeed("garden sheds");
    auto trends = Make(SourceKind::kTrends, {.use_cache = false});
    sources::ProviderRun trends_run;
    EXPECT_TRUE(research_through(*trends, trends_run).ExtractTopSearches().Complete());
    const auto requests = provider.Requests();
    if (!c.read) {
      EXPECT_EQ(host.keywords.Count(), 0u);
      EXPECT_EQ(host.top_searches.Count(), 0u);
      EXPECT_EQ(requests.size(), 2u);  // the ideas and the feed: no lookup
      EXPECT_EQ(ideas_run.Notes().phrases_left_out, 1);
      EXPECT_EQ(trends_run.Notes().phrases_left_out, 1);
      continue;
    }
    ASSERT_EQ(host.keywords.Count(), 1u);
    EXPECT_EQ(host.keywords.Row(0)->Caption(), *c.read);
    ASSERT_EQ(requests.size(), 4u);  // ideas, supply, rank, feed
    EXPECT_EQ(json::parse(requests[1].body)[0]["keyword"], "\"" + *c.read + "\"");
    EXPECT_EQ(json::parse(requests[2].body)[0]["keyword"], *c.read);
    ASSERT_EQ(host.top_searches.Count(), 1u);
    EXPECT_EQ(host.top_searches.Row(0).keyword, *c.read);
    EXPECT_EQ(ideas_run.Notes().phrases_left_out, 0);
  }
}

// What the calls cost: the top `cost` of each reply received, a failed one's too.
TEST_F(ProviderTest, TheCallsCostWhatTheRepliesReceivedSay) {
  FakeProvider provider([](const ProviderRequest& request) {
    if (request.body.find("\\\"") != std::string::npos)
      return ProviderReply{.body = R"({"status_code":20000,"status_message":"Ok.","cost":0.0125,
          "tasks":[{"status_code":20000,"cost":0.5,"result":[{"se_results_count":7}]}]})"};
    return ProviderReply{.body = R"({"status_code":20000,"status_message":"Ok.","cost":0.002,
        "tasks":[{"status_code":40501,"status_message":"Invalid Field.","cost":0.002}]})"};
  });
  UseProvider(provider);
  auto fresh = Make(SourceKind::kDataForSeo);
  EXPECT_TRUE(Get(*fresh, kSupplyUrl).Complete());
  EXPECT_EQ(Get(*fresh, RankUrl(1)).status, FetchStatus::kFailed);
  EXPECT_DOUBLE_EQ(run_->Calls().cost, 0.0145);
}

// The balance, the limits and the provider's words as qmk prints them are checked in
// ProviderAccount; here, what is asked and that a bare 401 is a refusal too.
TEST_F(ProviderTest, TheAccountCallGivesTheBalanceAndLimitsOrTheProvidersWords) {
  const struct {
    const char* name;
    ProviderReply reply;
    sources::AccountCheck::Outcome outcome;
    const char* failure;
  } cases[] = {
      {"ok", {.body = fixtures::UserData(kLogin, "49.9712")}, sources::AccountCheck::kOk, ""},
      {"plain 401", {.status = 401, .body = "no"}, sources::AccountCheck::kRefused, "HTTP 401"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProvider provider([&c](const ProviderRequest&) { return c.reply; });
    UseProvider(provider);
    const sources::AccountCheck check =
        sources::CheckDataForSeoAccount({kLogin, kPassword}, std::chrono::seconds(10));
    EXPECT_EQ(check.outcome, c.outcome);
    EXPECT_EQ(check.failure, c.failure);
    ASSERT_EQ(provider.Requests().size(), 1u);
    EXPECT_EQ(provider.Requests()[0].target, "/v3/appendix/user_data");
    EXPECT_EQ(provider.Requests()[0].authorization, kBasicAuth);
  }
  // Never cached: the balance changes with every paid call.
  EXPECT_TRUE(std::filesystem::is_empty(cache_.path()));
}

TEST_F(ProviderTest, SavedCredentialsArePrivateFromTheStartAndReadBackAsTyped) {
  env_.Set("QUILLMARK_CONFIG_DIR", config_.File("not/yet"));
  env_.Unset("QUILLMARK_DATAFORSEO_LOGIN");
  env_.Unset("QUILLMARK_DATAFORSEO_PASSWORD");
  const std::string file = sources::CredentialsFilePath();
  const auto mode = [&file] {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0);
    return info.st_mode & 07777;
  };
  // However lax the umask, and whatever mode the file had.
  const mode_t umask = ::umask(0);
  const sources::Credentials typed{kLogin, std::string(" \"pass' word\" ") + kPassword};
  sources::SaveDataForSeoCredentials(typed);
  EXPECT_EQ(mode(), 0600u);
  ::chmod(file.c_str(), 0644);
  sources::SaveDataForSeoCredentials(typed);
  EXPECT_EQ(mode(), 0600u);
  // A link is replaced, never written through.
  WriteBytes(config_.File("elsewhere"), "kept");
  std::filesystem::remove(file);
  std::filesystem::create_symlink(config_.File("elsewhere"), file);
  sources::SaveDataForSeoCredentials(typed);
  ::umask(umask);
  EXPECT_EQ(mode(), 0600u);
  EXPECT_EQ(ReadBytes(config_.File("elsewhere")), "kept");
  const sources::Credentials read = sources::LoadDataForSeoCredentials();
  EXPECT_EQ(read.login, typed.login);
  EXPECT_EQ(read.password, typed.password);

  for (const sources::Credentials& bad :
       {sources::Credentials{kLogin, ""}, sources::Credentials{"", kPassword},
        sources::Credentials{kLogin, "a\nb" + typed.password}}) {
    try {
      sources::SaveDataForSeoCredentials(bad);
      ADD_FAILURE() << "saved";
    } catch (const sources::SourceError& e) {
      EXPECT_THAT(e.what(), Not(HasSubstr(kPassword)));
    }
  }
  EXPECT_EQ(sources::LoadDataForSeoCredentials().password, typed.password);
}

TEST_F(ProviderTest, TheCacheSaysItsSizeAndClearsItsOwnEntriesOnly) {
  env_.Set("QUILLMARK_CACHE_DIR", cache_.path().string());
  const sources::ReplyCache cache(std::chrono::hours(1));
  const sources::CachedRequest first{"GET", "http://x/a", ""}, second{"POST", "http://x/b", "{}"};
  cache.Store(first, "reply");
  cache.Store(second, std::string(5000, 'x'));
  const std::string other = cache_.Write("notes.txt", "not ours").string();
  std::uintmax_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(cache_.path()))
    if (entry.path() != other) entries += entry.file_size();
  EXPECT_GT(entries, 5000u);
  EXPECT_EQ(sources::ReplyCacheBytes(), entries);
  // A half-written entry of a store under way stays to be renamed into place; one left behind
  // long ago goes.
  const std::filesystem::path writing = cache_.Write(".~qmk1-1.tmp", "half");
  const std::filesystem::path left = cache_.Write(".~qmk1-2.tmp", "left");
  std::filesystem::last_write_time(
      left, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
  sources::ClearReplyCache();
  EXPECT_EQ(sources::ReplyCacheBytes(), 4u);
  EXPECT_TRUE(std::filesystem::exists(writing));
  EXPECT_FALSE(std::filesystem::exists(left));
  EXPECT_EQ(cache.Find(first), std::nullopt);
  EXPECT_EQ(ReadBytes(other), "not ours");
  EXPECT_EQ(sources::ReplyCacheBytes(cache_.File("missing")), 0u);
  EXPECT_NO_THROW(sources::ClearReplyCache(cache_.File("missing")));
}

}  // namespace
}  // namespace quillmark::testing

namespace quillmark::testing {
namespace {

// Calls reuse the provider's connections: never more are opened than calls were in flight.
TEST_F(ProviderTest, ConnectionsAreReusedAcrossCalls) {
  FakeProvider provider([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::OrganicResults(10, "x.example"),
                         .delay = std::chrono::milliseconds(20)};
  });
  UseProvider(provider);
  auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
  constexpr int kThreads = 4;
  constexpr int kCallsEach = 5;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kCallsEach; ++i) {
        const std::string phrase = "p" + std::to_string(t) + "x" + std::to_string(i);
        EXPECT_TRUE(Get(*source, "http://dataforseo/search?p=%22" + phrase + "%22").Complete());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(provider.Requests().size(), std::size_t{kThreads * kCallsEach});
  EXPECT_LE(provider.Connections(), std::size_t{kThreads});
}

// A list's demand comes from search-volume calls; a batch the provider empties for one refused
// phrase is halved until that phrase stands alone, within a bound of extra calls.
TEST_F(ProviderTest, AListsDemandComesFromBatchesHalvedAroundARefusedPhrase) {
  const auto list_of = [](int count) {
    std::vector<std::string> phrases;
    for (int i = 0; i < count; ++i) phrases.push_back("Phrase " + std::to_string(i));
    return phrases;
  };
  std::set<std::string> everything;
  for (int i = 0; i < 100; ++i) everything.insert("phrase " + std::to_string(i));
  const struct Case {
    std::vector<std::string> phrases;
    std::set<std::string> refused;  // in lower case, as the fake reads them
    std::size_t calls;
  } cases[] = {
      {list_of(8), {}, 1},
      // 8, then 4 + 4, then 2 + 2 of the right half, then 1 + 1.
      {list_of(8), {"phrase 5"}, 7},
      // Every phrase refused: the halvings stop after their bound of calls.
      {list_of(100), everything, 1 + sources::kMaxVolumeSplitCalls},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.calls);
    FakeProvider provider([&](const ProviderRequest& request) {
      json result = json::array();
      const json asked = json::parse(request.body);
      for (const auto& keyword : asked[0]["keywords"]) {
        std::string lower = keyword.get<std::string>();
        for (char& ch : lower) ch = static_cast<char>(std::tolower(ch));
        if (c.refused.count(lower) > 0) return ProviderReply{.body = fixtures::Ok("[]")};
        // The provider writes keywords in its own letter case.
        result.push_back({{"keyword", lower}, {"search_volume", 10 * lower.size()}});
      }
      return ProviderReply{.body = fixtures::Ok(result.dump())};
    });
    UseProvider(provider);
    auto source = Make(SourceKind::kDataForSeo, {.use_cache = false});
    NewRun({.max_pages = 0, .target = {}, .phrases = c.phrases});
    const FetchResult page = Get(*source, "http://dataforseo/d/searchinventory/list/?n=8");
    ASSERT_TRUE(page.Complete()) << page.reason;
    const auto cells = SuggestionCells(page.body);
    ASSERT_EQ(cells.size(), c.phrases.size());
    for (std::size_t i = 0; i < cells.size(); ++i) {
      EXPECT_EQ(cells[i].second, c.phrases[i]);  // the list's order and letter case
      const bool refused = c.refused.count("phrase " + std::to_string(i)) > 0;
      EXPECT_EQ(cells[i].first, refused ? "?" : std::to_string(10 * c.phrases[i].size())) << i;
    }
    const auto requests = provider.Requests();
    EXPECT_EQ(requests.size(), c.calls);
    EXPECT_EQ(requests[0].target, "/v3/keywords_data/google_ads/search_volume/live");
    const sources::RunNotes notes = run_->Notes();
    if (c.refused.size() == 1) {
      EXPECT_EQ(notes.phrases_refused, std::vector{std::string("Phrase 5")});
    }
    EXPECT_EQ(notes.phrases_refused.size() + static_cast<std::size_t>(notes.phrases_unmeasured),
              c.refused.size());
  }
}

std::string SupplyUrlOf(const std::string& phrase) {
  return "http://dataforseo/search?p=%22" + phrase + "%22";
}

// The supply of each phrase, asked at once from a thread each.
std::vector<FetchResult> LookUpAtOnce(sources::ProviderSource& source, sources::ProviderRun& run,
                                      const std::vector<std::string>& phrases,
                                      const Cancellation& cancelled = {}) {
  std::vector<FetchResult> pages(phrases.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < phrases.size(); ++i)
    threads.emplace_back(
        [&, i] { pages[i] = source.Fetch(SupplyUrlOf(phrases[i]), run, cancelled); });
  for (std::thread& thread : threads) thread.join();
  return pages;
}

// Economy: the lookups asked at about the same time go to the provider's queue in one post; the
// run waits, lists what is finished and collects it. A stop during the wait leaves the paid tasks
// for the next program, which collects them without a second post; a later live run finds the
// results in the cache.
TEST_F(ProviderTest, AQueuedRunPostsWaitsAndCollectsAndAStopLeavesItsTasksForTheNext) {
  using namespace std::chrono_literals;
  QueueProvider queue;
  FakeProvider provider([&](const ProviderRequest& request) { return queue.Answer(request); });
  UseProvider(provider);
  const std::vector<std::string> phrases = {"a", "b", "c"};
  const auto look_up = [&](sources::ProviderSource& source, Cancellation cancelled) {
    return LookUpAtOnce(source, *run_, phrases, cancelled);
  };
  const auto supply = SupplyUrlOf;
  const auto posts = [&] { return queue.Posts(provider); };
  auto& finished = queue.finished;

  {
    auto source = Make(SourceKind::kDataForSeo, {.queue_poll = 50ms});
    NewRun({.max_pages = 0, .target = {}, .economy = sources::Economy::kNormal});
    std::atomic<bool> stopped{false};
    std::thread stop([&] {
      while (posts().empty()) std::this_thread::sleep_for(1ms);
      std::this_thread::sleep_for(200ms);
      stopped = true;
    });
    for (const FetchResult& page : look_up(*source, [&] { return stopped.load(); }))
      EXPECT_EQ(page.status, FetchStatus::kCancelled);
    stop.join();
    ASSERT_EQ(posts().size(), 1u);
    const json posted = posts()[0];
    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0]["depth"], 10);
    EXPECT_FALSE(posted[0].contains("priority"));  // normal
    const sources::CallCounts calls = run_->Calls();
    EXPECT_EQ(calls.made, 1);  // the post; the queue's listings are free and not counted
    EXPECT_EQ(calls.tasks_posted, 3);
    EXPECT_EQ(calls.tasks_not_collected, 3);
    EXPECT_NEAR(calls.cost, 0.0018, 1e-9);
  }
  finished = true;
  {
    // The next program: the earlier tasks are collected, and a new one posted at high priority.
    auto source = Make(SourceKind::kDataForSeo, {.queue_poll = 50ms});
    NewRun({.max_pages = 0, .target = {}, .economy = sources::Economy::kHigh});
    for (const FetchResult& page : look_up(*source, {})) {
      ASSERT_TRUE(page.Complete()) << page.reason;
      EXPECT_EQ(ReadSupplyCount(page.body), "4321");
    }
    const FetchResult more = Get(*source, supply("d"));
    ASSERT_TRUE(more.Complete()) << more.reason;
    ASSERT_EQ(posts().size(), 2u);
    EXPECT_EQ(posts()[1].size(), 1u);
    EXPECT_EQ(posts()[1][0]["priority"], 2);
    const sources::CallCounts calls = run_->Calls();
    EXPECT_EQ(calls.tasks_posted, 1);
    EXPECT_EQ(calls.tasks_collected, 4);
    EXPECT_EQ(calls.tasks_not_collected, 0);
  }
  // A live run finds every result in the cache.
  const std::size_t asked = provider.Requests().size();
  auto source = Make(SourceKind::kDataForSeo);
  NewRun();
  for (const FetchResult& page : look_up(*source, {})) EXPECT_TRUE(page.Complete());
  EXPECT_EQ(provider.Requests().size(), asked);
  EXPECT_EQ(run_->Calls().from_cache, 3);
}

// What can go wrong in the queue: more lookups than one post carries, a task the queue refuses,
// a task of an earlier program the provider no longer has, a listing that keeps failing.
TEST_F(ProviderTest, TheQueueCarriesAHundredTasksAPostAndSaysWhatWentWrong) {
  using namespace std::chrono_literals;
  const auto many = [](int count) {
    std::vector<std::string> phrases;
    for (int i = 0; i < count; ++i) phrases.push_back("p" + std::to_string(i));
    return phrases;
  };
  const struct Case {
    const char* name;
    std::vector<std::string> phrases;
    std::string refused;
    bool lost_after_a_stop;
    bool listing_fails;
    std::size_t posted;   // tasks the run posted, at most 100 a post
    std::string failure;  // the first phrase's, "" for its result
  } cases[] = {
      {"150 at once", many(150), "", false, false, 150, ""},
      {"one refused", {"a", "b"}, "\"a\"", false, false, 2, "Invalid Field. (40501)"},
      {"earlier task lost", {"a"}, "", true, false, 1, ""},
      {"listing fails",
       {"a"},
       "",
       false,
       true,
       {1},
       "the provider's queue could not say which tasks are finished: HTTP 500"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QueueProvider queue;
    queue.refused = c.refused;
    queue.listing_fails = c.listing_fails;
    queue.finished = !c.listing_fails;
    FakeProvider provider([&](const ProviderRequest& request) { return queue.Answer(request); });
    UseProvider(provider);
    TempDir cache("qm-queue");
    env_.Set("QUILLMARK_CACHE_DIR", cache.path().string());
    std::size_t posts_before = 0;
    if (c.lost_after_a_stop) {
      auto earlier = Make(SourceKind::kDataForSeo, {.queue_poll = 50ms});
      NewRun({.max_pages = 0, .target = {}, .economy = sources::Economy::kNormal});
      queue.finished = false;
      EXPECT_EQ(
          Get(*earlier, SupplyUrlOf(c.phrases[0]), [&] { return !queue.Posts(provider).empty(); })
              .status,
          FetchStatus::kCancelled);
      queue.lost = 1;
      queue.finished = true;
      posts_before = 1;
    }
    auto source = Make(SourceKind::kDataForSeo, {.queue_poll = 50ms});
    NewRun({.max_pages = 0, .target = {}, .economy = sources::Economy::kNormal});
    const std::vector<FetchResult> pages = LookUpAtOnce(*source, *run_, c.phrases);
    EXPECT_EQ(pages[0].reason, c.failure);
    if (c.failure.empty() || c.refused.empty()) {
      for (const FetchResult& page : pages) EXPECT_EQ(page.Complete(), c.failure.empty());
    } else {
      EXPECT_TRUE(pages[1].Complete()) << pages[1].reason;
    }
    // The lookups asked within the gathering time share a post; a slow machine makes more.
    const std::vector<json> posts = queue.Posts(provider);
    std::size_t posted = 0;
    for (std::size_t i = posts_before; i < posts.size(); ++i) {
      EXPECT_LE(posts[i].size(), sources::kMaxTasksPerPost);
      posted += posts[i].size();
    }
    EXPECT_EQ(posted, c.posted);
    // Nothing is still said to be waited for once every lookup has its result or its failure.
    EXPECT_EQ(run_->Calls().tasks_awaited, run_->Calls().tasks_collected);
  }
}

}  // namespace
}  // namespace quillmark::testing
