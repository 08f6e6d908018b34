#pragma once
// The fixed sizes of the research run's page reading, in one place.

#include <cstddef>
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

// A top search longer than this is listed (and filtered) cut to this length. Without the cap a
// page whose link cells never close makes every phrase the whole rest of the page: a hundred
// such copies of a large page would exhaust memory, and filtering each would take time growing
// with the square of the page. Real search phrases are far shorter.
inline constexpr std::size_t kMaxTopPhraseLength = 2048;

}  // namespace quillmark
