// The About window: what it shows, where its buttons lead, and how the menu opens it.

#include "ui/about_window.h"

#include <QApplication>
#include <QLabel>

#include "controls/oval_button.h"
#include "ui/desktop_open.h"
#include "ui_about_window.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

void Press(TOvalButton* button) {
  const QPoint centre = button->rect().center();
  QTest::mouseClick(button, Qt::LeftButton, {}, centre);
}

TEST(AboutWindowTest, ShowsTitleVersionAndBothPictures) {
  ui::TInfoForm about;
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
  EXPECT_EQ(about.size(), QSize(365, 379));
  EXPECT_EQ(about.Form().Label4->text(), QStringLiteral("version 2.0"));
  EXPECT_EQ(about.Form().Image2->pixmap().size(), QSize(259, 31));
  EXPECT_EQ(about.Form().Image1->pixmap().size(), QSize(100, 132));
  EXPECT_EQ(about.Form().OvalButton1->toolTip(), QStringLiteral("Get support by e-mail"));
}

TEST(AboutWindowTest, ButtonsWriteToSupportVisitTheHomepageAndClose) {
  ui::TInfoForm about;
  about.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
  ui::RecordedOpens opens;
  Press(about.Form().OvalButton1);
  Press(about.Form().OvalButton3);
  ASSERT_EQ(opens.Urls().size(), 2);
  EXPECT_EQ(opens.Urls()[0].toString(),
            QStringLiteral("mailto:support@quillmark.example?subject=Quillmark Help"));
  EXPECT_EQ(opens.Urls()[1].toString(), QStringLiteral("https://quillmark.example/"));
  EXPECT_TRUE(about.isVisible());
  Press(about.Form().BitBtn3);
  EXPECT_FALSE(about.isVisible());
  EXPECT_EQ(about.result(), QDialog::Rejected);
}

using AboutMenuTest = WindowTest;

// The About window is modal and opens in the middle of a run: the run ends at its next step.
TEST_F(AboutMenuTest, AboutEntryStopsTheRunThenShowsTheWindowModally) {
  MakeWindows(Demo(20));
  ui::TInfoForm about(window_.get());
  window_->SetAboutWindow(&about);
  bool stopped_before_showing = false;
  bool modal = false;
  Investigate("garden sheds", 20);
  WhenRows(1, [this] { window_->Form().About1->trigger(); });
  WhenTrue([&about] { return about.isVisible(); },
           [&] {
             const session::ResearchRun* run = window_->InHand().Get();
             stopped_before_showing = run != nullptr && run->Stopped();
             modal = QApplication::activeModalWidget() == &about;
             Press(about.Form().BitBtn3);
           });
  Start();
  EXPECT_TRUE(stopped_before_showing);
  EXPECT_TRUE(modal);
  EXPECT_FALSE(about.isVisible());
  EXPECT_LE(window_->Model().rowCount(), 2);
  // A run cut short says so after "Done!".
  EXPECT_TRUE(window_->StatusText().startsWith(QStringLiteral("stopped after ")))
      << window_->StatusText().toStdString();
}

}  // namespace
}  // namespace quillmark::testing
