#pragma once
// What the front ends say about provider calls: the most a research can make before it starts,
// the waits and retries while it goes, and what the calls made and cost once it ends.

#include <chrono>
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
// "21 provider calls (3 from the cache), $0.0420", followed within the brackets, when there are
// any, by the calls that finished after a stop, the retries and the calls still awaiting their
// reply: "(0 from the cache, 8 finished after Stop, 1 retry after a rate limit, 2 awaiting a
// reply)".
std::string CallsText(const sources::CallCounts& calls);
// What a run going says of its calls: "waiting 4 s: DataForSEO asked to slow down" while a rate
// limit holds them, else "21 calls planned, 16 retries after a rate limit" once there were
// retries beyond the plan, else "up to 21 provider calls". `max_results` 0: no plan (a top
// searches listing), of which only a wait or the retries are said.
std::string RunningCallsText(const std::string& provider, int max_results,
                             const sources::CallCounts& calls, std::chrono::milliseconds waiting);
// "8 calls sent, replies not seen; the provider may bill them": calls the program's end gave up.
std::string UnansweredCallsText(std::int64_t calls);
// The provider's name for people: "DataForSEO" for "dataforseo".
std::string ProviderTitle(const std::string& provider);

}  // namespace quillmark::session
