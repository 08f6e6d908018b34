#pragma once
// A hash of a text that is the same on every build and platform, which std::hash does not
// promise: the generated pages draw their data from it, and the reply cache names its files.

#include <cstdint>
#include <string_view>

namespace quillmark::pages {

// 64-bit FNV-1a over the bytes of `text`; another start value gives another hash.
constexpr std::uint64_t Fnv1a(std::string_view text, std::uint64_t hash = 0xcbf29ce484222325ULL) {
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

}  // namespace quillmark::pages
