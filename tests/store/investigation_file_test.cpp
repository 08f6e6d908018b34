#include "store/investigation_file.h"

#include "store/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/store_error.h"
#include "store/support/file_size_limit.h"
#include "support/temp_dir.h"

namespace quillmark {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct Row {
  std::string caption;
  std::vector<std::string> sub_items;
  bool checked = false;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  out << "{\"" << row.caption << "\" [";
  for (const auto& s : row.sub_items) out << '"' << s << "\" ";
  return out << "] " << (row.checked ? "checked" : "unchecked") << "}";
}

void Fill(KeywordList& list, const std::vector<Row>& rows) {
  for (const Row& r : rows) {
    KeywordRow& row = *list.Append();
    list.SetCaption(row, r.caption);
    for (const auto& s : r.sub_items) list.AppendSubItem(row, s);
    list.SetChecked(row, r.checked);
  }
}

std::vector<Row> Contents(const KeywordList& list) {
  std::vector<Row> rows;
  for (const auto& r : list.Rows()) rows.push_back({r->Caption(), r->SubItems(), r->Checked()});
  return rows;
}

std::vector<Row> Open(const std::string& path) {
  KeywordList list;
  OpenInvestigationFile(list, path);
  return Contents(list);
}

const std::vector<std::string> kEmpty(6);

TEST(InvestigationSave, WritesOneSectionPerRowWithTheKeysInOrder) {
  TempDir dir;
  KeywordList list;
  Fill(list, {{"blue widgets", {"120", "45000", "375", "3", "37.5%", "45"}, true},
              {"", {"7", "?", "0", "-", "0%", "0"}, false}});
  SaveInvestigationFile(list, dir.File("a.qmk"));
  EXPECT_EQ(ReadBytes(dir.File("a.qmk")),
            "[item0]\r\nkeyterm=blue widgets\r\ndemand=120\r\ncompetition=45000\r\ncost=375\r\n"
            "rank=3\r\nprofitability=37.5%\r\nestimation=45\r\ncheck=1\r\n"
            "[item1]\r\nkeyterm=\r\ndemand=7\r\ncompetition=?\r\ncost=0\r\n"
            "rank=-\r\nprofitability=0%\r\nestimation=0\r\ncheck=0\r\n");
}

TEST(InvestigationSave, RoundTripsTheTextsShown) {
  TempDir dir;
  const std::string long_text(3000, 'k');
  const std::vector<Row> rows = {
      {"placeholders", {"12", "?", "0", "-", "0%", "0"}, false},
      {"", kEmpty, true},
      {long_text, {long_text, "1", "2", "3", "-12.5%", "4"}, true},
      {" blanks ", {"\"quoted\"", "'single'", "=", "[item9]", ";x", "1,5"}, false},
  };
  KeywordList list;
  Fill(list, rows);
  SaveInvestigationFile(list, dir.File("r.qmk"));

  std::vector<Row> expected = rows;
  expected[2].caption.resize(kMaxProfileValue);
  expected[2].sub_items[0].resize(kMaxProfileValue);
  EXPECT_EQ(Open(dir.File("r.qmk")), expected);
}

TEST(InvestigationSave, KeepsEveryRowWellFormed) {
  TempDir dir;
  KeywordList list;
  // A keyword holding a line break, and a row a paused run is still filling.
  Fill(list, {{"two\nlines\r\n[item7]", {"1", "2", "3", "4", "5%", "6"}, true},
              {"half done", {"10", "200"}, false},
              {"after", {"1", "1", "1", "1", "1%", "1"}, false}});
  SaveInvestigationFile(list, dir.File("w.qmk"));
  EXPECT_EQ(Open(dir.File("w.qmk")),
            (std::vector<Row>{{"two lines  [item7]", {"1", "2", "3", "4", "5%", "6"}, true},
                              {"half done", {"10", "200", "", "", "", ""}, false},
                              {"after", {"1", "1", "1", "1", "1%", "1"}, false}}));
}

TEST(InvestigationSave, ReplacesALongerFileWithExactlyTheSavedRows) {
  TempDir dir;
  const std::string path = dir.File("x.qmk");
  KeywordList five;
  Fill(five, std::vector<Row>(5, {"old", kEmpty, true}));
  SaveInvestigationFile(five, path);
  // A foreign section too: it would count as a row when reopened.
  WriteBytes(path, ReadBytes(path) + "[notes]\r\nby=hand\r\n");

  KeywordList three;
  Fill(three, std::vector<Row>(3, {"new", kEmpty, false}));
  SaveInvestigationFile(three, path);
  EXPECT_EQ(Open(path), std::vector<Row>(3, {"new", kEmpty, false}));

  // An empty list writes nothing: the file stays as it was.
  const std::string before = ReadBytes(path);
  EXPECT_FALSE(SaveInvestigationFile(KeywordList(), path));
  EXPECT_EQ(ReadBytes(path), before);
  EXPECT_EQ(dir.EntryCount(), 1u);
  EXPECT_FALSE(SaveInvestigationFile(KeywordList(), dir.File("none.qmk")));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(InvestigationSave, WhatIsNoRegularFileIsRefusedAndKeptAsItWas) {
  TempDir dir;
  const std::string fifo = dir.File("pipe.qmk");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string folder = dir.File("folder.qmk");
  std::filesystem::create_directory(folder);
  KeywordList one;
  Fill(one, {{"row", kEmpty, true}});
  for (const std::string& path : {fifo, folder}) {
    SCOPED_TRACE(path);
    EXPECT_NE(ReplaceRefusal(path), "");
    EXPECT_THROW(SaveInvestigationFile(one, path), StoreError);
  }
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ(dir.EntryCount(), 2u);
  EXPECT_EQ(ReplaceRefusal(dir.File("new.qmk")), "");
}

TEST(InvestigationSave, AFailedSaveRaisesAndKeepsTheOldFile) {
  TempDir dir;
  KeywordList list;
  Fill(list, {{"k", kEmpty, true}});
  try {
    SaveInvestigationFile(list, dir.File("missing/y.qmk"));
    FAIL() << "save into a missing folder succeeded";
  } catch (const StoreError& e) {
    EXPECT_EQ(std::string(e.what()),
              "cannot write " + dir.File("missing/y.qmk") + ": No such file or directory");
  }

  const std::string path = dir.File("full.qmk");
  SaveInvestigationFile(list, path);
  const std::string old = ReadBytes(path);
  KeywordList big;
  Fill(big, std::vector<Row>(500, {"a longer keyword", kEmpty, true}));
  {
    testing::FileSizeLimit full(4096);
    EXPECT_THROW(SaveInvestigationFile(big, path), StoreError);
  }
  EXPECT_EQ(ReadBytes(path), old);
  EXPECT_EQ(Open(path), (std::vector<Row>{{"k", kEmpty, true}}));
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(InvestigationSave, AReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  TempDir dir;
  KeywordList list;
  Fill(list, {{"k", kEmpty, true}});
  const std::string path = dir.File("ro/keep.qmk");
  ::mkdir(dir.File("ro").c_str(), 0755);
  WriteBytes(path, "[item0]\r\nkeyterm=kept\r\n");
  ::chmod(dir.File("ro").c_str(), 0555);
  EXPECT_THROW(SaveInvestigationFile(list, path), StoreError);
  ::chmod(dir.File("ro").c_str(), 0755);
  EXPECT_EQ(ReadBytes(path), "[item0]\r\nkeyterm=kept\r\n");
}

TEST(InvestigationSave, AReadOnlyFileIsNotReplaced) {
  TempDir dir;
  const std::string path = dir.File("ro.qmk");
  WriteBytes(path, "[item0]\r\nkeyterm=kept\r\n");
  ::chmod(path.c_str(), 0444);
  // The folder stays writable: only the file's own permission protects it. Root may write any
  // file, so the save runs in a child as an ordinary user.
  ::chmod(dir.path().c_str(), 0777);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    KeywordList list;
    Fill(list, {{"k", kEmpty, true}});
    try {
      SaveInvestigationFile(list, path);
    } catch (const StoreError&) {
      ::_exit(1);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1) << "0: the save replaced a read-only file";
  EXPECT_EQ(ReadBytes(path), "[item0]\r\nkeyterm=kept\r\n");
  EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST(InvestigationOpen, AppendsAfterTheRowsAlreadyThereInOneStep) {
  TempDir dir;
  const std::string path = dir.File("o.qmk");
  KeywordList saved;
  Fill(saved, {{"a", kEmpty, true}, {"b", kEmpty, false}, {"c", kEmpty, true}});
  SaveInvestigationFile(saved, path);

  struct Counter : KeywordListObserver {
    std::vector<std::pair<std::size_t, std::size_t>> appends;
    void RowsAppended(std::size_t first, std::size_t count) override {
      appends.emplace_back(first, count);
    }
  } counter;
  KeywordList list;
  Fill(list, std::vector<Row>(5, {"mine", kEmpty, false}));
  list.AddObserver(&counter);
  OpenInvestigationFile(list, path);
  OpenInvestigationFile(list, path);
  list.RemoveObserver(&counter);

  ASSERT_EQ(list.Count(), 11u);
  EXPECT_EQ(list.Row(5)->Caption(), "a");
  EXPECT_EQ(list.Row(10)->Caption(), "c");
  EXPECT_EQ(list.Row(10)->Index(), 10u);
  EXPECT_EQ(counter.appends, (std::vector<std::pair<std::size_t, std::size_t>>{{5, 3}, {8, 3}}));
}

TEST(InvestigationOpen, ReadsFilesWrittenByOtherHands) {
  TempDir dir;
  const std::string path = dir.File("hand.qmk");
  // LF lines, blanks and quotes, names in other cases, every kind of check value, a gap in the
  // numbering and a foreign section.
  WriteBytes(path,
             "[ITEM0]\n"
             "KeyTerm =  \"  spaced  \"  \n"
             "demand= 5 \n"
             "check=yes\n"
             "[item1]\ncheck=0\n"
             "[item2]\ncheck=2\n"
             "[item3]\ncheck=0x1\n"
             "[item4]\ncheck=$1F\n"
             "[item5]\ncheck=0x\n"
             "[item6]\ncheck=0x0\n"
             "[item9]\nkeyterm=beyond the count\n"
             "[settings]\nkeyterm=foreign\n");
  const std::vector<Row> rows = Open(path);
  ASSERT_EQ(rows.size(), 9u);
  EXPECT_EQ(rows[0], (Row{"  spaced  ", {"5", "", "", "", "", ""}, true}));
  const bool checks[] = {true, false, true, true, true, true, false, true, true};
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].checked, checks[i]) << i;
  // item7 and item8 are absent: empty rows, checked. item9 is never reached.
  EXPECT_EQ(rows[7], (Row{"", kEmpty, true}));
  EXPECT_EQ(rows[8], (Row{"", kEmpty, true}));
}

TEST(InvestigationOpen, CountsSectionsNotTheirNumbers) {
  TempDir dir;
  WriteBytes(dir.File("gap.qmk"), "[item0]\r\nkeyterm=first\r\n[item5]\r\nkeyterm=fifth\r\n");
  EXPECT_EQ(Open(dir.File("gap.qmk")),
            (std::vector<Row>{{"first", kEmpty, true}, {"", kEmpty, true}}));

  WriteBytes(dir.File("none.qmk"), "keyterm=no section\r\n");
  EXPECT_TRUE(Open(dir.File("none.qmk")).empty());
  EXPECT_TRUE(Open(dir.File("absent.qmk")).empty());

  KeywordList list;
  EXPECT_THROW(OpenInvestigationFile(list, dir.path().string()), StoreError);
  EXPECT_TRUE(list.Empty());
}

TEST(InvestigationOpen, AFifoIsRefusedInsteadOfHanging) {
  TempDir dir;
  const std::string path = dir.File("pipe.qmk");
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  // In a child with an alarm, so that a hang fails the test instead of stalling it.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::alarm(5);
    KeywordList list;
    try {
      OpenInvestigationFile(list, path);
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(InvestigationOpen, ReopensListsLargerThanTheSectionNameBuffer) {
  TempDir dir;
  KeywordList list;
  std::vector<Row> rows;
  for (int i = 0; i < 3000; ++i)
    rows.push_back(
        {"k" + std::to_string(i), {std::to_string(i), "1", "2", "3", "4%", "5"}, i % 2 == 1});
  Fill(list, rows);
  SaveInvestigationFile(list, dir.File("big.qmk"));
  ASSERT_LT(ProfileFile::Load(dir.File("big.qmk")).SectionNames().size(), rows.size());
  EXPECT_EQ(Open(dir.File("big.qmk")), rows);
}

}  // namespace
}  // namespace quillmark
