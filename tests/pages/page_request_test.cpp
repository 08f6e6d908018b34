#include "pages/page_request.h"

#include <gtest/gtest.h>

#include <string>

#include "research/endpoints.h"

namespace quillmark::pages {
namespace {

// research/ keeps its own copies of the paths (it stays below this module): every URL it builds
// must be read back here as the page it asks for, about the same phrase, whatever the phrase
// holds.
TEST(PageRequest, ReadsBackEveryUrlTheResearchBuilds) {
  const std::string phrases[] = {
      "blue widgets", "c++ & c#",    "100% cotton %2B", "\"quoted\" words", "a?b=c#d&b=21",
      "back\\slash",  "caf\xC3\xA9", "tab\there\n",     " edges ",          "",
  };
  for (const std::string& phrase : phrases) {
    SCOPED_TRACE(phrase);
    const PageRequest suggestion = ReadPageUrl(SuggestionUrl("suggest:8080", phrase));
    EXPECT_EQ(suggestion.kind, PageKind::kSuggestion);
    EXPECT_EQ(suggestion.phrase, phrase);

    const PageRequest supply = ReadPageUrl(SupplyUrl("search", phrase));
    EXPECT_EQ(supply.kind, PageKind::kSupply);
    EXPECT_EQ(supply.phrase, phrase);

    const PageRequest rank = ReadPageUrl(RankUrl("search", phrase, 41));
    EXPECT_EQ(rank.kind, PageKind::kRank);
    EXPECT_EQ(rank.phrase, phrase);
    EXPECT_EQ(rank.offset, 41);
  }
  EXPECT_EQ(ReadPageUrl(TopSearchesUrl("top:1")).kind, PageKind::kTopSearches);
}

TEST(PageRequest, OtherPathsAndOffsetsAreNoPage) {
  const struct {
    const char* url;
    PageKind kind;
  } cases[] = {
      {"http://h/d/searchinventory/suggestion?term=x", PageKind::kUnknown},
      {"http://h/search/?p=x", PageKind::kUnknown},
      {"http://h/top/", PageKind::kUnknown},
      {"http://h", PageKind::kUnknown},
      {"http://h/search?p=%22x%22&b=0", PageKind::kUnknown},
      {"http://h/search?p=%22x%22&b=2x", PageKind::kUnknown},
      {"/search?p=%22x%22", PageKind::kSupply},
      {"/top?day=1", PageKind::kTopSearches},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadPageUrl(c.url).kind, c.kind) << c.url;
}

// A client that encodes only blanks sends the rest of a phrase as it is.
TEST(PageRequest, AQueryValueHoldingUrlCharactersIsOnePhrase) {
  const struct {
    const char* url;
    const char* phrase;
  } cases[] = {
      {"/search?p=%22ac/dc?b=21%22", "ac/dc?b=21"},
      {"/search?p=%22see+http://x.example/a?b=1%22", "see http://x.example/a?b=1"},
      {"http://h:1/d/searchinventory/suggestion/?term=a?b/c://d&mkt=us", "a?b/c://d"},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadPageUrl(c.url).phrase, c.phrase) << c.url;
}

}  // namespace
}  // namespace quillmark::pages
