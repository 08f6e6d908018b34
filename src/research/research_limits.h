#pragma once
// The fixed sizes of the research run, in one place: the Investigate dialog's answers (their
// bounds and defaults), how many fetches a research keeps in flight, and the page reading. The
// results per rank page are the page format's (pages/page_format.h).

#include <cstddef>
#include <cstdint>

namespace quillmark {

// Result pages of 20 to search for the rank ("Max pages to search"), and phrases to list
// ("Number of Results"): what the dialog and the command lines take, and their defaults.
inline constexpr int kMinMaxPages = 1;
inline constexpr int kMaxMaxPages = 20;
inline constexpr int kDefaultMaxPages = 3;
inline constexpr int kMinMaxResults = 2;
inline constexpr int kMaxMaxResults = 100;
inline constexpr int kDefaultMaxResults = 10;

// Fetches one research keeps in flight at once, at most and unless told otherwise, against the
// stand-in and the user's own endpoints: the stand-in answers 32 at once.
inline constexpr int kMaxParallelFetches = 32;
inline constexpr int kDefaultParallelFetches = 8;
// The same against a provider's API. DataForSEO documents 2,000 organic-results calls a minute
// and no limit on calls in flight for them (30 at once for its Labs endpoints, which we take as
// the polite default); at about 6 s a live call, 30 in flight make some 300 calls a minute.
inline constexpr int kDefaultProviderParallel = 30;
inline constexpr int kMaxProviderParallel = 100;

// Phrases of the user's own list researched in one run: one search-volume call carries them all.
inline constexpr std::size_t kMaxListPhrases = 1000;

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
