#include "cli/row_output.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillmark::cli {
namespace {

std::string Written(const RowTable& table, OutputFormat format, bool to_terminal = false) {
  std::ostringstream out;
  WriteRows(out, table, format, to_terminal);
  return out.str();
}

// Captions come from fetched pages and opened files: the table for people must not pass
// terminal control sequences through, while the script formats keep the bytes.
TEST(RowOutput, TableShowsNoControlBytesScriptFormatsKeepThem) {
  RowTable table;
  table.titles = {"Keyword", "Demand"};
  table.right_aligned = {false, true};
  table.rows = {{"red\x1b]0;owned\x07 shoes\tnow", "7\x7f"}};

  EXPECT_EQ(Written(table, OutputFormat::kTable),
            "Keyword                  Demand\n"
            "-----------------------  ------\n"
            "red?]0;owned? shoes now      7?\n");
  EXPECT_EQ(Written(table, OutputFormat::kTsv), "red\x1b]0;owned\x07 shoes now\t7\x7f\n");
  EXPECT_EQ(Written(table, OutputFormat::kCsv),
            "Keyword,Demand\r\nred\x1b]0;owned\x07 shoes\tnow,7\x7f\r\n");
  // Unless they are going to a terminal after all.
  EXPECT_EQ(Written(table, OutputFormat::kTsv, true), "red?]0;owned? shoes now\t7?\n");
}

// csv is for spreadsheets: no text in it becomes a formula, and a figure nobody measured is an
// empty cell; tsv is for scripts and keeps the texts, "?" included.
TEST(RowOutput, CsvKeepsFormulasOutAndUnmeasuredFiguresEmpty) {
  RowTable table;
  table.titles = {"Keyword", "Cost"};
  table.rows = {{"-2+3", "?"}, {"@SUM(1)", "-0.5"}};
  table.unmeasured = {{false, true}};
  EXPECT_EQ(Written(table, OutputFormat::kCsv), "Keyword,Cost\r\n'-2+3,\r\n'@SUM(1),-0.5\r\n");
  EXPECT_EQ(Written(table, OutputFormat::kTsv), "-2+3\t?\n@SUM(1)\t-0.5\n");
}

TEST(RowOutput, C1ControlsAreMadeSafeAndUtf8KeepsItsCharacters) {
  const struct {
    std::string text, safe;
    std::size_t width;
  } cases[] = {
      {"caf\xC3\xA9", "caf\xC3\xA9", 4},                            // UTF-8 é
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC", 4},  // two wide characters
      {"a\x9B"
       "31m",
       "a?31m", 5},  // the single-byte CSI
      {"a\xC2\x9B"
       "31m",
       "a?31m", 5},               // the same written in UTF-8
      {"caf\xE9", "caf\xE9", 4},  // a single-byte letter stays
      {"\xE2\x82", "\xE2?", 2},   // a cut sequence: a letter and a C1 byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.safe);
    EXPECT_EQ(TerminalSafe(c.text), c.safe);
    EXPECT_EQ(DisplayWidth(TerminalSafe(c.text)), c.width);
  }
  RowTable table;
  table.titles = {"Keyword", "N"};
  table.right_aligned = {false, true};
  table.rows = {{"caf\xC3\xA9", "1"}, {"cafe", "2"}};
  EXPECT_EQ(Written(table, OutputFormat::kTable),
            "Keyword  N\n-------  -\ncaf\xC3\xA9     1\ncafe     2\n");
}

}  // namespace
}  // namespace quillmark::cli
