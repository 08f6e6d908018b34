// Not a check: tools/screenshots.sh runs this under Xvfb to save the pictures of docs/. It
// does nothing unless QUILLMARK_SHOTS_DIR names the folder to save them in.

#include <QDir>

#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using WindowShots = WindowTest;

TEST_F(WindowShots, MainWindowAfterADemoResearchAndTheInvestigateDialog) {
  const char* folder = std::getenv("QUILLMARK_SHOTS_DIR");
  if (folder == nullptr || *folder == '\0') GTEST_SKIP() << "QUILLMARK_SHOTS_DIR is not set";
  const QDir out(QString::fromLocal8Bit(folder));
  MakeWindows(Demo());
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
  ASSERT_TRUE(window_->grab().save(out.filePath(QStringLiteral("main-window.png"))));
  dialog_->show();
  QTest::qWait(200);
  ASSERT_TRUE(dialog_->grab().save(out.filePath(QStringLiteral("investigate-dialog.png"))));
  dialog_->hide();
}

}  // namespace
}  // namespace quillmark::testing
