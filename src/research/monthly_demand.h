#pragma once
// One month of a phrase's searches in a market, as a provider reports it or the stand-in makes
// it up. Sources read it, the stand-in generates it and the history keeps it.

#include <cstdint>

namespace quillmark {

struct MonthlyDemand {
  int year = 0;
  int month = 0;  // 1 to 12
  std::int64_t volume = 0;

  bool operator==(const MonthlyDemand&) const = default;
};

}  // namespace quillmark
