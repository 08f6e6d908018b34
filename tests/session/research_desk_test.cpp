// The rules the desk keeps around a run: how far a run has come, and when a run's first page is
// said not to have come. The window's tests show them on the window.

#include "session/research_desk.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "research/start_command.h"
#include "research/stop_request.h"
#include "research/support/fake_host.h"

namespace quillmark::testing {
namespace {

using session::ResearchDesk;

// Shows the desk's lists, as the window does.
class DeskHost : public FakeHost {
 public:
  explicit DeskHost(ResearchDesk& desk) : desk_(desk) {}
  KeywordList& Keywords() override { return desk_.Keywords(); }
  TopSearchList& TopSearches() override { return desk_.TopSearches(); }

 private:
  ResearchDesk& desk_;
};

class ResearchDeskTest : public ::testing::Test {
 protected:
  ResearchDeskTest() {
    ClearStopRequest();
    // The page waits on this thread; nothing here is given up.
    desk.Attach(host, [](const session::CancellableFetch& fetch, const std::string& url,
                         const std::function<bool()>&,
                         const FetchResult&) { return fetch(url, [] { return false; }); });
  }
  ~ResearchDeskTest() override { ClearStopRequest(); }

  FakeWeb web;
  std::vector<std::int64_t> told;  // the pages each run's start told the source
  std::vector<std::string> notes;  // what the source has to say about the run
  ResearchDesk desk{[fetch = web.Fetcher()](const std::string& url, const session::CancelTest&) {
                      return fetch(url);
                    },
                    TestEndpoints(),
                    [this](std::int64_t max_pages, const std::string&) {
                      told.push_back(max_pages);
                      notes.clear();
                    },
                    [this] { return notes; }};
  DeskHost host{desk};
};

TEST_F(ResearchDeskTest, ProgressCountsTheNewestRunsRowsOfMaxResults) {
  using Progress = std::optional<std::pair<int, int>>;
  const auto progress = [this]() -> Progress {
    const auto now = desk.RunProgress();
    return now ? Progress(std::pair(now->done, now->maximum)) : std::nullopt;
  };
  for (int i = 0; i < 5; ++i) desk.Keywords().Append();
  desk.TopSearches().Append("1", "weather");
  const struct {
    ResearchMode mode;
    int max_results;
    Progress expected;
  } cases[] = {
      {ResearchMode::kSeed, 10, std::pair(5, 10)},
      {ResearchMode::kTopSearches, 10, std::pair(1, 10)},
      {ResearchMode::kSeed, 3, std::pair(3, 3)},  // never past the end
      {ResearchMode::kSeed, 0, std::pair(1, 1)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(progress(), std::nullopt);
    host.mode = c.mode;
    host.max_results = c.max_results;
    desk.RunStarted();
    EXPECT_EQ(progress(), c.expected) << c.max_results;
    desk.RunEnded();
  }

  // A run started inside another's pump: shown until both have ended, counting the newer one.
  // An end too many leaves no run owed.
  host.max_results = 10;
  host.mode = ResearchMode::kSeed;
  desk.RunStarted();
  host.mode = ResearchMode::kTopSearches;
  desk.RunStarted();
  desk.RunEnded();
  EXPECT_EQ(progress(), std::pair(1, 10));
  desk.RunEnded();
  desk.RunEnded();
  EXPECT_EQ(progress(), std::nullopt);
  desk.RunStarted();
  EXPECT_NE(progress(), std::nullopt);
}

TEST_F(ResearchDeskTest, OnlyAPageThatFailedInARunThatStartedIsSaid) {
  const std::string suggestion = SuggestUrlFor("blue%20widgets");
  const std::string top = "http://top.test/top";
  const std::string refused = "Socket Error # 10061 Connection refused.";
  host.seed = "blue widgets";
  const struct {
    const char* name;
    bool investigate;
    ResearchMode mode;
    bool fails;
    bool stop_while_fetching;
    std::optional<std::string> said;
  } cases[] = {
      {"suggestion page failed", true, ResearchMode::kSeed, true, false,
       "Could not fetch the suggestion page: " + refused},
      // The failure is still on record, but no run started.
      {"dialog cancelled", false, ResearchMode::kSeed, true, false, std::nullopt},
      {"top searches page failed", true, ResearchMode::kTopSearches, true, false,
       "Could not fetch the top searches page: " + refused},
      {"page came with no rows", true, ResearchMode::kSeed, false, false, std::nullopt},
      {"stopped while fetching", true, ResearchMode::kSeed, false, true, std::nullopt},
  };
  for (const auto& c : cases) {
    web.failures.clear();
    if (c.fails) web.failures = {{suggestion, refused}, {top, refused}};
    web.on_fetch = [&c](const std::string&) {
      if (c.stop_while_fetching) SetStopRequest();
    };
    host.mode = c.mode;
    host.on_dialog = [this, &c] {
      if (c.investigate) {
        ConfirmInvestigate(host);
      } else {
        CancelInvestigate();
      }
    };
    EXPECT_EQ(desk.Start(), c.said) << c.name;
    ClearStopRequest();
  }
}

// The source hears of every run's start, a pages text that is no number included, and what it
// has to say about the run follows the page's failure after "Done!", whichever way it started.
TEST_F(ResearchDeskTest, TheSourcesNotesOnARunAreSaidAfterIt) {
  const std::string note = "2 phrases left out: they hold characters the list cannot show";
  host.seed = "blue widgets";
  host.on_dialog = [&] {
    ConfirmInvestigate(host);
    desk.RunStarted();
    notes = {note};
  };
  host.max_pages = [] { return std::string("x"); };
  EXPECT_EQ(desk.Start(), note);
  EXPECT_EQ(told, std::vector<std::int64_t>{0});

  web.failures = {{SuggestUrlFor("blue%20widgets"), "Payment Required. (40200)"}};
  const std::string failed = "Could not fetch the suggestion page: Payment Required. (40200)";
  EXPECT_EQ(desk.Start(), failed + "\n\n" + note);
  // A top search's double-click says the same after its research.
  web.on_fetch = [&](const std::string&) { notes = {note}; };
  EXPECT_EQ(desk.ResearchPhrase("blue widgets"), failed + "\n\n" + note);
}

}  // namespace
}  // namespace quillmark::testing
