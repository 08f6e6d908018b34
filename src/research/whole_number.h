#pragma once
// The whole-number reading every consumer of a numeric column text uses.

#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmark {

// An optionally signed decimal whole number within the signed 32-bit range, after any leading
// blanks. Anything else (trailing characters, "", "?", "-", "1,000", overflow) is not
// a number.
std::optional<std::int32_t> ReadWholeNumber(std::string_view text);

// Whether the text is written as a whole number, but one beyond the signed 32-bit range: a count
// that was measured, yet too large for the reading above ("18000000000000000000").
bool WholeNumberBeyondRange(std::string_view text);

}  // namespace quillmark
