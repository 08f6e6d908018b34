#include "base/ascii.h"

#include <gtest/gtest.h>

#include <string>

namespace quillmark::ascii {
namespace {

// Every byte: only A-Z and a-z change case, each onto its partner; bytes above 127 (negative
// as a signed char) and the neighbours of the letter ranges stay.
TEST(Ascii, OnlyTheTwentySixLettersFold) {
  for (int b = 0; b < 256; ++b) {
    const auto c = static_cast<char>(b);
    const bool upper = b >= 'A' && b <= 'Z';
    const bool lower = b >= 'a' && b <= 'z';
    EXPECT_EQ(ToLower(c), upper ? static_cast<char>(b + 32) : c) << b;
    EXPECT_EQ(ToUpper(c), lower ? static_cast<char>(b - 32) : c) << b;
  }
  EXPECT_EQ(ToLower("MiXeD @[`{ \xC4\xE4"), "mixed @[`{ \xC4\xE4");
  EXPECT_EQ(ToUpper("MiXeD @[`{ \xC4\xE4"), "MIXED @[`{ \xC4\xE4");
}

TEST(Ascii, EqualNoCaseIgnoresLetterCaseOnly) {
  const struct {
    std::string_view a, b;
    bool equal;
  } cases[] = {
      {"Content-Length", "content-LENGTH", true},
      {"", "", true},
      {"a", "", false},
      {"ab", "abc", false},
      {"@", "`", false},
      {"[", "{", false},
      {"\xC4", "\xE4", false},
      {"\xC4", "\xC4", true},
  };
  for (const auto& c : cases) EXPECT_EQ(EqualNoCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
}

TEST(Ascii, HexDigitsReadBothCasesAndWriteUpperCase) {
  for (int b = 0; b < 256; ++b) {
    const auto c = static_cast<char>(b);
    int expected = -1;
    if (b >= '0' && b <= '9') expected = b - '0';
    if (b >= 'a' && b <= 'f') expected = b - 'a' + 10;
    if (b >= 'A' && b <= 'F') expected = b - 'A' + 10;
    EXPECT_EQ(HexValue(c), expected) << b;
  }
  for (unsigned v = 0; v < 16; ++v) EXPECT_EQ(HexValue(HexDigit(v)), static_cast<int>(v));
  EXPECT_EQ(std::string() + HexDigit(0xAB >> 4) + HexDigit(0xAB), "AB");
}

TEST(Ascii, TrimDropsCodesUpToTheBlankAtBothEnds) {
  EXPECT_EQ(Trim(std::string_view("\0\t\r\n  a \x01 b \x1F\x20", 14)), "a \x01 b");
  EXPECT_EQ(Trim("\x7F x \xA0"), "\x7F x \xA0");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim(""), "");
}

}  // namespace
}  // namespace quillmark::ascii
