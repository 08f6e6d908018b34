#include "imaging/hls_colours.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

namespace quillmark {
namespace {

using Triple = std::array<double, 3>;

// Below this two values count as equal, and a length as zero.
constexpr double kEpsilon = 1e-8;

// The corners of the hue hexagon, from red round to magenta, as offsets from grey.
constexpr std::array<Triple, 6> kHueCorners = {{
    {1, -1, -1},
    {1, 1, -1},
    {-1, 1, -1},
    {-1, 1, 1},
    {-1, -1, 1},
    {1, -1, 1},
}};

void CheckRange(const char* routine, const Triple& values,
                const std::array<const char*, 3>& names) {
  for (std::size_t i = 0; i < values.size(); ++i) {
    // Written so that a NaN fails too.
    if (values[i] >= 0 && values[i] <= 1) continue;
    throw EColorConv(std::string(routine) + ": 0 <= " + names[i] + " value <= 1 required");
  }
}

// NaN becomes 0 as well.
double Clamp01(double value) {
  if (!(value >= 0)) return 0;
  return value > 1 ? 1 : value;
}

// Nearest integer, halves to the even neighbour, whatever the floating-point rounding mode.
double RoundHalfEven(double value) {
  const double down = std::floor(value);
  const double fraction = value - down;
  if (fraction > 0.5) return down + 1;
  if (fraction < 0.5) return down;
  return std::fmod(down, 2) == 0 ? down : down + 1;
}

std::uint8_t ToByte(double value) {
  return static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0));
}

// The three index pairs the saturation and luminance are solved from, in the order tried.
constexpr std::array<std::array<std::size_t, 2>, 3> kPairs = {{{1, 0}, {2, 1}, {2, 0}}};

}  // namespace

TRgb HLS2RGB(double hue, double luminance, double saturation) {
  CheckRange("HLS2RGB", {hue, luminance, saturation}, {"Hue", "Luminance", "Saturation"});
  const double sixths = 6 * hue;
  const double whole = std::floor(sixths);
  const auto side = static_cast<std::size_t>(whole) % 6;
  const std::size_t next = (side + 1) % 6;
  const double fraction = sixths - whole;
  Triple c{};
  for (std::size_t i = 0; i < 3; ++i) {
    c[i] = (kHueCorners[next][i] - kHueCorners[side][i]) * fraction + kHueCorners[side][i];
    c[i] *= saturation;
    c[i] = luminance > 0.5 ? luminance + (1 - luminance) * c[i] : luminance * (c[i] + 1);
  }
  return {Clamp01(c[0]), Clamp01(c[1]), Clamp01(c[2])};
}

THls RGB2HLS(double red, double green, double blue) {
  CheckRange("RGB2HLS", {red, green, blue}, {"Red", "Green", "Blue"});
  // The colour as an offset from mid grey, each component from -1 to 1.
  const Triple a{2 * red - 1, 2 * green - 1, 2 * blue - 1};
  std::size_t k = 0;
  double m = std::fabs(a[0]);
  for (std::size_t i = 1; i < 3; ++i) {
    if (std::fabs(a[i]) > m) {
      m = std::fabs(a[i]);
      k = i;
    }
  }
  if (m < kEpsilon) return {0, 0.5, 0};
  Triple u{};
  for (std::size_t i = 0; i < 3; ++i) u[i] = a[i] / m;

  // h is the colour's direction scaled so that its components span -1..1; j is the component
  // at -1, which names the third of the hexagon the hue lies in.
  const bool light = a[k] > 0;
  Triple h{};
  std::size_t j = k;
  double p = 0;
  for (std::size_t i = 0; i < 3; ++i) p = std::max(p, light ? 1 - u[i] : u[i] + 1);
  if (p < kEpsilon) return {0, red, 0};
  for (std::size_t i = 0; i < 3; ++i)
    h[i] = light ? (2 / p) * (u[i] - 1) + 1 : (2 / p) * (u[i] + 1) - 1;
  if (light) {
    double lowest = 1;
    for (std::size_t i = 0; i < 3; ++i) {
      if (h[i] < lowest) {
        lowest = h[i];
        j = i;
      }
    }
  }

  double sixths = 0;
  switch (j) {
    case 0:
      sixths = h[1] > h[2] ? (h[2] + 1) / 2 + 2 : 4 - (h[1] + 1) / 2;
      break;
    case 1:
      sixths = h[2] > h[0] ? (h[0] + 1) / 2 + 4 : 6 - (h[2] + 1) / 2;
      break;
    default:
      sixths = h[1] < h[0] ? (h[1] + 1) / 2 : 2 - (h[0] + 1) / 2;
      break;
  }

  double saturation = 0;
  for (const auto& [x, y] : kPairs) {
    if (std::fabs(a[x] - a[y]) <= kEpsilon) continue;
    saturation = light ? (a[x] - a[y]) / (h[y] * (a[x] - 1) - h[x] * (a[y] - 1))
                       : (a[x] - a[y]) / (h[x] * (a[y] + 1) - h[y] * (a[x] + 1));
    break;
  }

  double c = light ? a[0] - 1 : a[0] + 1;
  for (const auto& [x, y] : kPairs) {
    if (std::fabs(h[x] - h[y]) <= kEpsilon) continue;
    c = light ? (h[x] * (a[y] - 1) - h[y] * (a[x] - 1)) / (h[x] - h[y])
              : (h[x] * (a[y] + 1) - h[y] * (a[x] + 1)) / (h[x] - h[y]);
    break;
  }
  const double luminance = light ? c / 2 + 1 : c / 2;
  return {Clamp01(sixths / 6), Clamp01(luminance), Clamp01(saturation)};
}

TBevelColours BevelColours(TRgbBytes face, int dark_tenths, int light_tenths) {
  const double towards_white = (10 - light_tenths) / 10.0;
  const auto lighten = [towards_white](std::uint8_t v) {
    return ToByte(255 - RoundHalfEven(towards_white * (256 - v)));
  };
  const TRgbBytes highlight{lighten(face.red), lighten(face.green), lighten(face.blue)};

  THls hls = RGB2HLS(face.red / 255.0, face.green / 255.0, face.blue / 255.0);
  hls.luminance = Clamp01(hls.luminance * (10 - dark_tenths) / 10);
  const TRgb dark = HLS2RGB(hls.hue, hls.luminance, hls.saturation);
  const TRgbBytes shadow{ToByte(RoundHalfEven(255 * dark.red)),
                         ToByte(RoundHalfEven(255 * dark.green)),
                         ToByte(RoundHalfEven(255 * dark.blue))};
  return {highlight, shadow};
}

}  // namespace quillmark
