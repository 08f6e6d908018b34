#include "research/supply_lookup.h"

#include "research/page_text.h"
#include "research/research_limits.h"
#include "research/researcher.h"

namespace quillmark {
namespace {

// The engine writes "results 1 - 20 of about 1,230,000 for blue widgets".
constexpr std::string_view kCountMarker = "of about";
constexpr std::string_view kCountEnd = "for";

}  // namespace

std::string ReadSupplyCount(std::string_view lowered_page, bool* has_marker) {
  std::string count;
  const std::size_t at = FindText(kCountMarker, lowered_page);
  if (has_marker != nullptr) *has_marker = at > 0;
  if (at == 0) {
    count = "?";
  } else {
    std::string_view window =
        SubText(lowered_page, static_cast<std::int64_t>(at), kSupplyWindowLength);
    window = SubText(window, static_cast<std::int64_t>(kCountMarker.size()) + 1, kSupplyCountSpan);
    // Without a "for" in the window the count is empty: -1 is a negative count.
    window = SubText(window, 1, static_cast<std::int64_t>(FindText(kCountEnd, window)) - 1);
    count = ReplaceAllNoCase(window, ",", "");
    count = ReplaceAllNoCase(count, ".", "");
    count = std::string(TrimText(count));
  }
  if (count.empty()) count = "0";
  return StripNumberPunctuation(count);
}

std::string Researcher::LookupSupply(std::string_view phrase, LookupStatus* status) {
  LookupStatus ignored;
  LookupStatus& s = status ? *status : ignored;
  s.supply = SupplyLookup::kNotAsked;
  s.supply_reason.clear();
  host_.SetStatusText(std::string(phrase));
  Pump();
  if (phrase.empty()) return {};
  FetchResult fetched = Fetch(SupplyUrl(endpoints_.search_host, phrase));
  // A stopped lookup gives the text of a fetch without reply, whatever part of a page came.
  if (fetched.status == FetchStatus::kCancelled) fetched.body.clear();
  Pump();
  LowerInPlace(fetched.body);
  bool has_marker = false;
  std::string supply = ReadSupplyCount(fetched.body, &has_marker);
  switch (fetched.status) {
    case FetchStatus::kComplete:
      s.supply = has_marker ? SupplyLookup::kCounted : SupplyLookup::kNoCount;
      break;
    case FetchStatus::kFailed:
      s.supply = SupplyLookup::kNotFetched;
      s.supply_reason = fetched.reason;
      break;
    case FetchStatus::kCancelled:
      s.supply = SupplyLookup::kSkipped;
      break;
  }
  Pump();
  return supply;
}

}  // namespace quillmark
