#include "store/keyword_export.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace quillmark {
namespace {

using testing::TempDir;

TEST(KeywordExport, WritesTheCheckedKeywordsInListOrderOnePerLine) {
  KeywordList list;
  for (const char* caption : {"zebra", "skipped", "apple pie", "", "two\r\nlines"}) {
    KeywordRow& row = *list.Append();
    list.SetCaption(row, caption);
    list.SetChecked(row, std::string(caption) != "skipped");
  }
  TempDir dir;
  dir.Write("old.txt", "an older and much longer list of keywords\n");
  SaveKeywordsList(list, dir.File("old.txt"));
  EXPECT_EQ(dir.Read("old.txt"), "zebra\napple pie\n\ntwo  lines\n");

  list.CheckAll(false);
  EXPECT_EQ(CheckedKeywordsText(list), "");
}

}  // namespace
}  // namespace quillmark
