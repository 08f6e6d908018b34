#pragma once
// The regional decimal separator, one setting for the whole process, and the reading and writing
// of decimal column texts with it.

#include <optional>
#include <string>
#include <string_view>

namespace quillmark {

char DecimalSeparator();
void SetDecimalSeparator(char c);
// Takes the separator of the user's LC_NUMERIC without touching the global C locale, which the
// window toolkit owns. Keeps the current one when the locale cannot be opened.
void InitDecimalSeparatorFromLocale();

// A decimal text as the regional settings write it: optional leading blanks, an optional sign,
// digits with at most one separator, an optional exponent, optional trailing blanks. Anything
// else is not a number.
std::optional<long double> ReadDecimal(std::string_view text);

// `value` with at most `decimals` decimals, halves rounded away from zero, trailing zeros and a
// bare separator dropped, no thousands separators, at least one integer digit: the picture
// "##0.###" has three decimals. The value is first taken to 18 significant digits, the precision
// of the extended type, so that binary noise such as 98.09999... prints as 98.1. A value that
// rounds to zero is "0", never "-0".
std::string FormatDecimal(long double value, int decimals);

}  // namespace quillmark
