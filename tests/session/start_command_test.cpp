// The Start command around a run: the dialog decides whether one starts, the run in hand is
// stopped first, and what a run that started says after "Done!".

#include "session/start_command.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "research/support/fake_host.h"
#include "session/support/fake_session.h"

namespace quillmark::testing {
namespace {

class StartCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host.keywords.Append();
    host.seed = " \"blue widgets\"";
    host.statuses.push_back("before");
  }

  void Investigate() {
    host.on_dialog = [this] {
      session::ConfirmInvestigate(host, [this] { host.accepted = true; });
    };
  }
  std::optional<session::RunReport> Start() {
    return session::StartCommand(host, in_hand, [this](session::RunRequest request) {
      request.parallel = 1;  // the fake web serves one thread at a time
      requests.push_back(request);
      return std::make_unique<session::ResearchRun>(session, host, std::move(request));
    });
  }

  FakeHost host;
  FakeWeb web;
  std::shared_ptr<FakeSession> session = std::make_shared<FakeSession>(
      FakeSession::Plain([this](const std::string& url) { return web.Fetcher()(url); }));
  session::RunInHand in_hand;
  std::vector<session::RunRequest> requests;
};

TEST_F(StartCommandTest, CancelOrTheCloseBoxStartsNothingAndChangesNothing) {
  host.on_dialog = nullptr;  // Cancel and the close box press no Investigate
  EXPECT_EQ(Start(), std::nullopt);
  EXPECT_EQ(host.dialogs_shown, 1);
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(web.asked.empty());
  EXPECT_EQ(host.keywords.Count(), 1u);
  EXPECT_EQ(host.statuses, std::vector<std::string>{"before"});
  EXPECT_TRUE(host.cursor_calls.empty());
  EXPECT_EQ(host.save_dialogs_name, "(unset)");
}

TEST_F(StartCommandTest, InvestigateRunsTheDialogsAnswersUnderTheBusyCursor) {
  Investigate();
  host.target_url = [] { return std::string("mysite.com"); };
  host.max_pages = [] { return std::string("7"); };
  host.max_results = 12;
  web.pages[SuggestUrlFor("blue%20widgets")] = " done <td>&nbsp;5</td><td><a href=x;>w</a></td>";
  ASSERT_NE(Start(), std::nullopt);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].seed, " \"blue widgets\"");
  EXPECT_EQ(requests[0].target_url, "mysite.com");
  EXPECT_EQ(requests[0].max_pages_text, "7");
  EXPECT_EQ(requests[0].max_results, 12);
  EXPECT_EQ(host.save_dialogs_name, " \"blue widgets\"");
  ASSERT_EQ(host.keywords.Count(), 1u);
  EXPECT_EQ(host.keywords.Row(0)->Caption(), "w");
  EXPECT_EQ(host.cursor_calls, (std::vector<std::string>{"busy", "restore"}));
  EXPECT_EQ(host.LastStatus(), "Done!");
  EXPECT_EQ(in_hand.Get(), nullptr);
}

TEST_F(StartCommandTest, AFailedRunStillRestoresTheCursorAndSaysDone) {
  Investigate();
  web.on_fetch = [](const std::string&) { throw std::runtime_error("no network"); };
  Start();
  EXPECT_EQ(host.keywords.Count(), 0u);
  EXPECT_EQ(host.cursor_calls, (std::vector<std::string>{"busy", "restore"}));
  EXPECT_EQ(host.LastStatus(), "Done!");
}

TEST_F(StartCommandTest, TopSearchesModeListsTopSearchesInstead) {
  host.mode = ResearchMode::kTopSearches;
  Investigate();
  web.pages["http://top.test/top"] = "<table><td><a href=x>today</a></td></table>";
  Start();
  EXPECT_EQ(web.asked, std::vector<std::string>{"http://top.test/top"});
  EXPECT_EQ(host.top_searches.Count(), 1u);
  // The Investigate button empties the keyword list in this mode too.
  EXPECT_EQ(host.keywords.Count(), 0u);
  EXPECT_EQ(host.LastStatus(), "Done!");
}

// A Start pressed while a run pumps stops that run before its dialog shows, whatever the dialog
// then says.
TEST_F(StartCommandTest, StopsTheRunInHandFirst) {
  for (bool investigate : {false, true}) {
    session::ResearchRun running(session, host, {});
    const session::RunInHand::Holding holding(in_hand, running);
    host.on_dialog = [&] {
      EXPECT_TRUE(running.Stopped());
      if (investigate) session::ConfirmInvestigate(host, [this] { host.accepted = true; });
    };
    Start();
    EXPECT_EQ(in_hand.Get(), &running);
  }
}

// Only a run that started says its first page failed; the provider's notes follow, whichever
// way the run started.
TEST_F(StartCommandTest, ARunSaysAfterDoneWhatWentWrongWithItsFirstPage) {
  const std::string suggestion = SuggestUrlFor("blue%20widgets");
  const std::string top = "http://top.test/top";
  const std::string refused = "Socket Error # 10061 Connection refused.";
  const std::string left_out = "2 phrases left out: they hold characters the list cannot show";
  host.seed = "blue widgets";
  const struct {
    const char* name;
    ResearchMode mode;
    bool fails;
    bool notes;
    std::optional<std::string> said;
  } cases[] = {
      {"suggestion page failed", ResearchMode::kSeed, true, false,
       "Could not fetch the suggestion page: " + refused},
      {"top searches page failed", ResearchMode::kTopSearches, true, false,
       "Could not fetch the top searches page: " + refused},
      {"page came with no rows", ResearchMode::kSeed, false, false, std::nullopt},
      {"notes of the provider", ResearchMode::kSeed, false, true, left_out},
      {"both", ResearchMode::kSeed, true, true,
       "Could not fetch the suggestion page: " + refused + "\n\n" + left_out},
  };
  for (const auto& c : cases) {
    web.failures.clear();
    if (c.fails) web.failures = {{suggestion, refused}, {top, refused}};
    host.mode = c.mode;
    Investigate();
    session = std::make_shared<FakeSession>(
        [&](const std::string& url, sources::ProviderRun& run, const Cancellation&) {
          if (c.notes) run.NotePhrasesLeftOut(2);
          return web.Fetcher()(url);
        });
    const auto report = Start();
    ASSERT_NE(report, std::nullopt) << c.name;
    EXPECT_EQ(session::AfterRunMessage(*report), c.said) << c.name;
  }
}

}  // namespace
}  // namespace quillmark::testing
