#pragma once
// The stand-in's twelve months of a phrase's demand, so the history's months show without a
// provider account. Generated, and to be labelled so wherever they show.

#include <cstdint>
#include <string_view>
#include <vector>

#include "research/monthly_demand.h"

namespace quillmark::demo {

// The twelve months ending with the month before `today` (yyyymmdd), oldest first. The season
// is the phrase's own: a peak month and a swing chosen from the phrase, rising and falling
// smoothly around it, with a little noise; the last month is `last_month` exactly, the demand the
// stand-in's suggestion page showed.
std::vector<MonthlyDemand> DemoMonthlyDemand(std::string_view phrase, std::int64_t last_month,
                                             int today);

}  // namespace quillmark::demo
