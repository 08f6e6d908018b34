#pragma once
// Reads back a page URL that the research code built (research/endpoints.h): which page it asks
// for and about what.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::pages {

enum class PageKind { kUnknown, kSuggestion, kSupply, kRank, kTopSearches, kPhraseList };

struct PageRequest {
  PageKind kind = PageKind::kUnknown;
  std::string phrase;       // the decoded seed or phrase, without the exact-phrase quotes
  std::int64_t offset = 0;  // a rank page's first result, 1-based
  std::int64_t count = 0;   // a phrase list's phrases
};

// Only the path and query count; the scheme and host are whatever the caller put there, and may
// be left out ("/search?p=..."). The query is read from the first "?": a "?", "/" or "://" in a
// value, as an older client sends it unencoded, is part of the phrase.
PageRequest ReadPageUrl(std::string_view url);

}  // namespace quillmark::pages
