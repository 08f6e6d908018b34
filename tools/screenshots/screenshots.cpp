// Not a check: tools/screenshots.sh runs this under Xvfb to save the pictures of docs/. It
// does nothing unless QUILLMARK_SHOTS_DIR names the folder to save them in.

#include <QDir>
#include <QScreen>

#include <QToolTip>
#include <QTreeView>

#include "net/support/scripted_server.h"
#include "ui/about_window.h"
#include "ui/list_commands.h"
#include "ui/tips.h"
#include "ui_tip_of_the_day.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

class WindowShots : public WindowTest {
 protected:
  void SetUp() override {
    const char* folder = std::getenv("QUILLMARK_SHOTS_DIR");
    if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "QUILLMARK_SHOTS_DIR is not set";
    out_ = QDir(QString::fromLocal8Bit(folder));
  }
  QDir out_;
};

TEST_F(WindowShots, MainWindowAfterADemoResearchAndTheInvestigateDialog) {
  MakeWindows(Demo());
  ui::ListCommands commands(*window_);
  AnswerDialog([](ui::TStartForm& dialog) {
    dialog.Form().LabeledEdit1->setText(QStringLiteral("blue widgets"));
    dialog.Form().HomepageEdit->setText(QStringLiteral("example.com"));
    dialog.Form().DepthCombo->setCurrentIndex(4);
    dialog.Form().MaxResultsSpinEdit->SetValue(15);
    dialog.Form().BitBtn1->click();
  });
  Start();
  window_->Keywords().SetChecked(1, true);
  window_->Keywords().SetChecked(4, true);
  window_->Form().ListView1->selectionModel()->select(
      window_->Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QTest::qWait(200);
  ASSERT_TRUE(window_->grab().save(out_.filePath(QStringLiteral("main-window.png"))));
  dialog_->show();
  QTest::qWait(200);
  ASSERT_TRUE(dialog_->grab().save(out_.filePath(QStringLiteral("investigate-dialog.png"))));
  dialog_->hide();
}

TEST_F(WindowShots, FilterDialogAndTopSearchesBesideTheMainWindow) {
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
  ASSERT_TRUE(screen.copy(both).save(out_.filePath(QStringLiteral("top-searches-window.png"))));
  top.hide();

  ui::TFilterForm& filter = commands.FilterForm();
  filter.show();
  QTest::qWait(300);
  ASSERT_TRUE(filter.grab().save(out_.filePath(QStringLiteral("filter-dialog.png"))));
  filter.hide();
}

// The tinted cells of lookups that failed, with one tooltip showing.
TEST_F(WindowShots, FailedLookupsAreTinted) {
  Endpoints endpoints = Demo();
  {
    ScriptedServer gone(Script{});
    endpoints.search_host = "127.0.0.1:" + std::to_string(gone.port());
  }
  MakeWindows(endpoints);
  ui::ListCommands commands(*window_);
  Investigate("blue widgets", 6, "example.com");
  Start();
  QTreeView& view = *window_->Form().ListView1;
  const QRect cell = view.visualRect(window_->Model().index(1, 2));
  QToolTip::showText(
      view.viewport()->mapToGlobal(cell.center()),
      window_->Model().data(window_->Model().index(1, 2), Qt::ToolTipRole).toString(),
      view.viewport());
  QTest::qWait(300);
  const QRect area = window_->frameGeometry();
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  ASSERT_TRUE(screen.copy(area).save(out_.filePath(QStringLiteral("failed-lookups.png"))));
}

// The About window as it stands on the screen, title bar included.
TEST_F(WindowShots, AboutWindow) {
  ui::TInfoForm about;
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  QTest::qWait(300);
  const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
  ASSERT_TRUE(
      screen.copy(about.frameGeometry()).save(out_.filePath(QStringLiteral("about-window.png"))));
}

// The tip of the day as the start-up timer shows it, with one of the longer tips.
TEST_F(WindowShots, TipOfTheDay) {
  MakeWindows({});
  ui::Tfrm_TipOfTheDay& form = window_->TipDialog().Form();
  WhenTrue([&form] { return form.isVisible(); },
           [this, &form] {
             form.Form().lbl_Tip->setText(ui::QuillmarkTips().at(9));
             QTest::qWait(300);
             EXPECT_TRUE(form.grab().save(out_.filePath(QStringLiteral("tip-of-the-day.png"))));
             form.Form().btn_Close->click();
           });
  TipsTimer().start(1);
  ASSERT_TRUE(QTest::qWaitFor([this] { return !TipsTimer().isActive(); }));
}

}  // namespace
}  // namespace quillmark::testing
