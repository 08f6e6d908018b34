#pragma once
// What the history keeps of one finished or stopped research run: its parameters, what it cost,
// its rows as the list showed them with how their lookups went, and the monthly demand that came
// with it. Plain data, filled by whoever ran the research.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "research/lookup_status.h"
#include "research/monthly_demand.h"

namespace quillmark::history {

// A provider's market: DataForSEO's location code (2840) and language code ("en").
struct Market {
  int location = 0;
  std::string language;

  bool operator==(const Market&) const = default;
};

// The texts of a row after its keyword, in the list's order: Demand, Supply, Cost-per-Prospect,
// Rank #, Profitability, Estimated prospects #.
inline constexpr std::size_t kRowTexts = 6;

struct RunRow {
  std::string keyword;
  std::array<std::string, kRowTexts> texts{};
  // Which of the texts were measured: an unknown demand or a stopped lookup is kept as such.
  LookupStatus lookups;
};

// A phrase's searches month by month in the run's market.
struct PhraseMonths {
  std::string phrase;
  std::vector<MonthlyDemand> months;
  bool generated = false;  // made up by the stand-in, not a provider's figures
};

struct RunRecord {
  std::int64_t started = 0;  // seconds since 1970, UTC
  std::string source;        // "stand-in", "endpoints", "dataforseo"
  Market market;
  std::string seed;
  std::string target;  // "" without one
  int max_pages = 0;
  int results_asked = 0;
  bool stopped = false;
  std::int64_t calls = 0;         // provider calls made, retries included
  std::int64_t cached_calls = 0;  // answered from the reply cache
  std::int64_t retries = 0;
  double money = 0;  // USD the calls cost
  std::vector<RunRow> rows;
  std::vector<PhraseMonths> months;
};

}  // namespace quillmark::history
