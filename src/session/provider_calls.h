#pragma once
// What the front ends say about provider calls: the most a research can make before it starts,
// the waits and retries while it goes, and what the calls made and cost once it ends.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "session/research_run.h"
#include "sources/price_table.h"
#include "sources/source.h"

namespace quillmark::session {

// The most provider calls a keyword research of `max_results` phrases can make: the keyword
// ideas, then per phrase its supply and one call that covers all of its rank pages.
std::int64_t MostProviderCalls(int max_results);
// "up to 21 provider calls".
std::string MostCallsText(int max_results);

// The most a provider research can make and cost, said before it starts: its demand call (the
// seed's keyword ideas, or one search-volume call per kMaxVolumeBatch phrases of a list), then per
// phrase its supply and, with a target, one call that covers all of its rank pages; each at the
// price the table knows for its shape. A list whose batch the provider empties for a refused
// phrase makes up to kMaxVolumeSplitCalls more: the run's budget, not this bound, holds them.
struct WorstCase {
  std::int64_t calls = 0;
  double money = 0;
};
WorstCase ResearchWorstCase(const RunRequest& request, const sources::PriceTable& prices);
// "up to 201 provider calls, at most $1.24".
std::string WorstCaseText(const WorstCase& worst);
// "$1.24": USD rounded up to the cent, for a bound that must not read lower than it is.
std::string MoneyUpText(double usd);

// USD the runs recorded in the history spent in the current calendar month (local time), from
// the history file; nullopt when it cannot be read. A history not yet made is $0 and stays unmade.
std::optional<double> MoneySpentThisMonth();
// "$0.4200 spent this month (the runs in the history)", or why it is not known.
std::string SpentThisMonthText(const std::optional<double>& spent);

// "$0.0420": USD to a hundredth of a cent, as the providers price a call; "-$1.5000" for an
// account in debt. A balance and each reply's cost are bounded (kMaxMoney), far within what
// the figure holds.
std::string MoneyText(double usd);
// "21 provider calls (3 from the cache), $0.0420", followed within the brackets, when there are
// any, by the tasks queued ("198 tasks queued"), the calls that finished after a stop, the retries
// and the calls still awaiting their reply: "(0 from the cache, 8 finished after Stop, 1 retry
// after a rate limit, 2 awaiting a reply)".
std::string CallsText(const sources::CallCounts& calls);
// What a run going says of its calls: "waiting 4 s: DataForSEO asked to slow down" while a rate
// limit holds them, else QueueWaitText while queued tasks are waited for, else "21 calls planned,
// 16 retries after a rate limit" once there were retries beyond the plan, else "up to 21 provider
// calls". `max_results` 0: no plan (a top searches listing), of which only a wait or the retries
// are said.
std::string RunningCallsText(const std::string& provider, int max_results,
                             const sources::CallCounts& calls, std::chrono::milliseconds waiting);
// "waiting for DataForSEO's queue: 37 of 100 tasks ready" while the run waits for queued tasks
// (economy), else "".
std::string QueueWaitText(const std::string& provider, const sources::CallCounts& calls);
// "40 queued tasks paid for and not collected; the same research within 30 days collects them
// free of charge": the tasks a stop left in the provider's queue.
std::string UncollectedTasksText(std::int64_t tasks);
// "8 calls sent, replies not seen; the provider may bill them": calls the program's end gave up.
std::string UnansweredCallsText(std::int64_t calls);
// The provider's name for people: "DataForSEO" for "dataforseo".
std::string ProviderTitle(const std::string& provider);

}  // namespace quillmark::session
