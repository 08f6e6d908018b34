#pragma once
// Deterministic pseudo-random numbers for the generated pages: the same seed text gives the same
// page on every build and platform, which std::hash and the <random> distributions do not promise.

#include <cstdint>
#include <string_view>

#include "pages/text_hash.h"

namespace quillmark::demo {

// splitmix64: tiny, fast and well mixed even from neighbouring seeds (dates, offsets).
class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t seed) : state_(seed) {}
  explicit DemoRandom(std::string_view seed_text) : state_(pages::Fnv1a(seed_text)) {}

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }

  // Uniform in [0, bound); bound must be above 0. The modulo bias is irrelevant for demo data.
  std::uint64_t Below(std::uint64_t bound) { return Next() % bound; }

  // Uniform in [low, high].
  std::int64_t Between(std::int64_t low, std::int64_t high) {
    return low + static_cast<std::int64_t>(Below(static_cast<std::uint64_t>(high - low) + 1));
  }

  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t state_;
};

}  // namespace quillmark::demo
