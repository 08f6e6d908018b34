#pragma once
// The fixed sizes of the research run's page reading, in one place.

#include <cstdint>

namespace quillmark {

// The search engine is asked for pages of this many results; the rank offsets step by it.
inline constexpr std::int64_t kResultsPerPage = 20;
// The supply count is read from this many characters starting at "of about"...
inline constexpr std::int64_t kSupplyWindowLength = 150;
// ...of which the count must stand within the ones after the marker itself.
inline constexpr std::int64_t kSupplyCountSpan = 100;
// More result pages than this per phrase are never asked for, whatever the caller passes; it
// keeps the page budget's arithmetic far from overflowing.
inline constexpr std::int64_t kMaxRankPages = 1'000'000;

}  // namespace quillmark
