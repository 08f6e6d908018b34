#include "pages/page_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/page_format.h"
#include "pages/page_request.h"
#include "pages/text_hash.h"

namespace quillmark::pages {
namespace {

// The addresses of the links on a page, as written (entities not decoded).
std::vector<std::string> Links(const std::string& page) {
  std::vector<std::string> links;
  constexpr std::string_view kHref = "<a href=\"";
  for (std::size_t at = page.find(kHref); at != std::string::npos; at = page.find(kHref, at)) {
    at += kHref.size();
    links.push_back(page.substr(at, page.find('"', at) - at));
  }
  return links;
}

std::size_t Count(const std::string& text, std::string_view pattern) {
  std::size_t n = 0;
  for (std::size_t at = text.find(pattern); at != std::string::npos;
       at = text.find(pattern, at + 1))
    ++n;
  return n;
}

const std::vector<std::string> kPhrases = {"blue widgets", "c++ & c#",   "100% cotton",
                                           "caf\xC3\xA9",  "\"quoted\"", "a/b?c=d#e"};

// A phrase's link on a suggestion or top-searches page leads to that phrase's own page.
TEST(PageWriter, EveryCellLinksToItsOwnPhrase) {
  std::vector<Suggestion> rows;
  for (const std::string& phrase : kPhrases) rows.push_back({phrase, 7});
  std::string suggestions;
  AppendSuggestionTable(suggestions, rows, "&amp;mkt=us");
  std::string top;
  AppendTopSearchesTable(top, kPhrases, 4);

  const std::vector<std::string> suggestion_links = Links(suggestions);
  const std::vector<std::string> top_links = Links(top);
  ASSERT_EQ(suggestion_links.size(), kPhrases.size());
  ASSERT_EQ(top_links.size(), kPhrases.size());
  for (std::size_t i = 0; i < kPhrases.size(); ++i) {
    SCOPED_TRACE(kPhrases[i]);
    const PageRequest suggestion = ReadPageUrl(suggestion_links[i]);
    EXPECT_EQ(suggestion.kind, PageKind::kSuggestion);
    EXPECT_EQ(suggestion.phrase, kPhrases[i]);
    const PageRequest search = ReadPageUrl(top_links[i]);
    EXPECT_EQ(search.kind, PageKind::kSupply);
    EXPECT_EQ(search.phrase, kPhrases[i]);
  }
}

// A provider's phrase goes onto a page as it is, without the blanks at its ends, or not at all:
// one that would close its cell, add one or split a line is left out and counted.
TEST(PageWriter, APhraseNoCellCanCarryIsLeftOutAndCounted) {
  const ProviderPage page = SuggestionPage("a</td>", {{"a</a></td><td>b", 5},
                                                      {"b;c", 4},
                                                      {"x\t\x01y", 3},
                                                      {"del\x7f", 2},
                                                      {" \tAT&T 100% \n", 9},
                                                      {"x y", std::nullopt}});
  EXPECT_EQ(page.left_out, 4u);
  EXPECT_EQ(Count(page.text, "<td>"), 4u);
  EXPECT_NE(page.text.find(">&nbsp;9</td><td><a href=\"/d/searchinventory/suggestion/"
                           "?term=AT%26T%20100%25&amp;mkt=us\">AT&T 100%</a>"),
            std::string::npos);
  EXPECT_NE(page.text.find(">&nbsp;?</td>"), std::string::npos);
  EXPECT_LT(page.text.find(kSuggestionsStart), page.text.find("<td>"));

  const ProviderPage top = TopSearchesPage({"<b>bold</b>", "plain", "\n  feed title\n"});
  EXPECT_EQ(top.left_out, 1u);
  EXPECT_EQ(Count(top.text, "<td>"), 2u);
  EXPECT_NE(top.text.find(">feed title</a>"), std::string::npos);
}

// The generated pages and the reply cache's file names depend on these values staying put.
TEST(TextHash, IsSixtyFourBitFnv1a) {
  EXPECT_EQ(Fnv1a(""), 0xcbf29ce484222325ULL);
  EXPECT_EQ(Fnv1a("a"), 0xaf63dc4c8601ec8cULL);
  EXPECT_EQ(Fnv1a("foobar"), 0x85944171f73967e8ULL);
  EXPECT_EQ(Fnv1a("b", Fnv1a("a")), Fnv1a("ab"));
}

}  // namespace
}  // namespace quillmark::pages
