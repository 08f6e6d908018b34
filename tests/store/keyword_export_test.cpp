#include "store/keyword_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "store/regular_file.h"
#include "store/store_error.h"
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

TEST(RegularFile, RefusesWhatIsNotAPlainFile) {
  TempDir dir;
  dir.Write("plain.qmk", "");
  ASSERT_EQ(::mkfifo(dir.File("pipe.qmk").c_str(), 0600), 0);
  const struct {
    std::string path;
    MissingFile missing;
    const char* reason;  // nullptr: accepted
  } cases[] = {
      {dir.File("plain.qmk"), MissingFile::kRefuse, nullptr},
      {dir.File("absent.qmk"), MissingFile::kAllow, nullptr},
      {dir.File("absent.qmk"), MissingFile::kRefuse, "No such file or directory"},
      {dir.File("pipe.qmk"), MissingFile::kAllow, "Not a regular file"},
      {dir.path().string(), MissingFile::kAllow, "Is a directory"},
      {"/dev/zero", MissingFile::kRefuse, "Not a regular file"},
  };
  for (const auto& c : cases) {
    try {
      RequireRegularFile("open", c.path, c.missing);
      EXPECT_EQ(c.reason, nullptr) << c.path;
    } catch (const StoreError& e) {
      ASSERT_NE(c.reason, nullptr) << c.path;
      EXPECT_EQ(std::string(e.what()), "cannot open " + c.path + ": " + c.reason);
    }
  }
}

}  // namespace
}  // namespace quillmark
