#include "research/whole_number.h"

#include <limits>

namespace quillmark {

namespace {

// Where the digits begin after the blanks and the sign, and whether the sign is a minus; nothing
// when the text is not written as a whole number at all.
std::optional<std::size_t> DigitsStart(std::string_view text, bool& negative) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  for (std::size_t d = i; d < text.size(); ++d)
    if (text[d] < '0' || text[d] > '9') return std::nullopt;
  return i;
}

}  // namespace

std::optional<std::int32_t> ReadWholeNumber(std::string_view text) {
  bool negative = false;
  const auto start = DigitsStart(text, negative);
  if (!start) return std::nullopt;
  // Accumulated as a magnitude in 64 bits so that -2147483648 reads and overflow is caught
  // before it can wrap.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (std::size_t i = *start; i < text.size(); ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) return std::nullopt;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

bool WholeNumberBeyondRange(std::string_view text) {
  bool negative = false;
  return DigitsStart(text, negative) && !ReadWholeNumber(text);
}

}  // namespace quillmark
