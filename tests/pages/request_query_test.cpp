#include "pages/request_query.h"

#include <gtest/gtest.h>

namespace quillmark::pages {
namespace {

TEST(RequestQuery, FindsTheNamedParameter) {
  const std::string target = "/search?p=%22blue+widgets%22&ei=UTF-8&n=20&fl=0&b=21";
  EXPECT_EQ(FindQueryValue(target, "p"), "%22blue+widgets%22");
  EXPECT_EQ(FindQueryValue(target, "b"), "21");
  EXPECT_EQ(FindQueryValue(target, "x"), std::nullopt);
  EXPECT_EQ(FindQueryValue("/search", "p"), std::nullopt);
  EXPECT_EQ(FindQueryValue("/s?pp=1&p", "p"), "");
  EXPECT_EQ(FindQueryValue("/s?p=1&p=2", "p"), "1");
  EXPECT_EQ(FindQueryValue("/s?p=1#frag", "p"), "1");
}

TEST(RequestQuery, SuggestionTermsKeepLiteralPlus) {
  // The seed goes out with blanks as %20 and nothing else escaped.
  EXPECT_EQ(DecodeQueryValue("c%2B%2B%20books", false), "c++ books");
  EXPECT_EQ(DecodeQueryValue("c++%20books", false), "c++ books");
}

TEST(RequestQuery, SearchPhrasesTakePlusAsBlank) {
  EXPECT_EQ(DecodeQueryValue("%22c%2B%2B+books%22", true), "\"c++ books\"");
  // One pass: an escaped percent is not decoded again.
  EXPECT_EQ(DecodeQueryValue("%252B", true), "%2B");
}

TEST(RequestQuery, MalformedEscapesStayAsWritten) {
  EXPECT_EQ(DecodeQueryValue("100%%20cotton", false), "100% cotton");
  EXPECT_EQ(DecodeQueryValue("%zz%", true), "%zz%");
  EXPECT_EQ(DecodeQueryValue("%4", true), "%4");
  EXPECT_EQ(DecodeQueryValue("%e9t%C3%A9", false), "\xe9t\xc3\xa9");
}

}  // namespace
}  // namespace quillmark::pages
