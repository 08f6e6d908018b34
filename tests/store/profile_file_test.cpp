#include "store/profile_file.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>

#include <string>

#include "store/store_error.h"
#include "support/temp_dir.h"

namespace quillmark {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ProfileRead, DropsBlanksAndOnePairOfMatchingQuotes) {
  const ProfileFile p = ProfileFile::Parse(
      "[s]\r\n"
      "plain=  two words \t\r\n"
      "double=\"quoted\"\r\n"
      "single= 'quoted' \r\n"
      "inner=\" keep blanks \"\r\n"
      "twice=\"\"x\"\"\r\n"
      "mixed=\"x'\r\n"
      "lone=\"\r\n"
      "empty=\r\n"
      "nopair\r\n"
      "  spaced key  = v\r\n");
  EXPECT_EQ(p.ReadString("s", "plain", "d"), "two words");
  EXPECT_EQ(p.ReadString("s", "double", "d"), "quoted");
  EXPECT_EQ(p.ReadString("s", "single", "d"), "quoted");
  EXPECT_EQ(p.ReadString("s", "inner", "d"), " keep blanks ");
  EXPECT_EQ(p.ReadString("s", "twice", "d"), "\"x\"");
  EXPECT_EQ(p.ReadString("s", "mixed", "d"), "\"x'");
  EXPECT_EQ(p.ReadString("s", "lone", "d"), "\"");
  EXPECT_EQ(p.ReadString("s", "empty", "d"), "");
  EXPECT_EQ(p.ReadString("s", "nopair", "d"), "d");
  EXPECT_EQ(p.ReadString("s", "spaced key", "d"), "v");
  EXPECT_EQ(p.ReadString("s", "absent", "d"), "d");
  EXPECT_EQ(p.ReadString("other", "plain", "d"), "d");
}

TEST(ProfileRead, NamesIgnoreCaseAndTheFirstDuplicateWins) {
  const ProfileFile p = ProfileFile::Parse(
      "orphan=before any section\n"
      "[Item0]\n"
      "KeyTerm=first\n"
      "keyterm=second key\n"
      "[ITEM0]\n"
      "keyterm=second section\n"
      "other=only here\n");
  EXPECT_EQ(p.ReadString("item0", "keyterm", ""), "first");
  EXPECT_EQ(p.ReadString("iTeM0", "KEYTERM", ""), "first");
  // The reader looks no further than the first section of a name.
  EXPECT_EQ(p.ReadString("item0", "other", "d"), "d");
  EXPECT_EQ(p.ReadString("", "orphan", "d"), "d");
  EXPECT_EQ(p.SectionCount(), 2u);
}

TEST(ProfileRead, ToleratesLfLinesNulBytesAndAMissingFinalNewline) {
  using namespace std::string_literals;
  const ProfileFile p = ProfileFile::Parse("[a]\nk=x\0y\n;c=comment\n[b]\r\nk=last"s);
  EXPECT_EQ(p.ReadString("a", "k", ""), "x\0y"s);
  EXPECT_EQ(p.ReadString("a", ";c", "d"), "d");
  EXPECT_EQ(p.ReadString("b", "k", ""), "last");
  EXPECT_EQ(p.SectionNames(), (std::vector<std::string>{"a", "b"}));
}

TEST(ProfileRead, CutsLongValuesAndHandlesVeryLongLines) {
  const std::string long_value(3000, 'v');
  const std::string huge_line(4 * 1024 * 1024, 'x');
  const ProfileFile p =
      ProfileFile::Parse("[s]\nk=" + long_value + "\n" + huge_line + "\nq=\"" + long_value + "\"");
  EXPECT_EQ(p.ReadString("s", "k", ""), long_value.substr(0, kMaxProfileValue));
  // The quotes go before the cut, so the value's own characters fill the buffer.
  EXPECT_EQ(p.ReadString("s", "q", ""), long_value.substr(0, kMaxProfileValue));
}

TEST(ProfileRead, IntegersAreDecimalOrHexAndAnythingElseGivesTheDefault) {
  const struct {
    const char* text;
    std::int32_t expected;
  } cases[] = {
      {"0", 0},
      {"2", 2},
      {" 17 ", 17},
      {"-5", -5},
      {"+5", 5},
      {"0x1", 1},
      {"0X1f", 31},
      {"$1F", 31},
      {"-$10", -16},
      {"$FFFFFFFF", -1},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"\"3\"", 3},
      // Not numbers: the default (99) comes back.
      {"", 99},
      {"yes", 99},
      {"0x", 99},
      {"$", 99},
      {"1x", 99},
      {"12 3", 99},
      {"2147483648", 99},
      {"$100000000", 99},
      {"0xG", 99},
      {"-", 99},
      {"1.5", 99},
  };
  for (const auto& c : cases) {
    const ProfileFile p = ProfileFile::Parse(std::string("[s]\nn=") + c.text + "\n");
    EXPECT_EQ(p.ReadInteger("s", "n", 99), c.expected) << "n=" << c.text;
  }
  EXPECT_EQ(ProfileFile::Parse("[s]\n").ReadInteger("s", "n", 1), 1);
}

// The listing buffer holds every name with its NUL plus one final NUL; a name counts only when
// it fits whole, and the listing stops at the first that does not.
TEST(ProfileSectionNames, StopAtTheBufferBoundary) {
  std::string text;
  std::size_t used = 0;
  int i = 0;
  // Names "s0000".."s2729", six characters each with the NUL: 2,730 of them use 16,380.
  for (; used + 6 <= kSectionNamesBuffer - 4; ++i, used += 6) {
    char name[16];
    std::snprintf(name, sizeof name, "s%04d", i);
    text += "[" + std::string(name) + "]\n";
  }
  ASSERT_EQ(used, 16380u);
  // One more name of exactly two characters fills the buffer to its final NUL: still listed.
  const ProfileFile fits = ProfileFile::Parse(text + "[ab]\n[c]\n");
  const auto names = fits.SectionNames();
  ASSERT_EQ(names.size(), static_cast<std::size_t>(i) + 1);
  EXPECT_EQ(names.back(), "ab");
  // Three characters would need the final NUL's place: dropped, and so is every later name.
  const ProfileFile over = ProfileFile::Parse(text + "[abc]\n[c]\n");
  EXPECT_EQ(over.SectionNames().size(), static_cast<std::size_t>(i));
  EXPECT_EQ(over.SectionCount(), static_cast<std::size_t>(i) + 2);

  const ProfileFile small = ProfileFile::Parse("[ab]\n[]\n[cd]\n");
  EXPECT_EQ(small.SectionNames(7), (std::vector<std::string>{"ab", "cd"}));
  EXPECT_EQ(small.SectionNames(6), (std::vector<std::string>{"ab"}));
  EXPECT_TRUE(small.SectionNames(3).empty());
  EXPECT_TRUE(small.SectionNames(0).empty());
}

TEST(ProfileWrite, GivesBackWhatWasWrittenExceptLineBreaks) {
  ProfileFile p;
  const std::string values[] = {"plain",  " lead", "trail\t", "\"quoted\"", "'q'",
                                "\"half", "",      "a=b",     "[x]"};
  for (std::size_t i = 0; i < std::size(values); ++i)
    p.WriteString("s", "k" + std::to_string(i), values[i]);
  p.WriteString("s", "multi", "one\r\ntwo\nthree");
  const ProfileFile back = ProfileFile::Parse(p.Text());
  for (std::size_t i = 0; i < std::size(values); ++i)
    EXPECT_EQ(back.ReadString("s", "k" + std::to_string(i), "?"), values[i]);
  EXPECT_EQ(back.ReadString("s", "multi", ""), "one  two three");
  EXPECT_EQ(back.SectionCount(), 1u);
}

TEST(ProfileWrite, UpdatesInPlaceAndKeepsTheRestOfTheFile) {
  ProfileFile p = ProfileFile::Parse(
      "; a comment\n"
      "[One]\n"
      "Key=old\n"
      "stray line\n"
      "[two]\n"
      "x=1\n");
  p.WriteString("one", "KEY", "new");
  p.WriteString("one", "added", "a");
  p.WriteString("three", "y", "2");
  EXPECT_EQ(p.Text(),
            "; a comment\r\n"
            "[One]\r\n"
            "Key=new\r\n"
            "stray line\r\n"
            "added=a\r\n"
            "[two]\r\n"
            "x=1\r\n"
            "[three]\r\n"
            "y=2\r\n");
}

TEST(ProfileRead, RunsOfOtherLinesComeBackAsTheyWereAndHeadersAreBounded) {
  const std::string text =
      "\r\n; comment\r\n\r\n[s]\r\n\r\nstray\r\n; more\r\nk=v\r\n\r\n\r\n[t]\r\n";
  ProfileFile p = ProfileFile::Parse(text);
  EXPECT_EQ(p.Text(), text);
  p.WriteString("s", "new", "1");
  EXPECT_EQ(p.ReadString("s", "k", ""), "v");
  EXPECT_EQ(p.Text(),
            "\r\n; comment\r\n\r\n[s]\r\n\r\nstray\r\n; more\r\nk=v\r\n\r\n\r\nnew=1\r\n[t]\r\n");

  std::string headers;
  for (std::size_t i = 0; i <= kMaxProfileSections; ++i) headers += "[a]\n";
  EXPECT_THROW(ProfileFile::Parse(headers), StoreError);
}

TEST(ProfileRead, AFileOfShortKeyLinesParsesToAboutItsOwnSize) {
  std::string text;
  for (int i = 0; i < 1'000'000; ++i) text += "=\r\n";
  const std::size_t before = mallinfo2().uordblks;
  const ProfileFile p = ProfileFile::Parse(text);
  const std::size_t after = mallinfo2().uordblks;
  // Without sanitizers mallinfo2 counts our heap; a record per line would take some 80 MB.
  EXPECT_LT(after - std::min(after, before), 3 * text.size());
  EXPECT_EQ(p.ReadString("", "", "fallback"), "fallback");
  EXPECT_EQ(p.Text(), text);
}

TEST(ProfileFlush, ReplacesTheFileWholeAndLeavesNothingElseBehind) {
  TempDir dir;
  const std::string path = dir.File("p.ini");
  WriteBytes(path, "[old]\nk=v\n");
  ProfileFile p = ProfileFile::Load(path);
  p.WriteString("old", "k", "w");
  p.Flush();
  EXPECT_EQ(ReadBytes(path), "[old]\r\nk=w\r\n");
  EXPECT_EQ(dir.EntryCount(), 1u);

  const ProfileFile missing = ProfileFile::Load(dir.File("absent.ini"));
  EXPECT_EQ(missing.SectionCount(), 0u);
  EXPECT_EQ(dir.EntryCount(), 1u);
  EXPECT_THROW(ProfileFile::Load(dir.path().string()), StoreError);
}

}  // namespace
}  // namespace quillmark
