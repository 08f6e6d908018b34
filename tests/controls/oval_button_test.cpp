// The oval button driven with the mouse and keyboard, and looked at in its own pixels.

#include "controls/oval_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <vector>

namespace quillmark {
namespace {

constexpr QPoint kCentre(50, 25);
constexpr QPoint kCorner(2, 2);  // in the rectangle, outside the ellipse
const QColor kFace(192, 192, 192);

class OvalButtonTest : public ::testing::Test {
 protected:
  OvalButtonTest() {
    window_.resize(120, 70);
    button_.SetColor(kFace);
    window_.show();
    window_.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window_));
  }

  // The mouse over the button without a button held.
  void Hover(QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, button_.mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(&button_, &move);
  }
  // As the window shows it, with the window behind what the button leaves unpainted.
  QColor Pixel(QPoint at) {
    return window_.grab().toImage().pixelColor(button_.mapTo(&window_, at));
  }
  // Antialiasing may leave a pixel a shade off the colour it was painted with.
  static bool Near(const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) <= 6 && std::abs(a.green() - b.green()) <= 6 &&
           std::abs(a.blue() - b.blue()) <= 6 && a.alpha() == b.alpha();
  }

  QWidget window_;
  TOvalButton button_{&window_};
  QSignalSpy clicks_{&button_, &TOvalButton::Click};
};

TEST_F(OvalButtonTest, OnlyPressesThatSinkTheButtonInsideTheEllipseClick) {
  enum Action { kPress, kMove, kRelease };
  struct Step {
    Action action;
    QPoint at;
    int bevel;  // BevelState after the step
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    int clicks;
  } cases[] = {
      {"click", {{kPress, kCentre, -1}, {kRelease, kCentre, 1}}, 1},
      {"corner press", {{kPress, kCorner, 1}, {kRelease, kCorner, 1}}, 0},
      {"drag in", {{kPress, kCorner, 1}, {kMove, kCentre, -1}, {kRelease, kCentre, 1}}, 1},
      {"drag out", {{kPress, kCentre, -1}, {kMove, kCorner, 1}, {kRelease, kCorner, 1}}, 0},
      {"release outside unseen", {{kPress, kCentre, -1}, {kRelease, kCorner, 1}}, 0},
      {"release off the control", {{kPress, kCentre, -1}, {kRelease, {150, 25}, 1}}, 0},
      {"out and back",
       {{kPress, kCentre, -1}, {kMove, kCorner, 1}, {kMove, kCentre, -1}, {kRelease, kCentre, 1}},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clicks_.clear();
    Hover(c.steps.front().at);
    for (const Step& step : c.steps) {
      if (step.action == kPress) QTest::mousePress(&button_, Qt::LeftButton, {}, step.at);
      if (step.action == kMove) QTest::mouseMove(&button_, step.at);
      if (step.action == kRelease) QTest::mouseRelease(&button_, Qt::LeftButton, {}, step.at);
      EXPECT_EQ(button_.BevelState(), step.bevel) << step.at.x() << "," << step.at.y();
      EXPECT_EQ(button_.Down(), step.bevel == -1);
    }
    EXPECT_EQ(clicks_.count(), c.clicks);
  }
}

TEST_F(OvalButtonTest, GroupButtonTogglesDownOnEachClickAndStaysSunkenWhileDown) {
  button_.SetGroupIndex(1);
  Hover(kCentre);
  for (const bool down : {true, false, true}) {
    QTest::mouseClick(&button_, Qt::LeftButton, {}, kCentre);
    EXPECT_EQ(button_.Down(), down);
    EXPECT_EQ(button_.BevelState(), down ? -1 : 1);
  }
  EXPECT_EQ(clicks_.count(), 3);
  // Dragging in from a corner does not sink a group button; a press taken away undoes itself.
  button_.SetDown(false);
  QTest::mousePress(&button_, Qt::LeftButton, {}, kCorner);
  QTest::mouseMove(&button_, kCentre);
  QTest::mouseRelease(&button_, Qt::LeftButton, {}, kCentre);
  EXPECT_FALSE(button_.Down());
  QTest::mousePress(&button_, Qt::LeftButton, {}, kCentre);
  QTest::mouseMove(&button_, kCorner);
  EXPECT_EQ(button_.BevelState(), -1);
  QTest::mouseRelease(&button_, Qt::LeftButton, {}, kCorner);
  EXPECT_FALSE(button_.Down());
  EXPECT_EQ(button_.BevelState(), 1);
  EXPECT_EQ(clicks_.count(), 3);
}

TEST_F(OvalButtonTest, FlatButtonShowsOutlineAndRimOnlyUnderTheMouse) {
  const QPoint left_edge(0, 25);
  const QPoint top_rim(50, 1);
  EXPECT_LT(Pixel(left_edge).lightness(), 64);
  button_.SetFlat(true);
  EXPECT_EQ(button_.BevelState(), 0);
  EXPECT_GT(Pixel(left_edge).lightness(), 128);
  EXPECT_TRUE(Near(Pixel(top_rim), kFace));
  Hover(kCentre);
  EXPECT_EQ(button_.BevelState(), 1);
  EXPECT_TRUE(Near(Pixel(top_rim), button_.HighlightColour()));
  Hover(kCorner);
  EXPECT_EQ(button_.BevelState(), 0);
  Hover(kCentre);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&button_, &leave);
  EXPECT_EQ(button_.BevelState(), 0);
  // Held down, it keeps its sunken rim wherever the mouse goes.
  button_.SetDown(true);
  Hover(kCorner);
  EXPECT_EQ(button_.BevelState(), -1);
}

TEST_F(OvalButtonTest, RimIsLightAboveAndDarkBelowWhenRaisedAndTheReverseWhenSunken) {
  EXPECT_EQ(button_.HighlightColour(), QColor(223, 223, 223));
  EXPECT_EQ(button_.ShadowColour(), QColor(115, 115, 115));
  const QPoint top(50, 1);
  const QPoint bottom(50, button_.height() - 3);
  EXPECT_TRUE(Near(Pixel(top), button_.HighlightColour()));
  EXPECT_TRUE(Near(Pixel(bottom), button_.ShadowColour()));
  button_.SetDown(true);
  EXPECT_TRUE(Near(Pixel(top), button_.ShadowColour()));
  EXPECT_TRUE(Near(Pixel(bottom), button_.HighlightColour()));
}

TEST_F(OvalButtonTest, GlyphCellFollowsStateAndShowsTheFaceThroughItsTransparentColour) {
  // Three 8x8 cells, red, green and blue, each with a black dot; the bottom-left pixel makes
  // black the transparent colour.
  QImage cells(24, 8, QImage::Format_RGB32);
  for (int cell = 0; cell < 3; ++cell) {
    const QColor colour = QColor::fromHsv(cell * 120, 255, 255);
    for (int x = 0; x < 8; ++x)
      for (int y = 0; y < 8; ++y) cells.setPixelColor(cell * 8 + x, y, colour);
    cells.setPixelColor(cell * 8 + 4, 4, Qt::black);
  }
  cells.setPixelColor(0, 7, Qt::black);
  button_.SetGlyph(QPixmap::fromImage(cells));
  button_.SetNumGlyphs(3);
  EXPECT_EQ(button_.TransparentColor(), QColor(Qt::black));
  // Without a caption the glyph is centred: (46, 21); sunken, one pixel further on.
  EXPECT_EQ(Pixel({47, 22}), QColor(Qt::red));
  EXPECT_EQ(Pixel({50, 25}), kFace);
  button_.setEnabled(false);
  EXPECT_EQ(Pixel({47, 22}), QColor(Qt::green));
  button_.setEnabled(true);
  button_.SetDown(true);
  EXPECT_EQ(Pixel({47, 22}), QColor(Qt::blue));
  EXPECT_EQ(Pixel({51, 26}), kFace);
}

TEST_F(OvalButtonTest, AcceleratorClicksOnlyAnEnabledButton) {
  button_.SetCaption(QStringLiteral("&Support"));
  QTest::keyClick(&window_, Qt::Key_S, Qt::AltModifier);
  EXPECT_EQ(clicks_.count(), 1);
  QTest::keyClick(&window_, Qt::Key_U, Qt::AltModifier);
  button_.setEnabled(false);
  QTest::keyClick(&window_, Qt::Key_S, Qt::AltModifier);
  Hover(kCentre);
  QTest::mouseClick(&button_, Qt::LeftButton, {}, kCentre);
  EXPECT_EQ(clicks_.count(), 1);
}

}  // namespace
}  // namespace quillmark
