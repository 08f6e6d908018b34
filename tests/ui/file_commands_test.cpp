#include "ui/file_commands.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QWidget>
#include <filesystem>
#include <string>
#include <vector>

#include "research/column_compare.h"
#include "research/support/fake_host.h"
#include "store/investigation_file.h"
#include "store/support/file_size_limit.h"
#include "support/temp_dir.h"
#include "ui/message_box.h"

namespace quillmark::ui {
namespace {

using Captions = std::vector<std::string>;

Captions CaptionsOf(const KeywordList& list) {
  Captions captions;
  for (const auto& row : list.Rows()) captions.push_back(row->Caption());
  return captions;
}

void AddRows(KeywordList& list, const Captions& captions, bool checked = false) {
  for (const std::string& caption : captions) {
    KeywordRow& row = *list.Append();
    list.SetCaption(row, caption);
    list.AppendSubItem(row, "10");
    list.SetChecked(row, checked);
  }
}

// The settings and the home folder of a user of its own, for as long as it lives.
class PrivateUser {
 public:
  PrivateUser() : home_before_(::getenv("HOME") ? ::getenv("HOME") : "/") {
    ::setenv("QUILLMARK_CONFIG_DIR", config_.path().c_str(), 1);
    ::setenv("HOME", home_.path().c_str(), 1);
  }
  ~PrivateUser() {
    ::unsetenv("QUILLMARK_CONFIG_DIR");
    ::setenv("HOME", home_before_.c_str(), 1);
  }
  const testing::TempDir& Home() const { return home_; }

 private:
  testing::TempDir config_{"quillmark-config"};
  testing::TempDir home_{"quillmark-home"};
  std::string home_before_;
};

class FileCommandsTest : public ::testing::Test {
 protected:
  // Answers the next dialog with `name` below the test's folder ("" cancels) and runs `command`.
  void Choose(const std::string& name, void (FileCommands::*command)()) {
    FileDialog::AnswerNext(
        name.empty() ? QString()
                     : QString::fromStdString(name.front() == '/' ? name : dir.File(name)));
    const int stops_before = stops;
    (commands.*command)();
    EXPECT_EQ(stops, stops_before + 1);  // the Stop command comes first, whatever follows
    EXPECT_EQ(FileDialog::PendingAnswers(), 0u);
  }

  Captions Reopened(const std::string& name) {
    KeywordList list;
    OpenInvestigationFile(list, dir.File(name));
    return CaptionsOf(list);
  }

  PrivateUser user;
  testing::TempDir dir;
  testing::FakeHost host;
  QWidget window;
  int stops = 0;
  FileCommands commands{window, host, [this] { ++stops; }};
  RecordedMessages messages;
};

TEST_F(FileCommandsTest, SaveWritesTheListAsShownReplacingALongerFile) {
  AddRows(host.keywords, {"e", "d", "c", "b", "a"});
  Choose("results.qmk", &FileCommands::SaveInvestigationFile);
  host.keywords.Clear();
  AddRows(host.keywords, {"Pear", "apple", "fig"});
  SortKeywordList(host.keywords, kColumnKeyword);
  Choose("results.qmk", &FileCommands::SaveInvestigationFile);
  EXPECT_EQ(Reopened("results.qmk"), (Captions{"apple", "fig", "Pear"}));
  EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(FileCommandsTest, OpenAppendsTheFilesRowsEachTimeItIsChosen) {
  KeywordList saved;
  AddRows(saved, {"a", "b"});
  SaveInvestigationFile(saved, dir.File("two.qmk"));
  AddRows(host.keywords, {"x"});
  Choose("two.qmk", &FileCommands::OpenInvestigationFile);
  Choose("two.qmk", &FileCommands::OpenInvestigationFile);
  EXPECT_EQ(CaptionsOf(host.keywords), (Captions{"x", "a", "b", "a", "b"}));
}

TEST_F(FileCommandsTest, ExportWritesTheCheckedKeywordsOnly) {
  AddRows(host.keywords, {"one", "two"}, true);
  AddRows(host.keywords, {"not me"});
  AddRows(host.keywords, {"three"}, true);
  Choose("keywords.txt", &FileCommands::SaveKeywordsList);
  EXPECT_EQ(dir.Read("keywords.txt"), "one\ntwo\nthree\n");
}

// Spreadsheets read RFC 4180 in UTF-8 (Excel only with the byte-order mark): every row with all
// eight columns, as the list shows it, a value not measured as an empty cell.
TEST_F(FileCommandsTest, ExportTableWritesEveryRowAsCsvInUtf8) {
  KeywordList& list = host.keywords;
  KeywordRow& quoted = *list.Append();
  list.SetCaption(quoted, "boots, \"red\"");
  for (const char* text : {"1,200", "20", "0.017", "-", "0%", "0"})
    list.AppendSubItem(quoted, text);
  // A single-byte letter that is no UTF-8, in a row a stopped run left unfinished.
  KeywordRow& stopped = *list.Append();
  list.SetCaption(stopped, "caf\xE9 \xC3\xA9t\xC3\xA9");
  list.AppendSubItem(stopped, "5");
  Choose("table.csv", &FileCommands::ExportTable);
  EXPECT_EQ(dir.Read("table.csv"),
            "\xEF\xBB\xBFKeyword,Demand,Supply,Cost-per-Prospect,Rank #,Profitability,"
            "Estimated prospects #,Keyword Effectiveness\r\n"
            "\"boots, \"\"red\"\"\",,20,,'-,0%,,\r\n"
            "caf\xEF\xBF\xBD \xC3\xA9t\xC3\xA9,5,,,,,,\r\n");
  EXPECT_TRUE(messages.Texts().isEmpty());
}

// Like a desktop program: titled, proposing the seed in the folder last exported to (else the
// documents folder, else home), and never replacing a file without asking.
TEST_F(FileCommandsTest, ExportStartsWhereTheLastWentAndAsksBeforeReplacing) {
  FileDialog& dialog = commands.TableExportDialog();
  EXPECT_EQ(dialog.Title(), QStringLiteral("Export Table"));
  EXPECT_EQ(dialog.InitialDir().toStdString(), user.Home().path().string());
  std::filesystem::create_directory(user.Home().File("Documents"));
  EXPECT_EQ(FileCommands(window, host, {}).TableExportDialog().InitialDir().toStdString(),
            user.Home().File("Documents"));
  commands.SetSaveDialogsFileName(QStringLiteral("blue/green widgets"));
  EXPECT_EQ(dialog.FileName(), QStringLiteral("blue-green widgets.csv"));

  AddRows(host.keywords, {"x"});
  Choose("table.csv", &FileCommands::ExportTable);
  EXPECT_TRUE(messages.Texts().isEmpty()) << "a new file is not asked about";
  EXPECT_EQ(dialog.InitialDir().toStdString(), dir.path().string());
  EXPECT_EQ(FileCommands(window, host, {}).TableExportDialog().InitialDir().toStdString(),
            dir.path().string())
      << "the next start begins there too";

  // No: the dialog comes back, and a cancel then leaves the file alone.
  dir.Write("table.csv", "mine");
  FileDialog::AnswerNext(QString::fromStdString(dir.File("table.csv")));
  Choose("", &FileCommands::ExportTable);
  EXPECT_EQ(
      messages.Texts(),
      QStringList{QStringLiteral("\"table.csv\" already exists.\nDo you want to replace it?")});
  EXPECT_EQ(dir.Read("table.csv"), "mine");
  messages.Answer(true);
  Choose("table.csv", &FileCommands::ExportTable);
  EXPECT_EQ(messages.Texts().size(), 2);
  EXPECT_NE(dir.Read("table.csv"), "mine");
}

TEST_F(FileCommandsTest, CancelledDialogsChangeNothing) {
  AddRows(host.keywords, {"x"});
  for (auto command : {&FileCommands::OpenInvestigationFile, &FileCommands::SaveInvestigationFile,
                       &FileCommands::SaveKeywordsList, &FileCommands::ExportTable})
    Choose("", command);
  EXPECT_EQ(dir.EntryCount(), 0u);
  EXPECT_EQ(CaptionsOf(host.keywords), Captions{"x"});
  EXPECT_TRUE(messages.Texts().isEmpty());
}

TEST_F(FileCommandsTest, FailuresAreShownAndLeaveTheListAndFilesAlone) {
  ASSERT_EQ(::mkfifo(dir.File("pipe.qmk").c_str(), 0600), 0);
  std::filesystem::create_directory(dir.File("folder.qmk"));
  // A 2 GB file costs nothing on disk when it is all hole.
  std::filesystem::resize_file(dir.Write("huge.qmk", ""), 2ull << 30);
  const struct {
    const char* name;
    void (FileCommands::*command)();
    const char* message;
  } cases[] = {
      {"absent.qmk", &FileCommands::OpenInvestigationFile,
       "Could not open \"absent.qmk\": No such file or directory."},
      {"pipe.qmk", &FileCommands::OpenInvestigationFile,
       "Could not open \"pipe.qmk\": Not a regular file."},
      {"folder.qmk", &FileCommands::OpenInvestigationFile,
       "Could not open \"folder.qmk\": Is a directory."},
      {"huge.qmk", &FileCommands::OpenInvestigationFile,
       "Could not open \"huge.qmk\": File too large."},
      {"folder.qmk", &FileCommands::SaveInvestigationFile,
       "Could not save \"folder.qmk\": Is a directory."},
      {"no/such/x.qmk", &FileCommands::SaveInvestigationFile,
       "Could not save \"x.qmk\": No such file or directory."},
      {"pipe.qmk", &FileCommands::SaveKeywordsList,
       "Could not save \"pipe.qmk\": Not a regular file."},
      {"folder.qmk", &FileCommands::ExportTable,
       "Could not export \"folder.qmk\": Is a directory."},
  };
  AddRows(host.keywords, {"kept"});
  for (const auto& c : cases) {
    Choose(c.name, c.command);
    ASSERT_FALSE(messages.Texts().isEmpty()) << c.name;
    EXPECT_EQ(messages.Texts().back().toStdString(), c.message);
    EXPECT_EQ(CaptionsOf(host.keywords), Captions{"kept"});
  }
  EXPECT_EQ(messages.Texts().size(), static_cast<qsizetype>(std::size(cases)));
}

// A small file system of its own where we may mount one (as root); the test is skipped where
// it cannot be made to fail as asked.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& path) : path_(path) {
    mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  ~SmallDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  bool MakeReadOnly() {
    return ::mount(nullptr, path_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  std::string path_;
  bool mounted_ = false;
};

TEST_F(FileCommandsTest, SaveOntoAFullOrReadOnlyDiskKeepsTheOldFile) {
  const std::string folder = dir.File("disk");
  std::filesystem::create_directory(folder);
  SmallDisk disk(folder);
  if (!disk.Mounted() && ::geteuid() == 0) GTEST_SKIP() << "cannot mount a small disk";
  const std::string old_text = "[item0]\r\nkeyterm=old\r\n";
  testing::WriteBytes(folder + "/old.qmk", old_text);
  // A thousand rows need more room than is left.
  for (int i = 0; i < 1000; ++i)
    AddRows(host.keywords, {"a phrase long enough " + std::to_string(i)});
  {
    std::unique_ptr<testing::FileSizeLimit> limit;
    if (disk.Mounted()) {
      testing::WriteBytes(folder + "/filler", std::string(40 * 1024, 'x'));
    } else {
      limit = std::make_unique<testing::FileSizeLimit>(4096);
    }
    Choose(folder + "/old.qmk", &FileCommands::SaveInvestigationFile);
  }
  ASSERT_EQ(messages.Texts().size(), 1);
  EXPECT_EQ(messages.Texts().back().toStdString(),
            disk.Mounted() ? "Could not save \"old.qmk\": No space left on device."
                           : "Could not save \"old.qmk\": File too large.");

  if (disk.Mounted() ? !disk.MakeReadOnly() : ::chmod(folder.c_str(), 0555) != 0)
    GTEST_SKIP() << "cannot make the folder read-only";
  Choose(folder + "/old.qmk", &FileCommands::SaveInvestigationFile);
  ASSERT_EQ(messages.Texts().size(), 2);
  EXPECT_EQ(messages.Texts().back().toStdString(),
            disk.Mounted() ? "Could not save \"old.qmk\": Read-only file system."
                           : "Could not save \"old.qmk\": Permission denied.");
  EXPECT_EQ(testing::ReadBytes(folder + "/old.qmk"), old_text);
}

}  // namespace
}  // namespace quillmark::ui
