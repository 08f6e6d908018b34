#pragma once
// The sizes and ranges of the stand-in service's generated data, kept in one place.

#include <cstddef>
#include <cstdint>

#include "pages/page_format.h"

namespace quillmark::demo {

// Port `qmk serve-demo` listens on when none is given (documented in the README).
inline constexpr int kDefaultDemoPort = 8089;
// Longest reply delay accepted; beyond it a request would outlive any client's time limit anyway.
inline constexpr int kMaxLatencyMs = 60'000;
// Connections the system holds for the service before it takes them: a research sends up to 32
// fetches at once, and a connection refused for want of room waits a second for its retry.
inline constexpr int kListenBacklog = 128;
// The service answers GET only; anything larger is refused before it is read.
inline constexpr std::size_t kMaxRequestBody = 64 * 1024;

// A seed or phrase longer than this is cut, so a page stays small whatever the request holds.
inline constexpr std::size_t kMaxPhraseLength = 200;

// Suggestion pages list this many phrases, the seed included.
inline constexpr int kMinSuggestions = 30;
inline constexpr int kMaxSuggestions = 60;
// A service started for long runs (benchmarks) may be asked for up to this many instead.
inline constexpr std::size_t kMaxRequestedSuggestions = 500;
// Demand of the seed phrase, the head of a Zipf-like tail.
inline constexpr std::uint64_t kMinSeedDemand = 8'000;
inline constexpr std::uint64_t kMaxSeedDemand = 90'000;

// Search pages: the reported supply, and the deepest offset served.
inline constexpr std::uint64_t kMinSupply = 2'000;
inline constexpr std::uint64_t kMaxSupply = 40'000'000;
inline constexpr int kMaxResultOffset = 1'000'000;
// A demo site, when listed for a phrase, stands within the first this many results.
inline constexpr int kDemoRankSpread = 100;

// Top-searches pages: phrases per day, and how many of them are ones the filter should drop.
inline constexpr int kMinTopPhrases = 30;
inline constexpr int kMaxTopPhrases = 50;
inline constexpr int kMinUnwantedTopPhrases = 4;
inline constexpr int kMaxUnwantedTopPhrases = 7;
inline constexpr int kTopCellsPerRow = 5;

}  // namespace quillmark::demo
