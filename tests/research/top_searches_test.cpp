#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "research/research_limits.h"
#include "research/researcher.h"
#include "research/support/fake_host.h"

namespace quillmark {
namespace {

using testing::FakeHost;
using testing::FakeWeb;

std::string Cell(const std::string& phrase) {
  return "<td><a href=/s?q=x>" + phrase + "</a></td>";
}

std::string Table(const std::vector<std::string>& phrases) {
  std::string page = "<html><td><a href=/nav>Home</a></td><TABLE class=top><tr>";
  for (const auto& phrase : phrases) page += Cell(phrase);
  return page + "</tr></table></html>";
}

class TopSearchesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web.stopped = [this] { return stopped; };
  }

  std::vector<std::string> Listed() const {
    std::vector<std::string> listed;
    for (const auto& row : host.top_searches.Rows())
      listed.push_back(row.caption + " " + row.keyword);
    return listed;
  }

  FakeHost host;
  FakeWeb web;
  // Stands for the run's stop, which the research and its fetches both see.
  bool stopped = false;
  Researcher researcher{host, web.Fetcher(), testing::TestEndpoints(), [this] { return stopped; }};
};

TEST_F(TopSearchesTest, ListsTheFirstPhrasesUpToMaxResultsNumberedFromOne) {
  std::vector<std::string> phrases;
  for (int i = 1; i <= 25; ++i) phrases.push_back("Phrase  " + std::to_string(i));
  host.max_results = 10;
  researcher.ParseTopSearches(Table(phrases));
  ASSERT_EQ(host.top_searches.Count(), 10u);
  EXPECT_EQ(host.top_searches.Row(0).caption, "1");
  // Lower-cased, inner spaces kept; the link cell before the table is not listed.
  EXPECT_EQ(host.top_searches.Row(0).keyword, "phrase  1");
  EXPECT_EQ(host.top_searches.Row(9).caption, "10");
  EXPECT_EQ(host.top_searches.Row(9).keyword, "phrase  10");
  EXPECT_EQ(host.placements, 10);
}

TEST_F(TopSearchesTest, FilterRejectsPhrasesHoldingATermOnceSpacesAreGone) {
  host.filter_unwanted = true;
  host.unwanted_terms = {"", "News", "new s", "news", ".com"};
  researcher.ParseTopSearches(
      Table({"weather", "local news", "new socks", "ebay.com deals", " Kittens ", "   "}));
  // An empty term, a term with capitals and one with a space never reject anything.
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 weather", "2 kittens"}));

  host.filter_unwanted = false;
  researcher.ParseTopSearches(Table({"local news", "new socks"}));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 local news", "2 new socks"}));
}

TEST_F(TopSearchesTest, EscapeEndsAfterTheCurrentCellKeepingTheRowsListed) {
  host.on_pump = [this] { host.escape_down = host.top_searches.Count() == 2; };
  researcher.ParseTopSearches(Table({"a", "b", "c", "d"}));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 a", "2 b"}));
}

TEST_F(TopSearchesTest, PagesWithoutTheTableOrItsCellsListLittleOrNothing) {
  host.top_searches.Append("1", "old");
  researcher.ParseTopSearches("<table><td><a href=x>never closed</a></td>");
  EXPECT_EQ(host.top_searches.Count(), 0u);
  EXPECT_EQ(host.placements, 0);
  researcher.ParseTopSearches("");
  EXPECT_EQ(host.placements, 0);
  // Without link cells one pass still runs: it skips eleven characters and reads one phrase.
  researcher.ParseTopSearches("<table>123456789>only one</a></td></table>");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 only one"}));
  EXPECT_EQ(host.placements, 1);
  // Without "<table" the whole page is walked.
  researcher.ParseTopSearches(Cell("x") + Cell("y") + "</table>");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 x", "2 y"}));
}

TEST_F(TopSearchesTest, CellsThatNeverCloseListBoundedPhrases) {
  // Every cell runs to the one "</a></td>" at the very end of a large page.
  std::string page = "<table>";
  for (int i = 0; i < 200000; ++i) page += "<td><a href=x>google " + std::to_string(i) + " ";
  page += "</a></td></table>";
  host.max_results = 100;
  host.filter_unwanted = true;
  host.unwanted_terms = {"nothing-matches"};
  researcher.ParseTopSearches(page);
  ASSERT_EQ(host.top_searches.Count(), 100u);
  for (const auto& row : host.top_searches.Rows())
    EXPECT_LE(row.keyword.size(), kMaxTopPhraseLength);
  EXPECT_EQ(host.top_searches.Row(0).keyword.substr(0, 9), "google 0 ");

  // With every phrase rejected the walk visits all 200,000 cells in bounded time.
  host.unwanted_terms = {"google"};
  researcher.ParseTopSearches(page);
  EXPECT_EQ(host.top_searches.Count(), 0u);
}

TEST_F(TopSearchesTest, CellsEndingAtOneLongBlankRunStayLinear) {
  // No cell closes before one long run of blanks and the only "</a></td>", so every phrase
  // reaches that run. Every phrase is rejected, so all the cells are walked.
  std::string page = "<table>";
  for (int i = 0; i < 150000; ++i) page += "<td><a href=x>google";
  page += std::string(2'000'000, ' ') + "\t</a></td></table>";
  host.filter_unwanted = true;
  host.unwanted_terms = {"google"};
  // Trimming each phrase's blanks again from the far end takes far longer than the test's time
  // limit here; bench/parse_bench measures the walk.
  researcher.ParseTopSearches(page);
  EXPECT_EQ(host.top_searches.Count(), 0u);

  // The last cell, with nothing but blanks after its tag, is skipped without a number.
  host.unwanted_terms = {"nothing-matches"};
  host.max_results = 3;
  researcher.ParseTopSearches("<table><td><a href=x>a b  <td><a href=y>  \t </a></td></table>");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 a b  <td><a href=y>"}));
}

TEST_F(TopSearchesTest, ExtractSaysHowThePageCameAndAStopDuringItListsNothing) {
  web.pages["http://top.test/top"] = Table({"a", "b"});
  EXPECT_TRUE(researcher.ExtractTopSearches().Complete());
  EXPECT_EQ(web.asked, std::vector<std::string>{"http://top.test/top"});
  EXPECT_EQ(host.statuses, std::vector<std::string>{"Extracting top keywords..."});
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 a", "2 b"}));

  web.failures["http://top.test/top"] = "reply cut short";
  EXPECT_EQ(researcher.ExtractTopSearches().reason, "reply cut short");
  EXPECT_EQ(researcher.TopSearchesPageFetch().status, FetchStatus::kFailed);

  web.failures.clear();
  web.on_fetch = [this](const std::string&) { stopped = true; };
  EXPECT_EQ(researcher.ExtractTopSearches().status, FetchStatus::kCancelled);
  EXPECT_TRUE(Listed().empty());
}

TEST_F(TopSearchesTest, ANewerListingSupersedesThePausedOne) {
  bool nested = false;
  host.on_pump = [&] {
    if (!nested && host.top_searches.Count() == 1) {
      nested = true;
      researcher.ParseTopSearches(Table({"x", "y"}));
    }
  };
  researcher.ParseTopSearches(Table({"a", "b", "c"}));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"1 x", "2 y"}));
}

}  // namespace
}  // namespace quillmark
