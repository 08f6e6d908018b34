#pragma once
// Letter-case rules of the web-access layer: only a-z and A-Z fold, whatever the locale.

#include <string_view>

namespace quillmark::net {

inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Whether two texts are equal with letter case ignored.
inline bool SameTextNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

}  // namespace quillmark::net
