#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "research/researcher.h"
#include "research/support/decimal_separator_guard.h"
#include "research/support/fake_host.h"

namespace quillmark {
namespace {

using testing::FakeHost;
using testing::FakeWeb;
using testing::RankUrlFor;
using testing::SuggestUrlFor;
using testing::SupplyUrlFor;

std::string Pair(const std::string& demand, const std::string& keyword) {
  return "<tr><td>&nbsp;" + demand + "</td><td><a href=/q?k=1&amp;x=2>" + keyword +
         "</a></td></tr>";
}

std::vector<std::string> Texts(const KeywordRow& row) {
  std::vector<std::string> texts{row.Caption()};
  texts.insert(texts.end(), row.SubItems().begin(), row.SubItems().end());
  return texts;
}

class ResearchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web.stopped = [this] { return stopped; };
    host.target_url = [] { return std::string("MySite.com"); };
    web.fallback = "no results here";
  }

  // A page whose only suggestion table holds these pairs, with a decoy cell before " done ".
  static std::string Page(const std::vector<std::string>& pairs) {
    std::string page = "<html><td>&nbsp;999</td><td><a href=x>decoy</a></td> DONE <table>";
    for (const auto& pair : pairs) page += pair;
    return page + "</table></html>";
  }

  std::vector<std::string> Captions() const {
    std::vector<std::string> captions;
    for (const auto& row : host.keywords.Rows()) captions.push_back(row->Caption());
    return captions;
  }

  testing::DecimalSeparatorGuard dot{'.'};
  FakeHost host;
  FakeWeb web;
  // Stands for the run's stop, which the research and its fetches both see.
  bool stopped = false;
  Researcher researcher{host, web.Fetcher(), testing::TestEndpoints(), [this] { return stopped; }};
};

TEST_F(ResearchRunTest, SeedIsUnquotedTrimmedAndEncodedIntoTheSuggestionUrl) {
  researcher.ResearchSeed("  \"blue widgets\" ");
  researcher.ResearchSeed("c++ books & more #1");
  ASSERT_EQ(web.asked.size(), 2u);
  EXPECT_EQ(web.asked[0], SuggestUrlFor("blue%20widgets"));
  EXPECT_EQ(web.asked[1], SuggestUrlFor("c%2B%2B%20books%20%26%20more%20%231"));
  EXPECT_EQ(host.statuses.front(), "blue widgets");
}

TEST_F(ResearchRunTest, FillsEveryColumnOfEachPairInPageOrder) {
  web.pages[SuggestUrlFor("widgets")] =
      Page({Pair("4000", "Blue Widgets"), Pair("12,000", "red widgets")});
  web.pages[SupplyUrlFor("blue+widgets")] = "Results 1 - 20 of about 1,230,000 for blue widgets";
  web.pages[RankUrlFor("blue+widgets", 1)] = "of about 5 for<li>mysite.com/a<li>other<li>";
  researcher.ResearchSeed("widgets");

  ASSERT_EQ(host.keywords.Count(), 2u);
  EXPECT_EQ(
      Texts(*host.keywords.Row(0)),
      (std::vector<std::string>{"blue widgets", "4000", "1230000", "307.5", "1", "100%", "4000"}));
  // Demand taken unchanged; no "of about" on the page gives "?".
  EXPECT_EQ(Texts(*host.keywords.Row(1)),
            (std::vector<std::string>{"red widgets", "12,000", "?", "0", "-", "0%", "0"}));
  for (const auto& row : host.keywords.Rows()) EXPECT_FALSE(row->Checked());
  EXPECT_EQ(web.asked,
            (std::vector<std::string>{SuggestUrlFor("widgets"), SupplyUrlFor("blue+widgets"),
                                      RankUrlFor("blue+widgets", 1), SupplyUrlFor("red+widgets"),
                                      RankUrlFor("red+widgets", 1)}));
}

TEST_F(ResearchRunTest, CellsAreTakenStrictlyInPairs) {
  // An extra cell shifts the pairing: every later cell is taken as demand, then as keyword. A
  // last demand cell without a keyword cell still gives a row, with no lookups.
  researcher.ParseSuggestionPage(" done " + Pair("10", "one") + "<td>&nbsp;extra</td>" +
                                 Pair("20", "two"));
  ASSERT_EQ(host.keywords.Count(), 3u);
  EXPECT_EQ(Texts(*host.keywords.Row(0))[0], "one");
  EXPECT_EQ(Texts(*host.keywords.Row(1)),
            (std::vector<std::string>{"", "extra", "", "0", "-", "0%", "0"}));
  EXPECT_EQ(Texts(*host.keywords.Row(2)),
            (std::vector<std::string>{"", "a href=/q?k=1&amp;x=2>two", "", "0", "-", "0%", "0"}));
  EXPECT_EQ(web.asked, (std::vector<std::string>{SupplyUrlFor("one"), RankUrlFor("one", 1)}));
}

TEST_F(ResearchRunTest, PagesWithoutCellsGiveNoRowsButStillEmptyTheList) {
  for (const std::string page : {"", "<td>&nbsp;1</td> done <td>", "done</td>", " done "}) {
    host.keywords.Append();
    researcher.ParseSuggestionPage(page);
    EXPECT_EQ(host.keywords.Count(), page == "done</td>" ? 1u : 0u) << page;
    host.keywords.Clear();
  }
}

TEST_F(ResearchRunTest, EndsAtMaxResultsReadAfterEveryRow) {
  host.max_results = 2;
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b"), Pair("3", "c")}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(host.max_results_reads, 2);
}

TEST_F(ResearchRunTest, StopDuringASupplyFetchCancelsItAndFetchesNothingMore) {
  web.pages[SupplyUrlFor("a")] = "of about 50 for a";
  web.on_fetch = [this](const std::string& url) {
    if (url == SupplyUrlFor("a")) stopped = true;
  };
  host.max_pages = [] { return std::string("5"); };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b")}));
  ASSERT_EQ(Captions(), (std::vector<std::string>{"a"}));
  // The row is finished with the texts of a fetch without reply, and says it was stopped.
  EXPECT_EQ(host.keywords.Row(0)->SubItems(),
            (std::vector<std::string>{"1", "?", "0", "-", "0%", "0"}));
  const LookupStatus& lookups = host.keywords.Row(0)->Lookups();
  EXPECT_TRUE(LookupStopped(lookups));
  EXPECT_EQ(DescribeSupplyLookup(lookups), "supply not looked up: stopped");
  EXPECT_EQ(DescribeRankLookup(lookups), "rank searched on 0 of 5 pages: stopped");
  EXPECT_EQ(web.asked, (std::vector<std::string>{SupplyUrlFor("a")}));
}

TEST_F(ResearchRunTest, EachRowSaysHowItsLookupsWent) {
  host.target_url = [] { return std::string("mysite.com"); };
  host.max_pages = [] { return std::string("3"); };
  web.pages[SupplyUrlFor("a")] = "of about 50 for a";
  web.pages[RankUrlFor("a", 21)] = "of about<li>x<li>mysite.com";
  web.failures[SupplyUrlFor("b")] = "Socket Error # 10061 Connection refused.";
  web.failures[RankUrlFor("b", 21)] = "time limit reached";
  web.pages[SupplyUrlFor("c")] = "no count here";
  web.on_fetch = [this](const std::string& url) {
    if (url == RankUrlFor("c", 21)) stopped = true;
  };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b"), Pair("3", "c")}));
  ASSERT_EQ(Captions(), (std::vector<std::string>{"a", "b", "c"}));
  struct Expected {
    std::string supply, rank;
    bool supply_failed, rank_failed;
  };
  const Expected expected[] = {
      {"supply counted", "rank found", false, false},
      {"page not fetched: Socket Error # 10061 Connection refused.",
       "rank not fetched on 1 of 3 pages: time limit reached", true, true},
      {"result page without a count", "rank searched on 1 of 3 pages: stopped", false, true},
  };
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    const LookupStatus& lookups = host.keywords.Row(i)->Lookups();
    EXPECT_EQ(DescribeSupplyLookup(lookups), expected[i].supply);
    EXPECT_EQ(DescribeRankLookup(lookups), expected[i].rank);
    EXPECT_EQ(LookupFailed(lookups, kColumnSupply), expected[i].supply_failed);
    EXPECT_EQ(LookupFailed(lookups, kColumnCost), expected[i].supply_failed);
    EXPECT_EQ(LookupFailed(lookups, kColumnRank), expected[i].rank_failed);
    EXPECT_EQ(LookupFailed(lookups, kColumnEstimate), expected[i].rank_failed);
    EXPECT_FALSE(LookupFailed(lookups, kColumnDemand));
  }
  EXPECT_EQ(host.keywords.Row(0)->SubItem(3) ? *host.keywords.Row(0)->SubItem(3) : "", "22");
}

TEST_F(ResearchRunTest, EscapeHeldDuringARowEndsTheRunAfterIt) {
  host.on_pump = [this] { host.escape_down = host.keywords.Count() == 2; };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b"), Pair("3", "c")}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(host.keywords.Row(1)->SubItems().size(), 6u);
}

TEST_F(ResearchRunTest, TargetAndMaxPagesAreReadAnewForEveryRow) {
  std::vector<std::string> targets{"first.com", "second.com"};
  std::vector<std::string> depths{"1", "2"};
  host.target_url = [&] {
    std::string t = targets.front();
    targets.erase(targets.begin());
    return t;
  };
  host.max_pages = [&] {
    std::string d = depths.front();
    depths.erase(depths.begin());
    return d;
  };
  web.pages[RankUrlFor("b", 21)] = "of about<li>first result<li>SECOND.com/widgets<li>third";
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b")}));
  EXPECT_EQ(web.asked,
            (std::vector<std::string>{SupplyUrlFor("a"), RankUrlFor("a", 1), SupplyUrlFor("b"),
                                      RankUrlFor("b", 1), RankUrlFor("b", 21)}));
  EXPECT_EQ(*host.keywords.Row(1)->SubItem(3), "22");
}

TEST_F(ResearchRunTest, MaxPagesNotANumberFinishesTheFirstRowAndEndsTheRun) {
  host.max_pages = [] { return std::string(); };
  web.pages[SuggestUrlFor("x")] = Page({Pair("500", "a"), Pair("2", "b")});
  web.pages[SupplyUrlFor("a")] = "of about 1000 for";
  EXPECT_THROW(researcher.ResearchSeed("x"), std::invalid_argument);
  ASSERT_EQ(host.keywords.Count(), 1u);
  EXPECT_EQ(Texts(*host.keywords.Row(0)),
            (std::vector<std::string>{"a", "500", "1000", "2", "", "0%", "0"}));
  EXPECT_FALSE(host.keywords.Row(0)->Checked());
}

TEST_F(ResearchRunTest, AFailedStepKeepsThePreviousRowsText) {
  std::vector<std::string> depths{"1", "oops"};
  host.max_pages = [&] {
    std::string d = depths.front();
    depths.erase(depths.begin());
    return d;
  };
  web.pages[RankUrlFor("a", 1)] = "mysite.com";
  EXPECT_THROW(
      researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b"), Pair("3", "c")})),
      std::invalid_argument);
  ASSERT_EQ(host.keywords.Count(), 2u);
  EXPECT_EQ(*host.keywords.Row(0)->SubItem(3), "1");
  // The second row's rank failed: it shows the first row's rank, and the run ends.
  EXPECT_EQ(*host.keywords.Row(1)->SubItem(3), "1");
  EXPECT_EQ(*host.keywords.Row(1)->SubItem(4), "100%");
}

TEST_F(ResearchRunTest, AFailingSuggestionFetchStillEmptiesTheListAndIsPassedOn) {
  host.keywords.Append();
  web.on_fetch = [](const std::string&) { throw std::runtime_error("no sockets"); };
  EXPECT_THROW(researcher.ResearchSeed("x"), std::runtime_error);
  EXPECT_EQ(host.keywords.Count(), 0u);
}

TEST_F(ResearchRunTest, FillsItsRowByReferenceWhenTheListIsSortedMidRun) {
  host.on_pump = [this] {
    host.keywords.Sort(
        [](const KeywordRow& a, const KeywordRow& b) { return a.Caption() > b.Caption(); });
  };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b")}));
  ASSERT_EQ(Captions(), (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(*host.keywords.Row(0)->SubItem(0), "2");
  EXPECT_EQ(host.keywords.Row(0)->SubItems().size(), 6u);
}

TEST_F(ResearchRunTest, ARowDeletedUnderThePausedRunEndsTheRunWithoutWriting) {
  host.on_pump = [this] {
    if (host.keywords.Count() == 2 && host.keywords.Row(1)->Caption() == "b")
      host.keywords.Delete(1);
  };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b"), Pair("3", "c")}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"a"}));
}

TEST_F(ResearchRunTest, AListClearedUnderThePausedRunIsNotTouchedAgain) {
  bool cleared = false;
  host.on_pump = [&] {
    if (!cleared && host.keywords.Count() == 1) {
      cleared = true;
      host.keywords.Clear();
    }
  };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b")}));
  EXPECT_EQ(host.keywords.Count(), 0u);
  EXPECT_TRUE(web.asked.empty());
}

TEST_F(ResearchRunTest, ANewerRunSupersedesThePausedOne) {
  bool nested = false;
  host.on_pump = [&] {
    if (!nested && host.keywords.Count() == 1) {
      nested = true;
      researcher.ParseSuggestionPage(Page({Pair("7", "x"), Pair("8", "y")}));
    }
  };
  researcher.ParseSuggestionPage(Page({Pair("1", "a"), Pair("2", "b")}));
  EXPECT_EQ(Captions(), (std::vector<std::string>{"x", "y"}));
  for (const auto& row : host.keywords.Rows()) EXPECT_EQ(row->SubItems().size(), 6u);
}

}  // namespace
}  // namespace quillmark
