#pragma once
// Reading numbers out of texts a peer wrote, the way the platform's integer conversion does:
// optional leading blanks and a sign, then digits to the very end; anything else is no number.

#include <charconv>
#include <string>
#include <string_view>

#include "net/net_errors.h"

namespace quillmark::net {

template <typename Integer>
bool ReadDecimal(std::string_view text, Integer& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// Raises EConvertError when `text` is not a number.
template <typename Integer>
Integer ToDecimal(std::string_view text) {
  Integer value{};
  if (!ReadDecimal(text, value)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return value;
}

}  // namespace quillmark::net
