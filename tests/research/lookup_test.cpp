#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "research/endpoints.h"
#include "research/query_encoding.h"
#include "research/rank_lookup.h"
#include "research/researcher.h"
#include "research/supply_lookup.h"
#include "research/support/fake_host.h"

namespace quillmark {
namespace {

using testing::FakeHost;
using testing::FakeWeb;
using testing::RankUrlFor;
using testing::SupplyUrlFor;

TEST(QueryEncodingTest, EscapesWhatWouldCutOrSplitAQueryAndNothingElse) {
  EXPECT_EQ(EncodeQueryText("c++ books", "+"), "c%2B%2B+books");
  EXPECT_EQ(EncodeQueryText("c# b&b 100% \"x\"", "%20"), "c%23%20b%26b%20100%25%20%22x%22");
  EXPECT_EQ(EncodeQueryText(std::string("a\r\nb\0\x1f\x7f", 7), "+"), "a%0D%0Ab%00%1F%7F");
  EXPECT_EQ(EncodeQueryText("caf\xe9 \x80\xff", "+"), "caf%E9+%80%FF");
  // A backslash would turn into a slash in the URL's path.
  EXPECT_EQ(EncodeQueryText("a\\b", "+"), "a%5Cb");
  // A second "?" in a request target is refused by the page servers.
  EXPECT_EQ(EncodeQueryText("why? ok", "%20"), "why%3F%20ok");
  const std::string safe = "az09/=:;@!$'()*,~-_.<>[]{}|^`";
  EXPECT_EQ(EncodeQueryText(safe, "+"), safe);
}

TEST(EndpointsTest, UrlsCarryTheHostWithItsPortAndTheEncodedPhrase) {
  EXPECT_EQ(SuggestionUrl("127.0.0.1:8080", "c++ books"),
            "http://127.0.0.1:8080/d/searchinventory/suggestion/?term=c%2B%2B%20books"
            "&mkt=us&lang=en_US");
  EXPECT_EQ(SupplyUrl("s", "c++ books"), "http://s/search?p=%22c%2B%2B+books%22");
  EXPECT_EQ(RankUrl("s", "a b", 41), "http://s/search?p=%22a+b%22&ei=UTF-8&n=20&fl=0&b=41");
  EXPECT_EQ(TopSearchesUrl("t:1"), "http://t:1/top");
}

TEST(SupplyCountTest, ReadsTheCountBetweenOfAboutAndFor) {
  EXPECT_EQ(ReadSupplyCount("results 1 - 20 of about 1,230,000 for blue widgets"), "1230000");
  EXPECT_EQ(ReadSupplyCount("of about 1 230.000\tfor"), "1230000");
  // Markup between the markers stays: not a number for the indices.
  EXPECT_EQ(ReadSupplyCount("of about <b>1,000</b> for"), "<b>1000</b>");
}

TEST(SupplyCountTest, MissingMarkersGiveThePlaceholders) {
  EXPECT_EQ(ReadSupplyCount(""), "?");
  EXPECT_EQ(ReadSupplyCount("of abou 12 for"), "?");
  EXPECT_EQ(ReadSupplyCount("of about for x"), "0");
  EXPECT_EQ(ReadSupplyCount("of about 12"), "0");
  // "for" must stand within the 100 characters after the marker.
  EXPECT_EQ(ReadSupplyCount("of about 12" + std::string(95, ' ') + "for"), "0");
  EXPECT_EQ(ReadSupplyCount("of about 12" + std::string(86, ' ') + "for"), "12");
}

class LookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    web.stopped = [this] { return stopped; };
  }

  FakeHost host;
  FakeWeb web;
  // Stands for the run's stop, which the research and its fetches both see.
  bool stopped = false;
  Researcher researcher{host, web.Fetcher(), testing::TestEndpoints(), [this] { return stopped; }};
};

TEST_F(LookupTest, SupplyAsksForTheExactPhraseAndReadsAnyCase) {
  web.pages[SupplyUrlFor("blue+widgets")] = "Results 1 - 20 Of About 1,230,000 For blue widgets";
  EXPECT_EQ(researcher.LookupSupply("blue widgets"), "1230000");
  EXPECT_EQ(host.statuses, std::vector<std::string>{"blue widgets"});
  EXPECT_EQ(researcher.LookupSupply("no page"), "?");
}

TEST_F(LookupTest, SupplyOfAnEmptyPhraseIsEmptyWithoutARequest) {
  EXPECT_EQ(researcher.LookupSupply(""), "");
  EXPECT_TRUE(web.asked.empty());
  EXPECT_EQ(host.statuses, std::vector<std::string>{""});
}

TEST_F(LookupTest, RankAbsentAsksEveryPageOfTheBudget) {
  EXPECT_EQ(researcher.LookupRank("blue widgets", "mysite.com", 5), "-");
  std::vector<std::string> expected;
  for (int b : {1, 21, 41, 61, 81}) expected.push_back(RankUrlFor("blue+widgets", b));
  EXPECT_EQ(web.asked, expected);
}

TEST_F(LookupTest, RankCountsTheItemsAfterTheCountOnTheTargetsPage) {
  web.pages[RankUrlFor("w", 21)] =
      "<li>ad for mysite.com before the count</li> of about 900 for w"
      "<li>first result</li><li>second result</li><li>third: MySite.com/widgets</li>"
      "<li>fourth result</li>";
  EXPECT_EQ(researcher.LookupRank("w", "MYSITE.COM", 3), "23");
  EXPECT_EQ(web.asked, (std::vector<std::string>{RankUrlFor("w", 1), RankUrlFor("w", 21)}));
}

TEST_F(LookupTest, RankOnAPageOutsideItsItemsIsThePagesOffset) {
  web.pages[RankUrlFor("w", 1)] = "mysite.com in the header, of about 9 for<li>a result<li>b";
  EXPECT_EQ(researcher.LookupRank("w", "mysite.com", 5), "1");
}

TEST_F(LookupTest, TheLastItemOfAPageCountsToo) {
  std::string page = "of about 99 for x";
  for (int i = 1; i <= 19; ++i) page += "<li>result " + std::to_string(i);
  web.pages[RankUrlFor("x", 21)] = page + "<li>twentieth: mysite.com";
  EXPECT_EQ(researcher.LookupRank("x", "mysite.com", 5), "40");
}

TEST_F(LookupTest, RankWithoutPhraseTargetOrBudgetIsUnrankedWithoutARequest) {
  EXPECT_EQ(researcher.LookupRank("", "mysite.com", 5), "-");
  EXPECT_EQ(researcher.LookupRank("w", "", 5), "-");
  EXPECT_EQ(researcher.LookupRank("w", "mysite.com", 0), "-");
  EXPECT_EQ(researcher.LookupRank("w", "mysite.com", -3), "-");
  EXPECT_TRUE(web.asked.empty());
}

TEST_F(LookupTest, RankEndsAfterThePageDuringWhichStopOrEscapeCame) {
  web.on_fetch = [this](const std::string&) { stopped = true; };
  EXPECT_EQ(researcher.LookupRank("w", "mysite.com", 20), "-");
  EXPECT_EQ(web.asked.size(), 1u);

  stopped = false;
  web.on_fetch = nullptr;
  web.asked.clear();
  host.on_pump = [this] { host.escape_down = web.asked.size() == 2; };
  EXPECT_EQ(researcher.LookupRank("w", "mysite.com", 20), "-");
  EXPECT_EQ(web.asked.size(), 2u);
}

TEST(RankItemOffsetTest, EachItemRunsUpToTheNextAndTheLastToTheEnd) {
  EXPECT_EQ(RankItemOffset("of about<li>target is here<li>x<li>", "target"), 0);
  EXPECT_EQ(RankItemOffset("<li>target<li>of about<li>one two three<li>target here<li>", "target"),
            1);
  // An address that ends right where the next item begins belongs to its own item.
  EXPECT_EQ(RankItemOffset("<li>abcd<li>abcdefghij<li>", "efghij"), 1);
  EXPECT_EQ(RankItemOffset("<li>abc mysite.com<li>other", "mysite.com"), 0);
  EXPECT_EQ(RankItemOffset("<li>a<li>b<li>last mysite.com", "mysite.com"), 2);
  EXPECT_EQ(RankItemOffset("", "x"), 0);
  EXPECT_EQ(RankItemOffset("<li><li><li", "x"), 0);
}

}  // namespace
}  // namespace quillmark
