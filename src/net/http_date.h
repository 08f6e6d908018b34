#pragma once
// The lenient reader of HTTP date values (RFC 1123, RFC 850 and near misses). Dates are kept as
// day counts since 1899-12-30 with the time of day as the fraction, 0 meaning "no date".

#include <string_view>

namespace quillmark::net {

using TNetDateTime = double;

// Local date-time of an HTTP date text; 0 when it cannot be read. Never raises.
TNetDateTime ReadHttpDate(std::string_view text);
// Day count of a calendar date and time (no time-zone conversion).
TNetDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace quillmark::net
