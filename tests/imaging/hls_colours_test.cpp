// The rim colour maths: both conversions against each other and against known colours.

#include "imaging/hls_colours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

namespace quillmark {
namespace {

constexpr double kTolerance = 1e-12;

TEST(HlsColoursTest, ConversionsUndoEachOtherOverAGrid) {
  constexpr int kSteps = 20;
  for (int r = 0; r <= kSteps; ++r) {
    for (int g = 0; g <= kSteps; ++g) {
      for (int b = 0; b <= kSteps; ++b) {
        const TRgb rgb{double(r) / kSteps, double(g) / kSteps, double(b) / kSteps};
        const THls hls = RGB2HLS(rgb.red, rgb.green, rgb.blue);
        const TRgb back = HLS2RGB(hls.hue, hls.luminance, hls.saturation);
        ASSERT_NEAR(back.red, rgb.red, kTolerance) << r << " " << g << " " << b;
        ASSERT_NEAR(back.green, rgb.green, kTolerance) << r << " " << g << " " << b;
        ASSERT_NEAR(back.blue, rgb.blue, kTolerance) << r << " " << g << " " << b;
      }
    }
  }
  // The other way round, away from the greys, black and white, where hue or saturation is lost.
  for (int h = 0; h <= 24; ++h) {
    for (int l = 1; l < kSteps; ++l) {
      for (int s = 1; s <= kSteps; ++s) {
        const THls hls{h / 24.0, double(l) / kSteps, double(s) / kSteps};
        const TRgb rgb = HLS2RGB(hls.hue, hls.luminance, hls.saturation);
        const THls back = RGB2HLS(rgb.red, rgb.green, rgb.blue);
        // Hue 0 and hue 1 are the same red.
        const double hue_error = std::fabs(back.hue - hls.hue);
        ASSERT_LT(std::fmin(hue_error, 1 - hue_error), kTolerance) << h << " " << l << " " << s;
        ASSERT_NEAR(back.luminance, hls.luminance, kTolerance) << h << " " << l << " " << s;
        ASSERT_NEAR(back.saturation, hls.saturation, kTolerance) << h << " " << l << " " << s;
      }
    }
  }
}

TEST(HlsColoursTest, KnownColours) {
  struct Case {
    THls hls;
    TRgb rgb;
  } cases[] = {
      {{1, 0.5, 1}, {1, 0, 0}},        // red comes back with hue 1, not 0
      {{0, 0.5, 0}, {0.5, 0.5, 0.5}},  // mid grey
      {{0, 0.8, 0}, {0.8, 0.8, 0.8}},  // light and dark greys keep their level as luminance
      {{0, 0.2, 0}, {0.2, 0.2, 0.2}},
      {{0, 1, 0}, {1, 1, 1}},
      {{0, 0, 0}, {0, 0, 0}},
      {{1.0 / 3, 0.25, 1}, {0, 0.5, 0}},    // dark green
      {{2.0 / 3, 0.75, 1}, {0.5, 0.5, 1}},  // light blue
  };
  for (const Case& c : cases) {
    const THls hls = RGB2HLS(c.rgb.red, c.rgb.green, c.rgb.blue);
    EXPECT_NEAR(hls.hue, c.hls.hue, kTolerance) << c.rgb.red << c.rgb.green << c.rgb.blue;
    EXPECT_NEAR(hls.luminance, c.hls.luminance, kTolerance);
    EXPECT_NEAR(hls.saturation, c.hls.saturation, kTolerance);
    const TRgb rgb = HLS2RGB(c.hls.hue, c.hls.luminance, c.hls.saturation);
    EXPECT_NEAR(rgb.red, c.rgb.red, kTolerance);
    EXPECT_NEAR(rgb.green, c.rgb.green, kTolerance);
    EXPECT_NEAR(rgb.blue, c.rgb.blue, kTolerance);
  }
  const TRgb red = HLS2RGB(0, 0.5, 1);
  EXPECT_EQ(red.red, 1);
  EXPECT_EQ(red.green, 0);
  EXPECT_EQ(red.blue, 0);
}

TEST(HlsColoursTest, BevelColoursOfButtonFaces) {
  struct Case {
    TRgbBytes face, highlight, shadow;
  } cases[] = {
      {{192, 192, 192}, {223, 223, 223}, {115, 115, 115}},
      {{212, 208, 200}, {233, 231, 227}, {139, 129, 108}},
      {{255, 255, 255}, {255, 255, 255}, {153, 153, 153}},
      {{0, 0, 0}, {127, 127, 127}, {0, 0, 0}},
      // 0.5 x 45 = 22.5 goes to the even 22.
      {{211, 211, 211}, {233, 233, 233}, {127, 127, 127}},
  };
  for (const Case& c : cases) {
    const TBevelColours rim = BevelColours(c.face, 4, 5);
    const auto text = [](TRgbBytes v) {
      return std::to_string(v.red) + "," + std::to_string(v.green) + "," + std::to_string(v.blue);
    };
    EXPECT_EQ(text(rim.highlight), text(c.highlight)) << text(c.face);
    EXPECT_EQ(text(rim.shadow), text(c.shadow)) << text(c.face);
  }
}

TEST(HlsColoursTest, OutOfRangeComponentsAreNamedByPosition) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const auto hls = [](double a, double b, double c) { HLS2RGB(a, b, c); };
  const auto rgb = [](double a, double b, double c) { RGB2HLS(a, b, c); };
  struct Case {
    std::function<void(double, double, double)> convert;
    double a, b, c;
    const char* message;
  } cases[] = {
      {hls, 1.5, 0, 0, "HLS2RGB: 0 <= Hue value <= 1 required"},
      {hls, 0, 1.5, 0, "HLS2RGB: 0 <= Luminance value <= 1 required"},
      {hls, 0, 0, -0.1, "HLS2RGB: 0 <= Saturation value <= 1 required"},
      {hls, 0.5, nan, 2, "HLS2RGB: 0 <= Luminance value <= 1 required"},
      {rgb, -1, 2, 2, "RGB2HLS: 0 <= Red value <= 1 required"},
      {rgb, 0, 1.5, 0, "RGB2HLS: 0 <= Green value <= 1 required"},
      {rgb, 1, 1, nan, "RGB2HLS: 0 <= Blue value <= 1 required"},
  };
  for (const Case& c : cases) {
    try {
      c.convert(c.a, c.b, c.c);
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EColorConv& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

}  // namespace
}  // namespace quillmark
