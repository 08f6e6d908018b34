#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "research/researcher.h"
#include "research/start_command.h"
#include "research/stop_request.h"
#include "research/support/fake_host.h"

namespace quillmark {
namespace {

using testing::FakeHost;
using testing::FakeWeb;
using testing::SuggestUrlFor;

class StartCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearStopRequest();
    host.keywords.Append();
    host.seed = " \"blue widgets\"";
    host.statuses.push_back("before");
  }
  void TearDown() override { ClearStopRequest(); }

  FakeHost host;
  FakeWeb web;
  Researcher researcher{host, web.Fetcher(), testing::TestEndpoints()};
};

TEST_F(StartCommandTest, CancelOrTheCloseBoxStartsNothingAndChangesNothing) {
  host.on_dialog = [] { CancelInvestigate(); };
  StartCommand(researcher);
  host.on_dialog = nullptr;  // the close box runs no button
  StartCommand(researcher);
  EXPECT_EQ(host.dialogs_shown, 2);
  EXPECT_TRUE(web.asked.empty());
  EXPECT_EQ(host.keywords.Count(), 1u);
  EXPECT_EQ(host.statuses, std::vector<std::string>{"before"});
  EXPECT_TRUE(host.cursor_calls.empty());
  EXPECT_EQ(host.save_dialogs_name, "(unset)");
}

TEST_F(StartCommandTest, InvestigateRunsTheSeedResearchUnderTheBusyCursor) {
  bool closed = false;
  host.on_dialog = [&] { ConfirmInvestigate(host, [&] { closed = true; }); };
  web.pages[SuggestUrlFor("blue%20widgets")] = " done <td>&nbsp;5</td><td><a href=x;>w</a></td>";
  StartCommand(researcher);
  EXPECT_TRUE(closed);
  EXPECT_EQ(host.save_dialogs_name, " \"blue widgets\"");
  ASSERT_EQ(host.keywords.Count(), 1u);
  EXPECT_EQ(host.keywords.Row(0)->Caption(), "w");
  EXPECT_EQ(host.cursor_calls, (std::vector<std::string>{"busy", "restore"}));
  EXPECT_EQ(host.LastStatus(), "Done!");
}

TEST_F(StartCommandTest, AFailedRunStillRestoresTheCursorAndSaysDone) {
  host.on_dialog = [&] { ConfirmInvestigate(host); };
  web.on_fetch = [](const std::string&) { throw std::runtime_error("no network"); };
  StartCommand(researcher);
  EXPECT_EQ(host.keywords.Count(), 0u);
  EXPECT_EQ(host.cursor_calls, (std::vector<std::string>{"busy", "restore"}));
  EXPECT_EQ(host.LastStatus(), "Done!");
}

TEST_F(StartCommandTest, TopSearchesModeListsTopSearchesInstead) {
  host.mode = ResearchMode::kTopSearches;
  host.on_dialog = [&] { ConfirmInvestigate(host); };
  web.pages["http://top.test/top"] = "<table><td><a href=x>today</a></td></table>";
  StartCommand(researcher);
  EXPECT_EQ(web.asked, std::vector<std::string>{"http://top.test/top"});
  EXPECT_EQ(host.top_searches.Count(), 1u);
  // The Investigate button empties the keyword list in this mode too.
  EXPECT_EQ(host.keywords.Count(), 0u);
  EXPECT_EQ(host.LastStatus(), "Done!");
}

}  // namespace
}  // namespace quillmark
