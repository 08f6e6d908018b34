#pragma once
// What the front ends say about provider calls: the most a research can make before it starts,
// and what the calls made and cost once it ends.

#include <cstdint>
#include <string>

#include "sources/source.h"

namespace quillmark::session {

// The most provider calls a keyword research of `max_results` phrases can make: the keyword
// ideas, then per phrase its supply and one call that covers all of its rank pages.
std::int64_t MostProviderCalls(int max_results);
// "up to 21 provider calls".
std::string MostCallsText(int max_results);

// "$0.0420": USD to a hundredth of a cent, as the providers price a call; "-$1.5000" for an
// account in debt. A balance and each reply's cost are bounded (kMaxMoney), far within what
// the figure holds.
std::string MoneyText(double usd);
// "21 provider calls (3 from the cache), $0.0420", with ", 1 retry after a rate limit" after the
// cached ones when there were any.
std::string CallsText(const sources::CallCounts& calls);

}  // namespace quillmark::session
