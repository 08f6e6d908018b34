#include "cli/row_output.h"

#include <gtest/gtest.h>

#include <sstream>

namespace quillmark::cli {
namespace {

std::string Written(const RowTable& table, OutputFormat format) {
  std::ostringstream out;
  WriteRows(out, table, format);
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
}

}  // namespace
}  // namespace quillmark::cli
