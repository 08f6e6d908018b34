// qmk research, top and account with a provider source, end to end: the real binary against a
// fake provider on loopback.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "cli/qmk_runner.h"
#include "sources/support/fake_provider.h"

namespace quillmark::testing {
namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

constexpr const char* kPassword = "qm-secret-7";

// Keyword ideas, supply counts per phrase, and organic results that put mysite.com at 23 for
// "garden sheds" alone.
ProviderReply Answer(const ProviderRequest& request) {
  if (request.target.find("keywords_for_keywords") != std::string::npos)
    return {.body = fixtures::KeywordIdeas()};
  // Only the supply request quotes its phrase.
  const bool supply = request.body.find("\\\"") != std::string::npos;
  const bool garden = request.body.find("\"keyword\":\"garden sheds\"") != std::string::npos;
  return {.body = fixtures::OrganicResults(supply ? 1230000 : 9,
                                           garden && !supply ? "mysite.com" : "other.example")};
}

class ProviderRun {
 public:
  explicit ProviderRun(FakeProvider::Handler handler = Answer) : provider_(std::move(handler)) {}

  std::vector<std::string> Environment() const {
    return {"QUILLMARK_DATAFORSEO_URL=" + provider_.Url(),
            "QUILLMARK_TRENDS_URL=" + provider_.Url(),
            "QUILLMARK_DATAFORSEO_LOGIN=qm-login",
            std::string("QUILLMARK_DATAFORSEO_PASSWORD=") + kPassword,
            "QUILLMARK_CACHE_DIR=" + cache_.path().string(),
            "QUILLMARK_CONFIG_DIR=" + cache_.path().string(),
            "QUILLMARK_DATA_DIR=" + cache_.path().string()};
  }
  QmkResult Run(std::vector<std::string> args) { return RunQmk(args, Environment()); }
  FakeProvider& Provider() { return provider_; }

 private:
  FakeProvider provider_;
  TempDir cache_{"qm-provider"};
};

// Rows by keyword: Keyword, Demand, Supply, Cost-per-Prospect, Rank #, ...
std::map<std::string, std::vector<std::string>> Rows(const std::string& tsv) {
  std::map<std::string, std::vector<std::string>> rows;
  for (const std::string& line : SplitLines(tsv)) {
    const std::vector<std::string> fields = SplitFields(line);
    rows[fields[0]] = fields;
  }
  return rows;
}

const std::vector<std::string> kResearch = {
    "research", "garden sheds", "--source", "dataforseo", "--target", "mysite.com", "--pages",
    "2",        "--results",    "4",        "--format",   "tsv"};

TEST(ProviderResearch, RowsComeFromTheProviderAndARepeatComesFromTheCache) {
  std::atomic<bool> moved{false};  // the supply counts have changed since the first run
  ProviderRun run([&moved](const ProviderRequest& request) {
    if (moved && request.target.find("keywords_for_keywords") == std::string::npos)
      return ProviderReply{.body = fixtures::OrganicResults(2222, "other.example")};
    return Answer(request);
  });
  TempDir dir("qm-save");
  std::vector<std::string> args = kResearch;
  args.insert(args.end(), {"--save", dir.File("run.qmk")});
  const QmkResult first = run.Run(args);
  ASSERT_EQ(first.exit_code(), 0) << first.err;
  auto rows = Rows(first.out);
  ASSERT_EQ(rows.size(), 4u) << first.out;
  EXPECT_EQ(rows["garden sheds"][1], "14800");  // last month, not the average
  EXPECT_EQ(rows["garden sheds uk"][1], "?");   // no volume
  EXPECT_EQ(rows["garden sheds"][2], "1230000");
  EXPECT_EQ(rows["garden sheds"][4], "23");
  EXPECT_EQ(rows["metal garden sheds"][4], "-");
  // Said before the first call; the sum of the replies' costs ends standard error.
  EXPECT_THAT(first.err, StartsWith("qmk: up to 9 provider calls, at most $0.11\n"));
  EXPECT_THAT(first.err, EndsWith("\nqmk: 9 provider calls (0 from the cache), $0.6750\n"));
  EXPECT_EQ(run.Provider().Requests().size(), 9u);  // 1 + 4 x (supply + one rank call)

  const QmkResult repeat = run.Run(kResearch);
  EXPECT_EQ(repeat.exit_code(), 0) << repeat.err;
  EXPECT_EQ(Rows(repeat.out), Rows(first.out));
  EXPECT_THAT(repeat.err, EndsWith("\nqmk: 9 provider calls (9 from the cache), $0.0000\n"));
  EXPECT_EQ(run.Provider().Requests().size(), 9u);
  // --no-cache asks again and keeps what it got: the next run shows the new reply.
  moved = true;
  std::vector<std::string> fresh = kResearch;
  fresh.push_back("--no-cache");
  const QmkResult refreshed = run.Run(fresh);
  EXPECT_EQ(Rows(refreshed.out)["garden sheds"][2], "2222");
  EXPECT_THAT(refreshed.err, HasSubstr("qmk: 9 provider calls (0 from the cache), $0.6750\n"));
  EXPECT_EQ(run.Provider().Requests().size(), 18u);
  const QmkResult cached = run.Run(kResearch);
  EXPECT_EQ(Rows(cached.out)["garden sheds"][2], "2222");
  EXPECT_EQ(run.Provider().Requests().size(), 18u);

  for (const std::string& text :
       {first.out, first.err, repeat.err, ReadBytes(dir.File("run.qmk"))}) {
    EXPECT_THAT(text, Not(HasSubstr(kPassword)));
    EXPECT_THAT(text, Not(HasSubstr("qm-login")));
  }
}

// A phrase whose volume the provider does not know has an unknown demand, so its cost of "0"
// sorts after every measured one; qmk names it and still exits 0. The saved file is sorted too.
TEST(ProviderResearch, SortPutsAnUnknownDemandAfterTheMeasuredRows) {
  const struct {
    const char* column;
    std::vector<std::string> keywords;
  } cases[] = {
      {"cost", {"garden sheds", "wooden garden sheds", "metal garden sheds", "garden sheds uk"}},
      {"RANK", {"wooden garden sheds", "metal garden sheds", "garden sheds uk", "garden sheds"}},
  };
  ProviderRun run;
  TempDir dir("qm-sort");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.column);
    std::vector<std::string> args = kResearch;
    args.insert(args.end(), {"--sort", c.column, "--save", dir.File("sorted.qmk")});
    const QmkResult result = run.Run(args);
    ASSERT_EQ(result.exit_code(), 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr("qmk: row \"garden sheds uk\": demand unknown: "));
    const QmkResult opened = RunQmk({"open", dir.File("sorted.qmk"), "--format", "tsv"});
    for (const std::string& out : {result.out, opened.out}) {
      std::vector<std::string> keywords;
      for (const std::string& line : SplitLines(out)) keywords.push_back(SplitFields(line)[0]);
      EXPECT_EQ(keywords, c.keywords);
    }
  }
}

// After the provider refuses the account no call is made: the rows not yet looked up are not
// fetched, with the provider's words, said once on standard error.
TEST(ProviderResearch, AnAccountRefusalEndsTheRunsCalls) {
  const struct {
    ProviderReply refusal;
    const char* words;
  } cases[] = {
      {{.status = 402, .body = fixtures::Envelope(40200, "Payment Required.", "null")},
       "Payment Required. (40200)"},
      {{.status = 401, .body = "<html>Unauthorized</html>", .content_type = "text/html"},
       "HTTP 401"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.words);
    ProviderRun run([&c](const ProviderRequest& request) {
      if (request.target.find("keywords_for_keywords") != std::string::npos)
        return ProviderReply{.body = fixtures::KeywordIdeas()};
      return c.refusal;
    });
    // Two lookups in flight: fewer than the eight calls the four rows would make.
    std::vector<std::string> args = kResearch;
    args.insert(args.end(), {"--parallel", "2"});
    const QmkResult result = run.Run(args);
    EXPECT_EQ(result.exit_code(), 3) << result.err;
    // The ideas, the calls under way when the refusal came, one more.
    EXPECT_LE(run.Provider().Requests().size(), 4u);
    EXPECT_EQ(Rows(result.out).size(), 4u);
    const std::string said = std::string("DataForSEO refused the account: ") + c.words;
    EXPECT_THAT(result.err, HasSubstr(said));
    EXPECT_EQ(result.err.find(c.words), result.err.rfind(c.words));  // once
    EXPECT_THAT(result.err, Not(HasSubstr(kPassword)));
  }
}

// What the provider's reply means besides its rows is said, and the run is no failure.
TEST(ProviderResearch, WhatTheIdeasLeaveOutIsSaid) {
  const struct {
    std::string ideas;
    std::size_t rows;
    const char* said;
  } cases[] = {
      {R"([{"keyword":"a;b"},{"keyword":"<b>bold</b>"},{"keyword":"garden sheds"}])", 1,
       "qmk: 2 phrases left out: they hold characters the list cannot show\n"},
      {"[]", 0, "qmk: DataForSEO knows no phrases for \"garden sheds\"\n"},
      {"null", 0, "qmk: DataForSEO knows no phrases for \"garden sheds\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.ideas);
    ProviderRun run([&c](const ProviderRequest& request) {
      if (request.target.find("keywords_for_keywords") != std::string::npos)
        return ProviderReply{.body = fixtures::Ok(c.ideas)};
      return ProviderReply{.body = fixtures::OrganicResults(5, "other.example")};
    });
    const QmkResult result = run.Run(kResearch);
    EXPECT_EQ(result.exit_code(), 0) << result.err;
    EXPECT_EQ(SplitLines(result.out).size(), c.rows);
    EXPECT_THAT(result.err, HasSubstr(c.said));
  }
}

// Keyword ideas are read as they arrive: a 30 MB reply never stands in memory twice over.
TEST(ProviderResearch, ALargeReplyIsReadInLittleMoreMemoryThanItsSize) {
  std::string months;
  for (int month = 1; month <= 12; ++month)
    months += std::string(month == 1 ? "" : ",") + R"({"year":2026,"month":)" +
              std::to_string(month) + R"(,"search_volume":900})";
  std::string ideas = "[";
  ideas.reserve(31u << 20);
  for (int i = 0; ideas.size() < (30u << 20); ++i) {
    ideas += i == 0 ? R"({"keyword":"garden shed idea )" : R"(,{"keyword":"garden shed idea )";
    ideas += std::to_string(i);
    ideas += R"(","search_volume":1000,"cpc":1.23,"monthly_searches":[)";
    ideas += months;
    ideas += "]}";
  }
  const std::string reply = fixtures::Ok(ideas + "]");
  ProviderRun run([&reply](const ProviderRequest& request) {
    // Of a type the fake does not compress, which would take it seconds.
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return ProviderReply{.body = reply, .content_type = "application/octet-stream"};
    return ProviderReply{.body = fixtures::OrganicResults(5, "other.example")};
  });
  const QmkResult result = run.Run(
      {"research", "garden sheds", "--source", "dataforseo", "--results", "2", "--format", "tsv"});
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(SplitLines(result.out).size(), 2u);
#if !defined(__SANITIZE_ADDRESS__)
  // The reply, the program itself (about 15 MB) and some slack.
  EXPECT_LT(result.child.peak_rss_kib, 2 * 30 * 1024 + 10 * 1024);
#endif
}

// Many large replies at once are held within the reply budget: the peak is not the calls in
// flight times the reply size.
TEST(ProviderResearch, ManyLargeRepliesAtOnceStayWithinTheByteBudget) {
  // 20 MB a reply, of paid results around the organic ones, as a deep result page holds them.
  const std::string organic = fixtures::OrganicResults(7, "other.example");
  std::string paid;
  const std::string ad = R"({"type":"paid","rank_group":1,"url":"https://ads.example/)" +
                         std::string(400, 'a') + R"(","domain":"ads.example"},)";
  while (paid.size() < (20u << 20)) paid += ad;
  const std::string reply = organic.substr(0, organic.find(R"("items":[)") + 9) + paid +
                            organic.substr(organic.find(R"("items":[)") + 9);
  ProviderRun run([&reply](const ProviderRequest& request) {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return ProviderReply{.body = fixtures::KeywordIdeas()};
    return ProviderReply{.body = reply,
                         .delay = std::chrono::milliseconds(300),
                         .content_type = "application/octet-stream"};
  });
  const QmkResult result =
      run.Run({"research", "garden sheds", "--source", "dataforseo", "--results", "4", "--target",
               "mysite.com", "--pages", "1", "--parallel", "32", "--no-cache"});
  ASSERT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(run.Provider().Requests().size(), 9u);
#if !defined(__SANITIZE_ADDRESS__)
  // 8 replies of 20 MB in flight at once would take 160 MB: the budget holds 64, the oldest
  // reply may pass it by one reply and the one being read is another; the program itself takes
  // about 15.
  EXPECT_LT(result.child.peak_rss_kib, (64 + 2 * 20 + 15 + 16) * 1024);
#endif
}

// A provider takes its own number of calls at once (--parallel changes it), each call on a
// connection opened before when there is one.
TEST(ProviderResearch, CallsInFlightAreTheProvidersOwnOnConnectionsKeptOpen) {
  std::string ideas = "[";
  for (int i = 0; i < 40; ++i)
    ideas += std::string(i == 0 ? "" : ",") + R"({"keyword":"shed )" + std::to_string(i) +
             R"(","search_volume":)" + std::to_string(100 + i) + "}";
  ideas = fixtures::Ok(ideas + "]");
  const struct {
    std::vector<std::string> parallel;
    int in_flight;
  } cases[] = {{{}, 30}, {{"--parallel", "5"}, 5}};
  for (const auto& c : cases) {
    ProviderRun run([&ideas](const ProviderRequest& request) {
      if (request.target.find("keywords_for_keywords") != std::string::npos)
        return ProviderReply{.body = ideas};
      return ProviderReply{.body = fixtures::OrganicResults(7, "other.example"),
                           .delay = std::chrono::milliseconds(300)};
    });
    std::vector<std::string> args{"research",  "sheds", "--source", "dataforseo",
                                  "--results", "40",    "--target", "mysite.com",
                                  "--pages",   "1",     "--format", "tsv"};
    args.insert(args.end(), c.parallel.begin(), c.parallel.end());
    const QmkResult result = run.Run(args);
    ASSERT_EQ(result.exit_code(), 0) << result.err;
    EXPECT_EQ(run.Provider().Requests().size(), 81u);
    // Never more than the places; most of them taken, though a busy machine may fill them late.
    EXPECT_LE(run.Provider().MostInFlight(), c.in_flight);
    EXPECT_GT(run.Provider().MostInFlight(), c.in_flight / 2);
    EXPECT_LE(run.Provider().Connections(), static_cast<std::size_t>(c.in_flight));
  }
}

// --max-cost refuses a research whose worst case costs more, before any call; a run whose
// replies cost more than the prices known ends its calls once they reach it.
TEST(ProviderResearch, MaxCostRefusesARunAndEndsTheCallsOfOneThatReachesIt) {
  ProviderRun run;  // every reply costs $0.075, more than a supply call's price
  const QmkResult refused = run.Run({"research", "garden sheds", "--source", "dataforseo",
                                     "--results", "10", "--max-cost", "0.05"});
  EXPECT_EQ(refused.exit_code(), 2);
  EXPECT_THAT(refused.err, HasSubstr("up to 11 provider calls, at most $0.10, more than "
                                     "--max-cost $0.05"));
  EXPECT_TRUE(run.Provider().Requests().empty());

  // The ideas, then supplies at $0.075: the third call reaches $0.20.
  const QmkResult ended =
      run.Run({"research", "garden sheds", "--source", "dataforseo", "--results", "4", "--parallel",
               "1", "--max-cost", "0.2", "--format", "tsv"});
  EXPECT_EQ(ended.exit_code(), 3) << ended.err;
  EXPECT_EQ(run.Provider().Requests().size(), 3u);
  EXPECT_THAT(ended.err, HasSubstr("qmk: the run's budget of $0.20 was reached: no further calls "
                                   "were made in this run\n"));
  EXPECT_EQ(SplitLines(ended.out).size(), 4u);
}

// A bad source, a bound the research would pass, and a market named by a text that names none
// (with the close names when there are some) stop qmk before any call.
TEST(ProviderResearch, UsageErrorsComeBeforeAnyCall) {
  ProviderRun run;
  const struct {
    std::vector<std::string> args;
    const char* error;
  } refused[] = {
      {{"top", "--source", "dataforseo"}, ""},
      {{"research", "seed", "--source", "trends"}, ""},
      {{"research", "seed", "--source", "nowhere"}, ""},
      {{"research", "seed", "--source", "dataforseo", "--results", "10", "--target", "x.example",
        "--max-calls", "20"},
       "up to 21 provider calls, at most $0.19, more than --max-calls 20"},
      {{"research", "x", "--sort", "effectiveness"}, ""},
      {{"research", "seed", "--source", "dataforseo", "--max-calls", "0"},
       "--max-calls: must be at least 1"},
      {{"research", "x", "--source", "dataforseo", "--location", "united"},
       "; did you mean United Arab Emirates, United Kingdom or United States?\n"},
      {{"research", "x", "--source", "dataforseo", "--language", "Portugese"},
       "qmk: unknown --language \"Portugese\"; did you mean Portuguese?\n"},
      {{"bridge", "--source", "dataforseo", "--location", "Atlantis\x1b"},
       "qmk: unknown --location \"Atlantis?\"; give a country's name"},
      {{"top", "--source", "trends", "--country", "Germny"},
       "qmk: unknown --country \"Germny\"; did you mean Germany?\n"},
      {{"research", "seed", "--economy"}, "qmk: --economy uses a provider's queue"},
      {{"research", "seed", "--source", "dataforseo", "--economy=slow"}, "slow not in"},
      // Queued, 10 supplies cost 0.3 of live ones: $0.081 is more than $0.08.
      {{"research", "seed", "--source", "dataforseo", "--economy", "--max-cost", "0.08"},
       "up to 11 provider calls, at most $0.09, more than --max-cost $0.08"},
  };
  for (const auto& c : refused) {
    SCOPED_TRACE(c.args.back());
    const QmkResult result = run.Run(c.args);
    EXPECT_EQ(result.exit_code(), 2) << result.err;
    EXPECT_THAT(result.err, HasSubstr(c.error));
  }
  EXPECT_TRUE(run.Provider().Requests().empty());
  // 1 + 10 x 2 = 21 fits.
  EXPECT_EQ(
      run.Run({"research", "seed", "--source", "dataforseo", "--max-calls", "21"}).exit_code(), 0);
}

// A phrase the ideas list gives twice is looked up once, at any --parallel, with or without the
// cache: the calls and their line are the same for the same rows.
TEST(ProviderResearch, APhraseListedTwiceIsOneLookupAtAnyParallel) {
  ProviderRun run([](const ProviderRequest& request) {
    if (request.target.find("keywords_for_keywords") != std::string::npos) {
      return ProviderReply{.body = fixtures::Ok(R"([
        {"keyword":"garden sheds","search_volume":12100},
        {"keyword":"metal sheds","search_volume":2900},
        {"keyword":"garden sheds","search_volume":12100},
        {"keyword":"metal sheds","search_volume":2900}])")};
    }
    return Answer(request);
  });
  std::string line;
  std::size_t before = 0;
  for (const char* parallel : {"1", "8", "32"}) {
    SCOPED_TRACE(parallel);
    std::vector<std::string> args = kResearch;
    args.insert(args.end(), {"--no-cache", "--parallel", parallel});
    const QmkResult result = run.Run(args);
    EXPECT_EQ(result.exit_code(), 0) << result.err;
    const auto requests = run.Provider().Requests();
    std::set<std::string> asked;
    for (std::size_t i = before; i < requests.size(); ++i) asked.insert(requests[i].body);
    EXPECT_EQ(asked.size(), requests.size() - before);
    before = requests.size();
    const std::string calls = SplitLines(result.err).back();
    if (line.empty()) line = calls;
    EXPECT_EQ(calls, line);
  }
}

TEST(ProviderResearch, CtrlCEndsAProviderCallAtOnce) {
  ProviderRun run([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::KeywordIdeas(), .delay = std::chrono::minutes(1)};
  });
  QmkRun qmk(kResearch, run.Environment());
  while (run.Provider().Requests().empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(qmk.pid(), SIGINT);
  const QmkResult result = qmk.Finish(std::chrono::seconds(20));
  EXPECT_EQ(result.exit_code(), 130) << result.err;
}

// Ctrl-C while an economy run waits for the provider's queue: the tasks posted are said as paid
// and not collected, and the same research later collects them without posting again.
TEST(ProviderResearch, CtrlCDuringAQueueWaitLeavesThePaidTasksForTheNextRun) {
  QueueProvider queue;
  ProviderRun run([&queue](const ProviderRequest& request) {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return ProviderReply{.body = fixtures::KeywordIdeas()};
    return queue.Answer(request);
  });
  const std::vector<std::string> research = {"research",  "garden sheds", "--source", "dataforseo",
                                             "--economy", "--format",     "tsv"};
  QmkRun qmk(research, run.Environment());
  while (queue.Posts(run.Provider()).empty())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(qmk.pid(), SIGINT);
  const QmkResult stopped = qmk.Finish(std::chrono::seconds(20));
  EXPECT_EQ(stopped.exit_code(), 130) << stopped.err;
  EXPECT_THAT(stopped.err, HasSubstr("qmk: 4 queued tasks paid for and not collected; the same "
                                     "research within 30 days collects them free of charge\n"));

  queue.finished = true;
  const QmkResult collected = run.Run(research);
  EXPECT_EQ(collected.exit_code(), 0) << collected.err;
  EXPECT_EQ(SplitLines(collected.out).size(), 4u);
  EXPECT_EQ(queue.Posts(run.Provider()).size(), 1u);
  EXPECT_THAT(collected.err, HasSubstr("qmk: 1 provider call (1 from the cache), $0.0000\n"));
}

// The market goes into every request body, so a cached reply is reused for the same market
// however it was named, and never for another.
TEST(ProviderResearch, TheMarketReachesEveryRequestAndItsCacheKey) {
  const struct {
    std::vector<std::string> market;
    int location;
    const char* language;
    const char* calls;
  } runs[] = {
      {{"--location", "Germany", "--language", "German"}, 2276, "de", "9 provider calls (0 from"},
      {{"--location", "de", "--language", "DE"}, 2276, "de", "9 provider calls (9 from"},
      {{"--location", "2276", "--language", "English"}, 2276, "en", "9 provider calls (0 from"},
      {{"--location", "1023191"}, 1023191, "en", "9 provider calls (0 from"},
      {{}, 2840, "en", "9 provider calls (0 from"},
  };
  ProviderRun run;
  std::size_t seen = 0;
  for (const auto& c : runs) {
    SCOPED_TRACE(c.location);
    std::vector<std::string> args = kResearch;
    args.insert(args.end(), c.market.begin(), c.market.end());
    const QmkResult result = run.Run(args);
    EXPECT_EQ(result.exit_code(), 0) << result.err;
    EXPECT_THAT(result.err, HasSubstr(c.calls));
    const std::vector<ProviderRequest> requests = run.Provider().Requests();
    for (; seen < requests.size(); ++seen) {
      const nlohmann::json task = nlohmann::json::parse(requests[seen].body).at(0);
      EXPECT_EQ(task["location_code"], c.location);
      EXPECT_EQ(task["language_code"], c.language);
    }
  }
}

TEST(ProviderTop, TrendsListsTodaysSearchesOfTheCountryNamed) {
  ProviderRun run([](const ProviderRequest&) {
    return ProviderReply{.body = fixtures::TrendsFeed({"snow day", "world cup", "full moon"})};
  });
  const QmkResult result =
      run.Run({"top", "--source", "trends", "--country", "united kingdom", "--format", "tsv"});
  EXPECT_EQ(result.exit_code(), 0) << result.err;
  EXPECT_EQ(SplitLines(result.out),
            (std::vector<std::string>{"1\tsnow day", "2\tworld cup", "3\tfull moon"}));
  EXPECT_EQ(run.Provider().Requests().at(0).target, "/trending/rss?geo=GB");
  EXPECT_THAT(result.err, EndsWith("\nqmk: 1 provider call (0 from the cache), $0.0000\n"));
}

// The account on standard output, a refusal or a failure on standard error; never the password.
TEST(ProviderAccount, PrintsTheAccountOrTheProvidersWords) {
  const struct {
    ProviderReply reply;
    int exit_code;
    const char* printed;  // standard output, then standard error
  } cases[] = {
      {{.body = fixtures::UserData("qm-login", "49.9712")},
       0,
       "Login: qm-login\nBalance: $49.9712\n"
       "Spent: $0.0000 spent this month (the runs in the history)\n"
       "Rate limit: serp, 0 calls a day\n"
       "Rate limit: keywords_data.google_ads, 2000 calls a day\n"
       "Rate limit: serp, 2000 calls a minute\n"
       "Rate limit: keywords_data.google_ads, 12 calls a minute\n"},
      {{.status = 401,
        .body = fixtures::Envelope(40100, std::string("Not authorized: ") + kPassword, "null")},
       1,
       "qmk: DataForSEO refused the account: Not authorized: *** (40100)\n"},
      {{.status = 500, .body = "<html>"},
       3,
       "qmk: no answer about the account from DataForSEO: HTTP 500\n"},
  };
  for (const auto& c : cases) {
    ProviderRun run([&c](const ProviderRequest&) { return c.reply; });
    const QmkResult result = run.Run({"account", "--source", "dataforseo"});
    EXPECT_EQ(result.exit_code(), c.exit_code);
    EXPECT_EQ(result.out + result.err, c.printed);
  }
}

}  // namespace
}  // namespace quillmark::testing
