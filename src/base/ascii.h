#pragma once
// ASCII text rules every folder shares: letter case folds for A-Z and a-z only, whatever the
// locale (bytes above 127 are code-page letters the program never folds), decimal and hexadecimal
// digits, and trimming of the control codes and the blank (0 to 32). Depends on nothing of ours.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmark::ascii {

constexpr char ToLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char ToUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

inline void LowerInPlace(std::string& text) {
  for (char& c : text) c = ToLower(c);
}

inline void UpperInPlace(std::string& text) {
  for (char& c : text) c = ToUpper(c);
}

inline std::string ToLower(std::string_view text) {
  std::string out(text);
  LowerInPlace(out);
  return out;
}

inline std::string ToUpper(std::string_view text) {
  std::string out(text);
  UpperInPlace(out);
  return out;
}

// Whether two texts are equal with the letter case of A-Z ignored.
constexpr bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (ToLower(a[i]) != ToLower(b[i])) return false;
  return true;
}

// The value of a hexadecimal digit (either case), or -1.
constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The upper-case digit of the low four bits of `value`: 0..9, A..F.
constexpr char HexDigit(unsigned value) {
  return "0123456789ABCDEF"[value & 0x0F];
}

// Whether the text is one or more of the digits 0 to 9 and nothing else.
constexpr bool AllDigits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// A control code or the blank: the bytes 0 to 32 that trimming drops.
constexpr bool IsSpaceOrControl(char c) {
  return static_cast<unsigned char>(c) <= 32;
}

// The text without the bytes 0 to 32 at either end.
constexpr std::string_view Trim(std::string_view text) {
  std::size_t first = 0;
  std::size_t last = text.size();
  while (first < last && IsSpaceOrControl(text[first])) ++first;
  while (last > first && IsSpaceOrControl(text[last - 1])) --last;
  return text.substr(first, last - first);
}

}  // namespace quillmark::ascii
