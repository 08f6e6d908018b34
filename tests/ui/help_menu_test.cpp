// Help > Contents and the homepage entry: the help file is found wherever the program keeps it,
// never in the current folder, and both entries leave a run going.

#include <QCoreApplication>
#include <filesystem>

#include "ui/desktop_open.h"
#include "ui/help_file.h"
#include "ui/homepage.h"
#include "ui/message_box.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

namespace fs = std::filesystem;

TEST(HelpFileTest, TheFirstFolderHoldingAHelpFileWins) {
  TempDir root{"quillmark-help"};
  const fs::path beside = root.path() / "bin";
  const fs::path data = root.path() / "share";
  struct Case {
    const char* name;
    bool file_beside;
    bool file_in_data;
    bool folder_beside;  // a folder named like the help file, which must be passed over
    const fs::path* expected;
  };
  const Case cases[] = {
      {"beside the program only", true, false, false, &beside},
      {"in the data folder only", false, true, false, &data},
      {"in both", true, true, false, &beside},
      {"a folder beside, the file in data", false, true, true, &data},
      {"nowhere", false, false, false, nullptr},
  };
  for (const Case& c : cases) {
    fs::remove_all(beside);
    fs::remove_all(data);
    fs::create_directories(beside);
    fs::create_directories(data);
    if (c.file_beside) WriteBytes(beside / ui::kHelpFileName, "ITSF");
    if (c.file_in_data) WriteBytes(data / ui::kHelpFileName, "ITSF");
    if (c.folder_beside) fs::create_directory(beside / ui::kHelpFileName);
    const QString found = ui::FindHelpFile(
        {QString::fromStdString(beside.string()), QString::fromStdString(data.string())});
    const QString expected =
        c.expected ? QString::fromStdString((*c.expected / ui::kHelpFileName).string()) : QString();
    EXPECT_EQ(found, expected) << c.name;
  }
}

using HelpMenuTest = WindowTest;

TEST_F(HelpMenuTest, ContentsOpensTheHelpFileWhereverTheProgramKeepsItAndHomepageTheAddress) {
  // The test program stands in for the window's program: its folder is the first searched.
  const fs::path help_file =
      fs::path(QCoreApplication::applicationDirPath().toStdString()) / ui::kHelpFileName;
  struct RemovedAtEnd {
    fs::path file;
    ~RemovedAtEnd() { fs::remove(file); }
  } const guard{help_file};
  WriteBytes(help_file, "ITSF");
  MakeWindows({});
  const RunInProgress in_progress(*this);
  ui::RecordedOpens opens;
  ui::RecordedMessages messages;

  window_->Form().Contents1->trigger();
  window_->Form().Homepage1->trigger();
  EXPECT_EQ(opens.Urls(),
            QList<QUrl>({QUrl::fromLocalFile(QString::fromStdString(help_file.string())),
                         QUrl(QString::fromLatin1(ui::kHomepageUrl))}));
  EXPECT_FALSE(in_progress.run.Stopped()) << "neither entry stops a run";

  fs::remove(help_file);
  if (!ui::FindHelpFile(ui::HelpFileFolders()).isEmpty())
    GTEST_SKIP() << "a help file is installed on this computer";
  // One in the current folder is not the program's: any folder can be the current one.
  TempDir current{"quillmark-cwd"};
  WriteBytes(current.File(ui::kHelpFileName), "ITSF");
  const fs::path previous = fs::current_path();
  fs::current_path(current.path());
  window_->Form().Contents1->trigger();
  fs::current_path(previous);
  EXPECT_EQ(opens.Urls().size(), 2) << "nothing is opened without the program's help file";
  ASSERT_EQ(messages.Texts().size(), 1);
  EXPECT_TRUE(
      messages.Texts()[0].startsWith(QStringLiteral("The help file help.chm was not found")));
}

}  // namespace
}  // namespace quillmark::testing
