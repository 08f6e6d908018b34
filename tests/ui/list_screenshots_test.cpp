// Not a check: tools/screenshots.sh runs this under Xvfb to save the pictures of docs/. It
// does nothing unless QUILLMARK_SHOTS_DIR names the folder to save them in.

#include <QDir>
#include <QScreen>

#include "ui/list_commands.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using WindowShots = WindowTest;

TEST_F(WindowShots, FilterDialogAndTopSearchesBesideTheMainWindow) {
  const char* folder = std::getenv("QUILLMARK_SHOTS_DIR");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "QUILLMARK_SHOTS_DIR is not set";
  const QDir out(QString::fromLocal8Bit(folder));
  MakeWindows(Demo());
  ui::ListCommands commands(*window_);
  AnswerDialog([](ui::TStartForm& dialog) {
    dialog.Form().RadioButton2->click();
    dialog.Form().MaxResultsSpinEdit->SetValue(20);
    dialog.Form().BitBtn1->click();
  });
  Start();
  ui::TTOPForm& top = commands.TOPForm();
  QTest::qWait(300);
  // Both windows as they stand on the screen, side by side.
  const QRect both = window_->frameGeometry().united(top.frameGeometry());
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  ASSERT_TRUE(screen.copy(both).save(out.filePath(QStringLiteral("top-searches-window.png"))));
  top.hide();

  ui::TFilterForm& filter = commands.FilterForm();
  filter.show();
  QTest::qWait(300);
  ASSERT_TRUE(filter.grab().save(out.filePath(QStringLiteral("filter-dialog.png"))));
  filter.hide();
}

}  // namespace
}  // namespace quillmark::testing
