#include "store/table_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillmark {
namespace {

// A phrase from a provider must reach a spreadsheet as text, whatever it begins with; numbers
// stay numbers.
TEST(TableExport, NoTextCellCanBecomeAFormula) {
  const struct {
    std::string text, cell;
  } cases[] = {
      {"=HYPERLINK(\"http://x.example\",\"y\")", "'=HYPERLINK(\"http://x.example\",\"y\")"},
      {"+cmd|' /C calc'!A0", "'+cmd|' /C calc'!A0"},
      {"-2+3", "'-2+3"},
      {"@SUM(1)", "'@SUM(1)"},
      {"\t=1", "'\t=1"},
      {"\r=1", "'\r=1"},
      {"-", "'-"},
      {"-5", "-5"},
      {"-0.333", "-0.333"},
      {"-70,5%", "-70,5%"},
      {"- 5", "'- 5"},
      {"a=b", "a=b"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SpreadsheetText(c.text), c.cell) << c.text;
  EXPECT_EQ(CsvLine({"=1", "-2", "x,=y"}), "'=1,-2,\"x,=y\"\r\n");
  EXPECT_EQ(TsvLine({"=1"}), "=1\n") << "tsv is for scripts";
}

// The table export writes an empty cell for every value not measured; the copy shows the cells
// as the list does, "?" included. Both keep formulas out.
TEST(TableExport, UnmeasuredValuesAreEmptyInCsvAndShownInTheCopy) {
  KeywordList list;
  const struct {
    const char* caption;
    std::vector<std::string> texts;
  } rows[] = {
      {"=1+1", {"100", "?", "0", "-", "0%", "0"}},         // no count on the result page
      {"@cheap", {"0", "5000", "0", "2", "99.98%", "0"}},  // no searches last month
      {"-2+3", {"100", "18000000000000000000", "0", "-", "0%", "0"}},
  };
  for (const auto& row : rows) {
    const KeywordRowPtr added = list.Append();
    list.SetCaption(*added, row.caption);
    for (const std::string& text : row.texts) list.AppendSubItem(*added, text);
  }
  const std::string titles =
      "Keyword,Demand,Supply,Cost-per-Prospect,Rank #,Profitability,Estimated prospects #,"
      "Keyword Effectiveness\r\n";
  EXPECT_EQ(KeywordTableCsv(list), titles +
                                       "'=1+1,100,,,'-,0%,0,\r\n"
                                       "'@cheap,0,5000,,2,99.98%,0,\r\n"
                                       "'-2+3,100,18000000000000000000,,'-,0%,0,\r\n");
  EXPECT_EQ(KeywordRowsTsv(list, {2, 0}),
            "Keyword\tDemand\tSupply\tCost-per-Prospect\tRank #\tProfitability\t"
            "Estimated prospects #\tKeyword Effectiveness\n"
            "'-2+3\t100\t18000000000000000000\t0\t'-\t0%\t0\t\n"
            "'=1+1\t100\t?\t?\t'-\t0%\t0\t\n");
}

}  // namespace
}  // namespace quillmark
