// Help > Contents and the homepage entry: the help is found wherever the program keeps it, never
// in the current folder, and shown as the desktop can; both entries leave a run going.

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

// The PATH for as long as it lives: a folder of its own, holding an xdg-mime that names a viewer
// for compiled help or none at all.
class FakeDesktop {
 public:
  explicit FakeDesktop(bool chm_viewer) : old_(qgetenv("PATH")) {
    if (chm_viewer) {
      const fs::path script = folder_.path() / "xdg-mime";
      WriteBytes(script, "#!/bin/sh\necho xchm.desktop\n");
      fs::permissions(script, fs::perms::owner_all);
    }
    qputenv("PATH", QByteArray::fromStdString(folder_.path().string()));
  }
  ~FakeDesktop() { qputenv("PATH", old_); }

 private:
  TempDir folder_{"quillmark-path"};
  QByteArray old_;
};

TEST_F(HelpMenuTest, ContentsOpensTheHelpFileWhereverTheProgramKeepsItAndHomepageTheAddress) {
  // The test program stands in for the window's program: its folder is the first searched.
  const fs::path program_folder = QCoreApplication::applicationDirPath().toStdString();
  const fs::path help_file = program_folder / ui::kHelpFileName;
  const fs::path pages = program_folder / ui::kHelpPagesStart;
  struct RemovedAtEnd {
    fs::path file, pages;
    ~RemovedAtEnd() {
      fs::remove(file);
      fs::remove_all(pages.parent_path());
    }
  } const guard{help_file, pages};
  WriteBytes(help_file, "ITSF");
  fs::create_directories(pages.parent_path());
  WriteBytes(pages, "<html>");
  const QUrl help_url = QUrl::fromLocalFile(QString::fromStdString(help_file.string()));
  const QUrl pages_url = QUrl::fromLocalFile(QString::fromStdString(pages.string()));
  MakeWindows({});
  const RunInProgress in_progress(*this);
  ui::RecordedOpens opens;
  ui::RecordedMessages messages;

  {
    const FakeDesktop viewer(true);
    window_->Form().Contents1->trigger();
  }
  window_->Form().Homepage1->trigger();
  EXPECT_EQ(opens.Urls(), QList<QUrl>({help_url, QUrl(QString::fromLatin1(ui::kHomepageUrl))}));
  EXPECT_FALSE(in_progress.run.Stopped()) << "neither entry stops a run";

  // Most desktops have no viewer for compiled help: the same pages go to the web browser.
  const FakeDesktop no_viewer(false);
  window_->Form().Contents1->trigger();
  EXPECT_EQ(opens.Urls().back(), pages_url);
  // And where nothing opens at all, the user is told where the help is.
  opens.Refuse();
  window_->Form().Contents1->trigger();
  ASSERT_EQ(messages.Texts().size(), 1);
  EXPECT_TRUE(messages.Texts()[0].endsWith(
      QStringLiteral("The help is in %1 and in %2.")
          .arg(QString::fromStdString(pages.string()), QString::fromStdString(help_file.string()))))
      << messages.Texts()[0].toStdString();

  fs::remove(help_file);
  fs::remove_all(pages.parent_path());
  if (!ui::FindHelpFile(ui::HelpFileFolders()).isEmpty() ||
      !ui::FindHelpPages(ui::HelpFileFolders()).isEmpty())
    GTEST_SKIP() << "the help is installed on this computer";
  // One in the current folder is not the program's: any folder can be the current one.
  TempDir current{"quillmark-cwd"};
  WriteBytes(current.File(ui::kHelpFileName), "ITSF");
  const fs::path previous = fs::current_path();
  fs::current_path(current.path());
  const auto opened = opens.Urls().size();
  window_->Form().Contents1->trigger();
  fs::current_path(previous);
  EXPECT_EQ(opens.Urls().size(), opened) << "nothing is opened without the program's help";
  ASSERT_EQ(messages.Texts().size(), 2);
  EXPECT_TRUE(
      messages.Texts()[1].startsWith(QStringLiteral("The help file help.chm was not found")));
}

}  // namespace
}  // namespace quillmark::testing
