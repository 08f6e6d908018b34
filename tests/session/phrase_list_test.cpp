// The user's own phrases as a list research takes them: lines and CSV cells, trimmed, repeats and
// phrases the list cannot show skipped and counted, the size bound.

#include "session/phrase_list.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace quillmark::session {
namespace {

using Lines = std::vector<std::string>;

TEST(PhraseListTest, LinesAreTrimmedAndRepeatsAndUnshowablePhrasesCounted) {
  const struct Case {
    Lines lines;
    Lines phrases;
    std::size_t duplicates;
    std::size_t left_out;
  } cases[] = {
      {{"  garden sheds ", "", "\t", "shed plans"}, {"garden sheds", "shed plans"}, 0, 0},
      {{"Garden Sheds", "garden sheds", "GARDEN SHEDS ", "x"}, {"Garden Sheds", "x"}, 2, 0},
      {{"a;b", "<b>x</b>", "ok", "tab\tinside"}, {"ok"}, 0, 3},
      {{"AT&T", "c++ & c#", "caf\xC3\xA9", "CAF\xC3\xA9"},
       {"AT&T", "c++ & c#", "caf\xC3\xA9"},
       1,
       0},
  };
  for (const Case& c : cases) {
    const PhraseList list = ReadPhrases(c.lines);
    EXPECT_EQ(list.phrases, c.phrases);
    EXPECT_EQ(list.duplicates, c.duplicates) << c.lines[0];
    EXPECT_EQ(list.left_out, c.left_out) << c.lines[0];
  }
  EXPECT_EQ(PhraseListText(ReadPhrases({"a", "A", "b;"})),
            "1 phrase; 1 duplicate skipped; 1 left out: it holds characters the list cannot show");
}

TEST(PhraseListTest, AThousandPhrasesAreTakenOneMoreIsRefusedWithTheCount) {
  Lines lines;
  for (std::size_t i = 0; i < kMaxListPhrases; ++i) lines.push_back("phrase " + std::to_string(i));
  EXPECT_EQ(PhraseListRefusal(ReadPhrases(lines)), "");
  lines.push_back("phrase " + std::to_string(kMaxListPhrases) + " ");
  lines.push_back("PHRASE 0");  // a repeat does not count
  EXPECT_EQ(PhraseListRefusal(ReadPhrases(lines)),
            "1001 phrases: at most 1000 can be researched in one run");
  EXPECT_EQ(PhraseListRefusal(ReadPhrases({"", "  "})), "the list holds no phrase to research");
}

TEST(PhraseListTest, TextLinesAndCsvFirstCells) {
  EXPECT_EQ(TextLines("\xEF\xBB\xBF"
                      "a\r\nb\rc\n\nd"),
            (Lines{"a", "b", "c", "", "d"}));
  const struct Case {
    std::string csv;
    Lines cells;
  } cases[] = {
      {"garden sheds,1200,x\r\nshed plans,90\r\n", {"garden sheds", "shed plans"}},
      // Export Table's own file: byte-order mark, header, quotes, the guard before a formula.
      {"\xEF\xBB\xBFKeyword,Demand\r\n\"sheds, cheap\",1\r\n'=cmd,2\r\n\"say \"\"hi\"\"\",3\r\n",
       {"sheds, cheap", "=cmd", "say \"hi\""}},
      // A line break inside a later quoted cell belongs to its record.
      {"a,\"two\nlines\"\nb,1", {"a", "b"}},
      {"6\" shed,1\n'plain", {"6\" shed", "'plain"}},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvFirstColumn(c.csv), c.cells) << c.csv;
}

TEST(PhraseListTest, AFileIsReadAsCsvByItsNameOnly) {
  testing::TempDir dir("qm-phrases");
  const Lines csv{"a", "c"};
  const Lines lines{"a,b", "c,d", ""};
  for (const auto& [name, read] : {std::pair{"list.csv", csv}, std::pair{"list.CSV", csv},
                                   std::pair{"list.txt", lines}, std::pair{"list", lines}}) {
    testing::WriteBytes(dir.path() / name, "a,b\nc,d\n");
    EXPECT_EQ(ReadPhraseFile((dir.path() / name).string()), read) << name;
  }
  EXPECT_THROW(ReadPhraseFile((dir.path() / "missing.txt").string()), std::runtime_error);
}

}  // namespace
}  // namespace quillmark::session
