#include "net/http_date.h"

#include <cctype>
#include <ctime>
#include <string>

namespace quillmark::net {

namespace {

// A small cursor over the date text; every read is bounded, so no input can make it fail.
struct Cursor {
  std::string_view s;
  std::size_t i = 0;

  void SkipSeparators() {
    while (i < s.size() && (s[i] == ' ' || s[i] == ',' || s[i] == '-' || s[i] == '\t')) ++i;
  }
  bool ReadNumber(int& value, std::size_t max_digits) {
    std::size_t n = 0;
    long v = 0;
    while (i < s.size() && n < max_digits && std::isdigit(static_cast<unsigned char>(s[i]))) {
      v = v * 10 + (s[i] - '0');
      ++i;
      ++n;
    }
    if (n == 0) return false;
    value = static_cast<int>(v);
    return true;
  }
  std::string ReadWord() {
    std::string w;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) {
      w += static_cast<char>(std::toupper(static_cast<unsigned char>(s[i])));
      ++i;
    }
    return w;
  }
};

int MonthOf(const std::string& word) {
  static constexpr const char* kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                            "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
  if (word.size() < 3) return 0;
  for (int m = 0; m < 12; ++m) {
    if (word.compare(0, 3, kMonths[m]) == 0) return m + 1;
  }
  return 0;
}

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
long DaysFromCivil(long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long>(doe) - 719468;
}

constexpr long kDaysFrom1899To1970 = 25569;
constexpr double kSecondsPerDay = 86400.0;

}  // namespace

TNetDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
  const long days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
                    kDaysFrom1899To1970;
  return static_cast<double>(days) + (hour * 3600 + minute * 60 + second) / kSecondsPerDay;
}

TNetDateTime ReadHttpDate(std::string_view text) {
  Cursor c{text};
  c.SkipSeparators();
  // An optional day name ("Sun," or "Sunday,").
  if (c.i < text.size() && std::isalpha(static_cast<unsigned char>(text[c.i]))) {
    const std::size_t before = c.i;
    if (MonthOf(c.ReadWord()) != 0) c.i = before;  // no day name: the word is the month
    c.SkipSeparators();
  }
  int day = 1;
  if (!c.ReadNumber(day, 2)) day = 1;
  c.SkipSeparators();
  const int month = MonthOf(c.ReadWord());
  if (month == 0) return 0;
  c.SkipSeparators();
  int year = 0;
  const std::size_t year_start = c.i;
  if (!c.ReadNumber(year, 4)) return 0;
  if (c.i - year_start <= 2) year += year < 80 ? 2000 : 1900;
  if (day < 1 || day > 31) return 0;
  int hour = 0, minute = 0, second = 0;
  long offset_minutes = 0;
  if (text.find(':', c.i) != std::string_view::npos) {
    c.SkipSeparators();
    if (!c.ReadNumber(hour, 2)) return 0;
    if (c.i < text.size() && text[c.i] == ':') ++c.i;
    if (!c.ReadNumber(minute, 2)) return 0;
    if (c.i < text.size() && text[c.i] == ':') {
      ++c.i;
      if (!c.ReadNumber(second, 2)) return 0;
    }
    if (hour > 23 || minute > 59 || second > 60) return 0;
  }
  // The zone: "+hhmm" / "-hhmm"; GMT, UTC and anything else count as no offset.
  while (c.i < text.size() && text[c.i] == ' ') ++c.i;
  if (c.i + 5 <= text.size() && (text[c.i] == '+' || text[c.i] == '-')) {
    const char sign = text[c.i];
    ++c.i;
    int hhmm = 0;
    const std::size_t start = c.i;
    if (c.ReadNumber(hhmm, 4) && c.i - start == 4) {
      offset_minutes = (hhmm / 100) * 60 + hhmm % 100;
      if (sign == '-') offset_minutes = -offset_minutes;
    }
  }
  // To UTC, then to the local time of that instant.
  const long long utc_seconds =
      static_cast<long long>(
          DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day))) *
          86400 +
      hour * 3600 + minute * 60 + second - offset_minutes * 60;
  const std::time_t t = static_cast<std::time_t>(utc_seconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return 0;
  return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                        local.tm_min, local.tm_sec);
}

}  // namespace quillmark::net
