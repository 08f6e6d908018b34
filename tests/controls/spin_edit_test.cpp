// The spin edit driven through real key presses, clicks and timer ticks.

#include "controls/spin_edit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QLocale>
#include <QTest>
#include <QTimer>
#include <climits>

#include "controls/system_beep.h"

namespace quillmark {
namespace {

int beeps = 0;

class SpinEditTest : public ::testing::Test {
 protected:
  SpinEditTest() : previous_(SetBeepHandler([] { ++beeps; })) {
    beeps = 0;
    edit_.resize(121, 21);
    edit_.show();
    edit_.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&edit_));
  }
  ~SpinEditTest() override { SetBeepHandler(previous_); }

  void Range(int min, int max, int increment = 1) {
    edit_.SetMinValue(min);
    edit_.SetMaxValue(max);
    edit_.SetIncrement(increment);
  }
  void Leave() {
    edit_.setFocus();
    edit_.clearFocus();
  }
  static void Tick(QTimer& timer) {
    QTimerEvent tick(timer.timerId());
    QCoreApplication::sendEvent(&timer, &tick);
  }

  BeepHandler previous_;
  TSpinEdit edit_;
};

TEST_F(SpinEditTest, ReadsTextAndClampsItOnLeaving) {
  struct Case {
    int min, max;
    const char16_t* typed;
    int value;              // what Value() reads before leaving
    const char16_t* after;  // the text once the edit is left
  } cases[] = {
      {2, 100, u"150", 150, u"100"},
      {2, 100, u"1", 1, u"2"},
      {2, 100, u"-7", -7, u"2"},
      {2, 100, u"abc", 2, u"abc"},
      {2, 100, u"", 2, u""},
      {2, 100, u"1.5", 2, u"1.5"},
      {0, 0, u"-5000", -5000, u"-5000"},
      {5, 5, u"9", 9, u"9"},
      {1, 999999999, u"99999999999", 1, u"99999999999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QString::fromUtf16(c.typed).toStdString());
    Range(c.min, c.max);
    edit_.setText(QString::fromUtf16(c.typed));
    EXPECT_EQ(edit_.Value(), c.value);
    Leave();
    EXPECT_EQ(edit_.text(), QString::fromUtf16(c.after));
  }
}

TEST_F(SpinEditTest, StepsByKeysArrowsAndCallsWithinRange) {
  struct Case {
    int min, max, increment;
    const char16_t* start;
    bool up;
    const char16_t* after;
  } cases[] = {
      {2, 100, 1, u"20", true, u"21"},
      {2, 100, 1, u"20", false, u"19"},
      {2, 100, 1, u"", true, u"3"},
      {2, 100, 1, u"x", false, u"2"},
      {2, 100, 1, u"100", true, u"100"},
      {2, 100, 5, u"4", false, u"2"},
      {0, 0, 1, u"-1", true, u"0"},
      {0, 0, 10, u"2147483647", true, u"2147483647"},
      {0, 0, 10, u"-2147483648", false, u"-2147483648"},
  };
  enum Way { kKey, kArrow, kCall };
  for (Way way : {kKey, kArrow, kCall}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message()
                   << "way " << way << " from " << QString::fromUtf16(c.start).toStdString());
      Range(c.min, c.max, c.increment);
      edit_.setText(QString::fromUtf16(c.start));
      TTimerSpeedButton* arrow = c.up ? edit_.Button()->UpButton() : edit_.Button()->DownButton();
      if (way == kKey) QTest::keyClick(&edit_, c.up ? Qt::Key_Up : Qt::Key_Down);
      if (way == kArrow) QTest::mouseClick(arrow, Qt::LeftButton);
      if (way == kCall) c.up ? edit_.StepUp() : edit_.StepDown();
      EXPECT_EQ(edit_.text(), QString::fromUtf16(c.after));
    }
  }
  EXPECT_EQ(beeps, 0);
}

TEST_F(SpinEditTest, ReadOnlyStepsOnlyBeep) {
  edit_.SetReadOnly(true);
  edit_.SetValue(7);
  QTest::keyClick(&edit_, Qt::Key_Up);
  QTest::keyClick(&edit_, Qt::Key_Down);
  QTest::mouseClick(edit_.Button()->UpButton(), Qt::LeftButton);
  EXPECT_EQ(edit_.text(), u"7");
  EXPECT_EQ(beeps, 3);
}

TEST_F(SpinEditTest, RefusesKeysWithABeep) {
  const QString point = QLocale().decimalPoint();
  struct Case {
    bool editor_enabled;
    Qt::Key key;
    QString text;
    bool accepted;
  } cases[] = {
      {true, Qt::Key_5, u"5"_qs, true},
      {true, Qt::Key_Plus, u"+"_qs, true},
      {true, Qt::Key_Minus, u"-"_qs, true},
      {true, Qt::Key_unknown, point, true},
      {true, Qt::Key_Backspace, u"\b"_qs, true},
      {true, Qt::Key_A, u"a"_qs, false},
      {true, Qt::Key_Space, u" "_qs, false},
      {true, Qt::Key_Return, u"\r"_qs, false},
      {true, Qt::Key_Enter, u"\r"_qs, false},
      {false, Qt::Key_5, u"5"_qs, false},
      {false, Qt::Key_Backspace, u"\b"_qs, false},
      {false, Qt::Key_Delete, QString(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.toStdString() + (c.editor_enabled ? "" : " (editor off)"));
    edit_.SetEditorEnabled(c.editor_enabled);
    edit_.setText(u"12"_qs);
    edit_.setCursorPosition(1);
    beeps = 0;
    QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier, c.text);
    QCoreApplication::sendEvent(&edit_, &press);
    EXPECT_EQ(beeps, c.accepted ? 0 : 1);
    EXPECT_EQ(edit_.text() != u"12", c.accepted);
  }
}

TEST_F(SpinEditTest, CutAndPasteOnlyWhenTheTextMayBeEdited) {
  QGuiApplication::clipboard()->setText(u"77"_qs);
  struct Case {
    bool editor_enabled, read_only;
    const char16_t* after;
  } cases[] = {{true, false, u"77"}, {false, false, u"12"}, {true, true, u"12"}};
  for (const Case& c : cases) {
    edit_.SetEditorEnabled(c.editor_enabled);
    edit_.SetReadOnly(c.read_only);
    edit_.setText(u"12"_qs);
    edit_.selectAll();
    QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit_.text(), QString::fromUtf16(c.after));
  }
  EXPECT_EQ(beeps, 0);
}

// The repeat timer is ticked by hand, so the test sees each step without waiting on a clock.
TEST_F(SpinEditTest, HeldArrowRepeatsAfter400ThenEvery100Ms) {
  Range(2, 100);
  edit_.SetValue(20);
  TTimerSpeedButton* up = edit_.Button()->UpButton();
  edit_.clearFocus();
  QTest::mousePress(up, Qt::LeftButton);
  QTimer* timer = up->findChild<QTimer*>();
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  EXPECT_EQ(timer->interval(), 400);
  EXPECT_EQ(edit_.Value(), 20);
  EXPECT_TRUE(edit_.hasFocus());  // the press hands the focus to the edit

  Tick(*timer);
  EXPECT_EQ(timer->interval(), 100);
  EXPECT_EQ(edit_.Value(), 21);
  Tick(*timer);
  EXPECT_EQ(edit_.Value(), 22);

  QTest::mouseRelease(up, Qt::LeftButton);
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(edit_.Value(), 23);  // and once more on release
}

TEST_F(SpinEditTest, KeepsItsMinimumHeightAndArrowsInsideTheFrame) {
  edit_.resize(80, 4);
  const int height = edit_.height();
  EXPECT_GT(height, 4);
  EXPECT_EQ(height, edit_.minimumHeight());

  edit_.resize(100, 40);
  const QRect arrows = edit_.Button()->geometry();
  EXPECT_EQ(arrows.width(), 15);
  EXPECT_LT(arrows.right(), edit_.width() - 1);
  EXPECT_GE(arrows.top(), 0);
  EXPECT_LT(arrows.bottom(), edit_.height() - 1);
  EXPECT_GE(edit_.textMargins().right(), arrows.width());
  // The two arrows overlap by one pixel and fill the pair.
  const QRect up = edit_.Button()->UpButton()->geometry();
  const QRect down = edit_.Button()->DownButton()->geometry();
  EXPECT_EQ(down.top(), up.bottom());
  EXPECT_EQ(down.bottom(), arrows.height() - 1);
}

TEST_F(SpinEditTest, StartsAtZeroAndTakesDesignerProperties) {
  EXPECT_EQ(edit_.text(), u"0");
  edit_.setProperty("minValue", 2);
  edit_.setProperty("maxValue", 100);
  edit_.setProperty("value", 500);
  EXPECT_EQ(edit_.text(), u"100");
}

}  // namespace
}  // namespace quillmark
