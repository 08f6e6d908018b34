#pragma once
// Conversions between RGB and the HLS model the oval button shades its rim with, and the pair of
// rim colours derived from a face colour. Plain C++: no Qt here.

#include <cstdint>
#include <stdexcept>

namespace quillmark {

// A component outside 0..1 (or not a number) given to HLS2RGB or RGB2HLS.
class EColorConv : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Each component from 0 to 1.
struct THls {
  double hue;
  double luminance;
  double saturation;
};
struct TRgb {
  double red;
  double green;
  double blue;
};

// A hue of 0 and of 1 are the same red. Throws EColorConv naming the first component out of range.
TRgb HLS2RGB(double hue, double luminance, double saturation);
// The inverse of HLS2RGB: pure red gives hue 1, every grey hue 0 and saturation 0.
THls RGB2HLS(double red, double green, double blue);

struct TRgbBytes {
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};
struct TBevelColours {
  TRgbBytes highlight;
  TRgbBytes shadow;
};

// The rim colours of a face: the highlight moves each byte `light_tenths`/10 of the way towards
// white, the shadow keeps (10 - `dark_tenths`)/10 of the luminance. Tenths run from 0 to 10.
TBevelColours BevelColours(TRgbBytes face, int dark_tenths, int light_tenths);

}  // namespace quillmark
