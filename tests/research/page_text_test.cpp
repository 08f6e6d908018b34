#include "research/page_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "research/whole_number.h"

namespace quillmark {
namespace {

TEST(FindTextTest, PositionsAreOneBasedAndZeroMeansAbsent) {
  EXPECT_EQ(FindText("b", "abcb"), 2u);
  EXPECT_EQ(FindText("abcb", "abcb"), 1u);
  EXPECT_EQ(FindText("x", "abcb"), 0u);
  EXPECT_EQ(FindText("", "abc"), 0u);
  EXPECT_EQ(FindText("a", ""), 0u);
  EXPECT_EQ(FindText("abcd", "abc"), 0u);
}

TEST(FindTextTest, SearchFromAPositionGivesAnAbsolutePosition) {
  EXPECT_EQ(FindText("b", "abcb", 3), 4u);
  EXPECT_EQ(FindText("b", "abcb", 2), 2u);
  EXPECT_EQ(FindText("b", "abcb", 0), 2u);
  EXPECT_EQ(FindText("b", "abcb", 5), 0u);
  EXPECT_EQ(FindText("b", "abcb", std::numeric_limits<std::size_t>::max()), 0u);
}

TEST(SubTextTest, ClampsStartAndCount) {
  const std::string text = "abcdef";
  EXPECT_EQ(SubText(text, 0, 3), "abc");
  // A start below 1 does not shorten the count.
  EXPECT_EQ(SubText(text, -5, 2), "ab");
  EXPECT_EQ(SubText(text, 3, 2), "cd");
  EXPECT_EQ(SubText(text, 4, 100), "def");
  EXPECT_EQ(SubText(text, 6, 1), "f");
  EXPECT_EQ(SubText(text, 7, 1), "");
  EXPECT_EQ(SubText(text, 2, -1), "");
  EXPECT_EQ(SubText(text, 2, 0), "");
  EXPECT_EQ(SubText(text, 2, std::numeric_limits<std::int64_t>::max()), "bcdef");
  EXPECT_EQ(SubText(text, std::numeric_limits<std::int64_t>::max(), 1), "");
  EXPECT_EQ(SubText(text, std::numeric_limits<std::int64_t>::min(), 1), "a");
  EXPECT_EQ(SubText("", 1, 1), "");
}

TEST(CaseAndTrimTest, OnlyAsciiLettersFoldAndOnlyControlCodesAndBlanksTrim) {
  EXPECT_EQ(LowerText("AZaz@[`{\xC4\xD6"), "azaz@[`{\xC4\xD6");
  std::string text = "MiXeD";
  LowerInPlace(text);
  EXPECT_EQ(text, "mixed");

  EXPECT_EQ(TrimText(std::string("\0\t\r\n  a b \x1F\x20", 11)), "a b");
  // Bytes above 127 are not control codes, even though a signed char would make them negative.
  EXPECT_EQ(TrimText("\xA0x\xFF"), "\xA0x\xFF");
  EXPECT_EQ(TrimText(" \t "), "");
  EXPECT_EQ(TrimText(""), "");
}

TEST(ReverseTextTest, ReversesAnyLength) {
  EXPECT_EQ(ReverseText(""), "");
  EXPECT_EQ(ReverseText("a"), "a");
  EXPECT_EQ(ReverseText("abc"), "cba");
}

TEST(ReplaceAllNoCaseTest, ReplacesEveryOccurrenceWhateverItsCase) {
  EXPECT_EQ(ReplaceAllNoCase("Search FOR for", "for", ""), "Search  ");
  EXPECT_EQ(ReplaceAllNoCase("Search FOR for", "FoR", ""), "Search  ");
  EXPECT_EQ(ReplaceAllNoCase("Blue Widgets", "", "x"), "Blue Widgets");
  EXPECT_EQ(ReplaceAllNoCase("", "a", "x"), "");
  EXPECT_EQ(ReplaceAllNoCase("abc", "abcd", "x"), "abc");
}

TEST(ReplaceAllNoCaseTest, CallersPairs) {
  EXPECT_EQ(ReplaceAllNoCase("\"red \"shoes\"", "\"", ""), "red shoes");
  EXPECT_EQ(ReplaceAllNoCase(" red  shoes ", " ", "%20"), "%20red%20%20shoes%20");
  EXPECT_EQ(ReplaceAllNoCase("red shoes", " ", "+"), "red+shoes");
  EXPECT_EQ(ReplaceAllNoCase("1,230,000", ",", ""), "1230000");
  EXPECT_EQ(ReplaceAllNoCase("1.230.000", ".", ""), "1230000");
}

TEST(ReplaceAllNoCaseTest, RemovalThatJoinsThePatternAgainRemovesItToo) {
  // Searching again from the start after each removal finds the "for" that the removal formed.
  EXPECT_EQ(ReplaceAllNoCase("fforor", "for", ""), "");
  EXPECT_EQ(ReplaceAllNoCase("xFfOrOrx", "for", ""), "xx");
  EXPECT_EQ(ReplaceAllNoCase("fo-for-r", "for", ""), "fo--r");
}

TEST(ReplaceAllNoCaseTest, LargeTextIsOnePass) {
  // Restarting the search at the start of a copy after each replacement would take hours here.
  const std::string blanks(1 << 20, ' ');
  const std::string replaced = ReplaceAllNoCase(blanks, " ", "%20");
  ASSERT_EQ(replaced.size(), 3u * blanks.size());
  EXPECT_EQ(replaced.substr(0, 6), "%20%20");
  EXPECT_EQ(ReplaceAllNoCase(std::string(1 << 20, 'x') + "For", "for", "").size(), 1u << 20);
}

TEST(StripNumberPunctuationTest, DropsCommasDotsAndBlanksOnly) {
  EXPECT_EQ(StripNumberPunctuation("1,230,000"), "1230000");
  EXPECT_EQ(StripNumberPunctuation(" 1.2 3,\t"), "123\t");
  EXPECT_EQ(StripNumberPunctuation("?"), "?");
  EXPECT_EQ(StripNumberPunctuation(""), "");
}

TEST(ExtractDemandTextTest, TakesTheTextAfterTheEntityUpToTheClosingTag) {
  EXPECT_EQ(ExtractDemandText("<td>&nbsp;1234"), "1234");
  EXPECT_EQ(ExtractDemandText("<td><b>&nbsp;1234</b>"), "1234");
  // Without the entity the cut starts at the sixth character.
  EXPECT_EQ(ExtractDemandText("<td>1234"), "234");
  // "</" at the very start does not end the figure.
  EXPECT_EQ(ExtractDemandText("</b>&nbsp;12"), "12");
}

TEST(ExtractDemandTextTest, MisplacedOrMissingMarkersGiveTheEmptyText) {
  EXPECT_EQ(ExtractDemandText("<td></b>&nbsp;1234"), "");
  EXPECT_EQ(ExtractDemandText("<td>&nbsp;</b>"), "");
  EXPECT_EQ(ExtractDemandText("<td>"), "");
  EXPECT_EQ(ExtractDemandText(""), "");
  EXPECT_EQ(ExtractDemandText("<td>&nbsp;"), "");
}

TEST(ExtractLinkTextTest, TakesTheTextAfterTheLaterOfTagEndAndEntityEnd) {
  EXPECT_EQ(ExtractLinkText("<td><a href=x?a=1&amp;b=2>blue widgets</a></td>"), "blue widgets");
  EXPECT_EQ(ExtractLinkText("<td><a href=x?a=1&amp;b=2>&nbsp;red shoes</a>"), "red shoes");
  // Only the first "</a>" counts.
  EXPECT_EQ(ExtractLinkText("<a x=;>one</a><a>two</a>"), "one");
}

TEST(ExtractLinkTextTest, NeedsTheCloseTagAndBothMarkers) {
  EXPECT_EQ(ExtractLinkText("<td><a href=x;>blue widgets"), "");
  EXPECT_EQ(ExtractLinkText("<td><a href=x>blue widgets</a>"), "");
  EXPECT_EQ(ExtractLinkText("&nbsp;blue widgets</a>"), "");
  EXPECT_EQ(ExtractLinkText("</a>;>"), "");
  EXPECT_EQ(ExtractLinkText(""), "");
  EXPECT_EQ(ExtractLinkText("<a x=;></a>"), "");
}

TEST(ReadWholeNumberTest, ReadsSignedThirtyTwoBitDecimals) {
  EXPECT_EQ(ReadWholeNumber("0"), 0);
  EXPECT_EQ(ReadWholeNumber("1234"), 1234);
  EXPECT_EQ(ReadWholeNumber("+5"), 5);
  EXPECT_EQ(ReadWholeNumber("-17"), -17);
  EXPECT_EQ(ReadWholeNumber("007"), 7);
  EXPECT_EQ(ReadWholeNumber(" 12"), 12);
  EXPECT_EQ(ReadWholeNumber(" \t12"), std::nullopt);  // only blanks are skipped
  EXPECT_EQ(ReadWholeNumber("2147483647"), 2147483647);
  EXPECT_EQ(ReadWholeNumber("-2147483648"), std::numeric_limits<std::int32_t>::min());
}

TEST(ReadWholeNumberTest, EverythingElseIsNotANumber) {
  for (const char* text : {"", " ", "?", "-", "+", "12 ", "1,000", "1.5", "1e3", "0x10", "12a",
                           "- 1", "2147483648", "-2147483649", "99999999999999999999999"}) {
    EXPECT_FALSE(ReadWholeNumber(text).has_value()) << '"' << text << '"';
  }
}

}  // namespace
}  // namespace quillmark
