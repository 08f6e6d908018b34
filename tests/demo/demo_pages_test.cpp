#include "demo/demo_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "demo/demo_limits.h"
#include "demo/support/page_reader.h"

namespace quillmark::demo {
namespace {

using testing::Count;
using testing::RankOnPage;

constexpr int kResultsPerPage = static_cast<int>(pages::kResultsPerRankPage);
using testing::SuggestionPairs;
using testing::SupplyText;
using testing::TopPhrases;

bool AllDigits(const std::string& text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The unwanted terms the research dialog ships with.
bool Unwanted(std::string phrase) {
  phrase.erase(std::remove(phrase.begin(), phrase.end(), ' '), phrase.end());
  for (const char* term : {"google", "ebay", "amazon", "youtube", "yahoo", "hotmail", "msn",
                           "myspace", ".com", ".net", ".org", ".co.uk"}) {
    if (phrase.find(term) != std::string::npos) return true;
  }
  return false;
}

TEST(DemoSuggestionPage, ReadsAsCountPhrasePairsAfterDone) {
  for (const char* seed : {"Blue Widgets", "garden furniture", "c++ books", "x", "Café"}) {
    SCOPED_TRACE(seed);
    const std::string page = DemoSuggestionPage(seed);
    ASSERT_NE(page.find(" done "), std::string::npos);
    EXPECT_LT(page.find(" done "), page.find("<td>"));
    EXPECT_NE(page.find("Generated demonstration data"), std::string::npos);

    const auto pairs = SuggestionPairs(page);
    EXPECT_GE(pairs.size(), static_cast<std::size_t>(kMinSuggestions));
    EXPECT_LE(pairs.size(), static_cast<std::size_t>(kMaxSuggestions));
    // Every cell after " done " belongs to a pair: no stray cells shift the pairing.
    EXPECT_EQ(Count(page.substr(page.find(" done ")), "<td>"), 2 * pairs.size());
    ASSERT_FALSE(pairs.empty());
    EXPECT_EQ(pairs.front().second, testing::Lower(seed));
    for (const auto& [demand, phrase] : pairs) {
      EXPECT_TRUE(AllDigits(demand)) << demand;
      EXPECT_NE(phrase.find(testing::Lower(seed)), std::string::npos) << phrase;
    }
  }
}

TEST(DemoSuggestionPage, DemandsAreHeavyTailed) {
  const auto pairs = SuggestionPairs(DemoSuggestionPage("blue widgets"));
  std::vector<long> demands;
  for (const auto& pair : pairs) demands.push_back(std::stol(pair.first));
  EXPECT_GE(demands.front(), static_cast<long>(kMinSeedDemand));
  EXPECT_EQ(*std::max_element(demands.begin(), demands.end()), demands.front());
  std::vector<long> sorted = demands;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_LT(sorted[sorted.size() / 2], 1000);  // most in the tens or hundreds
}

TEST(DemoSuggestionPage, DeterministicPerSeed) {
  EXPECT_EQ(DemoSuggestionPage("blue widgets"), DemoSuggestionPage("blue widgets"));
  // The seed is normalised first, so case and spacing do not make another page.
  EXPECT_EQ(DemoSuggestionPage("Blue  Widgets "), DemoSuggestionPage("blue widgets"));
  EXPECT_NE(DemoSuggestionPage("blue widgets"), DemoSuggestionPage("red widgets"));
}

TEST(DemoSuggestionPage, HostileSeedCannotBreakTheCells) {
  const std::string page = DemoSuggestionPage("a</td><td>b;c&amp;d>\"e");
  const auto pairs = SuggestionPairs(page);
  ASSERT_GE(pairs.size(), static_cast<std::size_t>(kMinSuggestions));
  EXPECT_EQ(pairs.front().second, "a /td td b c amp d e");
  for (const auto& [demand, phrase] : pairs) {
    EXPECT_TRUE(AllDigits(demand));
    EXPECT_NE(phrase.find("a /td td b"), std::string::npos);
  }
}

TEST(DemoSuggestionPage, EmptySeedListsNothing) {
  for (const char* seed : {"", "   ", "<>;"}) {
    const std::string page = DemoSuggestionPage(seed);
    EXPECT_EQ(page.find("</td>"), std::string::npos) << seed;
  }
}

TEST(DemoSearchPage, SupplyIsCommaGroupedBeforeFor) {
  for (const char* phrase : {"blue widgets", "a", "best cheap blue widgets online uk", "c++"}) {
    SCOPED_TRACE(phrase);
    const std::string page = DemoSearchPage(std::string("\"") + phrase + "\"", 0);
    EXPECT_EQ(page.find("<li>"), std::string::npos);
    EXPECT_NE(page.find("Generated demonstration data"), std::string::npos);
    const std::string supply = SupplyText(page);
    std::string digits = supply;
    digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
    ASSERT_TRUE(AllDigits(digits)) << supply;
    EXPECT_EQ(std::stoull(digits), DemoSupply(phrase));
    EXPECT_GE(DemoSupply(phrase), kMinSupply);
    EXPECT_LE(DemoSupply(phrase), kMaxSupply);
    if (digits.size() > 3) {
      EXPECT_EQ(supply[supply.size() - 4], ',');
    }
  }
  // Quotes, case and the rank request do not change the figure.
  EXPECT_EQ(DemoSupply("\"Blue Widgets\""), DemoSupply("blue widgets"));
  EXPECT_EQ(SupplyText(DemoSearchPage("blue widgets", 41)),
            SupplyText(DemoSearchPage("blue widgets", 0)));
  EXPECT_NE(DemoSupply("blue widgets"), DemoSupply("red widgets"));
}

TEST(DemoSearchPage, ListsTwentyResultsNumberedFromOffset) {
  for (int offset : {1, 21, 381}) {
    const std::string page = DemoSearchPage("\"blue widgets\"", offset);
    const auto about = page.find("of about");
    ASSERT_NE(about, std::string::npos);
    EXPECT_EQ(page.find("<li>"), page.find("<li>", about)) << "an item before \"of about\"";
    EXPECT_EQ(Count(page, "<li>"), static_cast<std::size_t>(kResultsPerPage));
    EXPECT_NE(page.find("Results " + std::to_string(offset) + " - " + std::to_string(offset + 19)),
              std::string::npos);
    EXPECT_NE(page.find(">" + std::to_string(offset) + ".<"), std::string::npos);
    EXPECT_NE(page.find(">" + std::to_string(offset + 19) + ".<"), std::string::npos);
    EXPECT_EQ(page.find(">" + std::to_string(offset + 20) + ".<"), std::string::npos);
  }
  EXPECT_EQ(DemoSearchPage("blue widgets", 21), DemoSearchPage("blue widgets", 21));
}

TEST(DemoSearchPage, HostilePhraseAddsNoMarkup) {
  const std::string page = DemoSearchPage("\"<li>x of about 9 for</li>\"", 1);
  EXPECT_EQ(Count(page, "<li>"), static_cast<std::size_t>(kResultsPerPage));
  std::string digits = SupplyText(page);
  digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
  EXPECT_TRUE(AllDigits(digits)) << SupplyText(page);
}

// On the fixed day 0 and on a later one, whose ranks are moved.
TEST(DemoSearchPage, DemoSitesStandAtTheirRankAndNowhereElse) {
  const int pages = kDemoRankSpread / kResultsPerPage;
  for (const int day : {0, 4})
    for (const std::string& site : DemoSites()) {
      int listed = 0;
      const int phrases = 60;
      for (int n = 0; n < phrases; ++n) {
        const std::string phrase = "demo phrase " + std::to_string(n);
        const int rank = DemoSiteRank(phrase, site, day);
        SCOPED_TRACE(site + " / " + phrase + " rank " + std::to_string(rank) + " day " +
                     std::to_string(day));
        if (rank > 0) ++listed;
        int found = 0;
        for (int page = 0; page < pages; ++page) {
          const int offset = 1 + page * kResultsPerPage;
          const int on_page = RankOnPage(DemoSearchPage(phrase, offset, day), site, offset);
          if (on_page == 0) continue;
          EXPECT_EQ(found, 0) << "listed on two pages";
          found = on_page;
        }
        EXPECT_EQ(found, rank);
        EXPECT_EQ(DemoSearchPage(phrase, 0).find(site), std::string::npos);
      }
      // About two thirds of phrases list each site.
      EXPECT_GT(listed, phrases * 2 / 5);
      EXPECT_LT(listed, phrases * 9 / 10);
    }
  EXPECT_EQ(DemoSiteRank("blue widgets", "elsewhere.com"), 0);

  // Another day moves most ranks a little, takes a few sites out, and is the same each time.
  int listed = 0, moved = 0;
  for (int n = 0; n < 60; ++n) {
    const std::string phrase = "demo phrase " + std::to_string(n);
    const int before = DemoSiteRank(phrase, "example.com");
    const int after = DemoSiteRank(phrase, "example.com", 4);
    EXPECT_EQ(after, DemoSiteRank(phrase, "example.com", 4));
    if (before == 0) continue;
    ++listed;
    if (after != before) ++moved;
    if (after != 0) {
      EXPECT_LE(std::abs(after - before), 18) << phrase;
    }
  }
  EXPECT_GT(moved, listed / 2);

  // A phrase that names a demo site does not put the site on the page itself.
  for (const std::string phrase : {"example.com reviews", "Www.Example.ORG vs example.net"}) {
    for (const std::string& site : DemoSites()) {
      const int rank = DemoSiteRank(phrase, site);
      for (int page = 0; page < pages; ++page) {
        const int offset = 1 + page * kResultsPerPage;
        const int on_page = RankOnPage(DemoSearchPage(phrase, offset), site, offset);
        EXPECT_TRUE(on_page == 0 || on_page == rank) << phrase << " / " << site;
      }
    }
  }
}

TEST(DemoTopPage, TableOfLinkCellsWithSomeUnwanted) {
  for (int date = 20260301; date <= 20260331; ++date) {
    SCOPED_TRACE(date);
    const std::string page = DemoTopPage(date);
    const auto table = page.find("<table");
    const auto end = page.find("</table");
    ASSERT_NE(table, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    EXPECT_GT(page.find("<td>"), table);
    EXPECT_LT(page.rfind("</td>"), end);
    EXPECT_NE(page.find("Generated demonstration data"), std::string::npos);

    const auto phrases = TopPhrases(page);
    EXPECT_GE(phrases.size(), static_cast<std::size_t>(kMinTopPhrases));
    EXPECT_LE(phrases.size(), static_cast<std::size_t>(kMaxTopPhrases));
    EXPECT_EQ(Count(page, "<td><a href="), phrases.size());
    EXPECT_EQ(Count(page, "</a></td>"), phrases.size());
    const auto unwanted = std::count_if(phrases.begin(), phrases.end(), Unwanted);
    EXPECT_GE(unwanted, kMinUnwantedTopPhrases);
    EXPECT_LE(unwanted, kMaxUnwantedTopPhrases);
    for (const auto& phrase : phrases) EXPECT_FALSE(phrase.empty());
  }
}

TEST(DemoTopPage, ChangesWithTheDate) {
  EXPECT_EQ(DemoTopPage(20260314), DemoTopPage(20260314));
  EXPECT_NE(TopPhrases(DemoTopPage(20260314)), TopPhrases(DemoTopPage(20260315)));
  const int today = TodayUtc();
  EXPECT_GE(today, 20240101);
  EXPECT_LE(today % 10000 / 100, 12);
}

}  // namespace
}  // namespace quillmark::demo
