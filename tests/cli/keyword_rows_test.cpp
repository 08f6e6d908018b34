#include "cli/keyword_rows.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quillmark::cli {
namespace {

// The window tints a figure that is no real value; qmk says which and why.
TEST(KeywordRows, FiguresThatAreNotRealAreNamedWithTheirCause) {
  KeywordList list;
  const struct {
    const char* caption;
    std::vector<std::string> texts;
  } rows[] = {
      {"measured", {"100", "5000", "50", "1", "100%", "100"}},
      {"no searches", {"0", "5000", "0", "1", "100%", "0"}},
      {"huge", {"100", "18000000000000000000", "0", "1", "100%", "100"}},
  };
  for (const auto& row : rows) {
    const KeywordRowPtr added = list.Append();
    list.SetCaption(*added, row.caption);
    for (const std::string& text : row.texts) list.AppendSubItem(*added, text);
  }
  std::ostringstream err;
  ReportValuesNotReal(list, err);
  EXPECT_EQ(err.str(),
            "qmk: row \"no searches\": no searches last month (a demand of 0), so "
            "Cost-per-Prospect is not real\n"
            "qmk: row \"huge\": 18000000000000000000 pages counted; the indices calculate with "
            "counts up to 2147483647 only, so Cost-per-Prospect, Profitability and Estimated "
            "prospects # are not real\n");
}

}  // namespace
}  // namespace quillmark::cli
