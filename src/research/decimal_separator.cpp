#include "research/decimal_separator.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace quillmark {
namespace {

std::atomic<char> g_separator{'.'};

constexpr int kSignificantDigits = 18;

// Whole numbers up to 10^18 and powers of ten up to 10^27 are exact in the 64-bit mantissa of
// the extended type.
constexpr int kExactDigits = 18;
constexpr int kExactPowers = 27;
constexpr auto kPowersOfTen = [] {
  std::array<long double, kExactPowers + 1> powers{};
  long double power = 1;
  for (auto& p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

char DecimalSeparator() {
  return g_separator.load(std::memory_order_relaxed);
}

void SetDecimalSeparator(char c) {
  g_separator.store(c, std::memory_order_relaxed);
}

void InitDecimalSeparatorFromLocale() {
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
  if (numeric == static_cast<locale_t>(nullptr)) return;
  const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
  // A multi-byte separator cannot be one character of our single-byte texts.
  if (radix != nullptr && radix[0] != '\0' && radix[1] == '\0') SetDecimalSeparator(radix[0]);
  freelocale(numeric);
}

std::optional<long double> ReadDecimal(std::string_view text) {
  const char separator = DecimalSeparator();
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::size_t end = text.size();
  while (end > i && text[end - 1] == ' ') --end;
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t first = i;
  // The digits as one whole number and the count of them after the separator.
  std::uint64_t mantissa = 0;
  int digit_count = 0;
  int fraction_digits = 0;
  bool point = false;
  for (; i < end; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      if (digit_count < kExactDigits) mantissa = mantissa * 10 + static_cast<unsigned>(c - '0');
      ++digit_count;
      if (point) ++fraction_digits;
    } else if (c == separator && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digit_count == 0) return std::nullopt;
  const std::size_t exponent_at = i;
  if (i < end && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t exponent_digits = i;
    while (i < end && IsDigit(text[i])) ++i;
    if (i == exponent_digits) return std::nullopt;
  }
  if (i != end) return std::nullopt;
  if (exponent_at == end && digit_count <= kExactDigits && fraction_digits <= kExactPowers) {
    // Both operands are exact in the extended type, so the one division rounds correctly,
    // exactly as the general conversion below would.
    const long double value = static_cast<long double>(mantissa) / kPowersOfTen[fraction_digits];
    return negative ? -value : value;
  }
  // Long or exponent forms: rewritten with "." so the conversion never depends on any locale.
  std::string plain(text.substr(first, end - first));
  std::replace(plain.begin(), plain.end(), separator, '.');
  long double value = 0;
  const auto [rest, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || rest != plain.data() + plain.size()) return std::nullopt;
  return negative ? -value : value;
}

std::string FormatDecimal(long double value, int decimals) {
  if (!std::isfinite(value)) return "0";
  // Decimal digits of the value to the type's precision: "d.ddd...e+XX".
  char scientific[64];
  std::snprintf(scientific, sizeof scientific, "%.*Le", kSignificantDigits - 1, value);
  const bool negative = scientific[0] == '-';
  const char* p = scientific + (negative ? 1 : 0);
  std::string digits;
  for (; *p != 'e'; ++p) {
    if (IsDigit(*p)) digits.push_back(*p);
  }
  const int exponent = std::atoi(p + 1);
  // digits[k] stands for 10^(exponent - k); keep those down to 10^-decimals.
  int integer_digits = exponent + 1;
  const int kept = integer_digits + decimals;
  if (kept < 0) return "0";
  bool carry = static_cast<std::size_t>(kept) < digits.size() && digits[kept] >= '5';
  digits.resize(std::min<std::size_t>(digits.size(), static_cast<std::size_t>(kept)));
  for (std::size_t k = digits.size(); carry && k-- > 0;) {
    carry = digits[k] == '9';
    digits[k] = carry ? '0' : static_cast<char>(digits[k] + 1);
  }
  if (carry) {
    digits.insert(digits.begin(), '1');
    ++integer_digits;
  }
  // Leading zeros for values below 1, trailing zeros up to the integer part.
  if (integer_digits < 1) {
    digits.insert(0, static_cast<std::size_t>(1 - integer_digits), '0');
    integer_digits = 1;
  }
  if (digits.size() < static_cast<std::size_t>(integer_digits)) digits.resize(integer_digits, '0');
  std::string integer = digits.substr(0, integer_digits);
  std::string fraction = digits.substr(integer_digits);
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  const std::size_t leading = integer.find_first_not_of('0');
  integer = leading == std::string::npos ? "0" : integer.substr(leading);
  std::string result;
  if (negative && !(integer == "0" && fraction.empty())) result.push_back('-');
  result += integer;
  if (!fraction.empty()) {
    result.push_back(DecimalSeparator());
    result += fraction;
  }
  return result;
}

}  // namespace quillmark
