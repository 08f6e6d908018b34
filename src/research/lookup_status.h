#pragma once
// How a row's supply and rank lookups went, kept beside the row's texts. The texts stay as the
// lookups make them ("?", "-", digits); this says which of them were measured, so a page that
// could not be fetched or a run that was stopped is never mistaken for a real "?" or "-". It
// lives only in memory: investigation files keep their layout.

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillmark {

enum KeywordColumn : std::size_t;

enum class SupplyLookup {
  kNotAsked,    // no lookup: an empty phrase, a row read from a file, or not reached yet
  kCounted,     // the result page gave a count
  kNoCount,     // the result page was fetched but shows no count ("?")
  kNotFetched,  // the result page could not be fetched (see the reason)
  kSkipped,     // a stop came first: the page was not fetched, or not to its end
};

enum class RankLookup {
  kNotAsked,    // no lookup: no phrase, no target, no pages to search, or not reached yet
  kFound,       // the target was found and every page before it was searched
  kNotFound,    // the target is not within the pages searched
  kNotFetched,  // some result pages could not be fetched, so "-" or the rank may be wrong
  kStopped,     // a stop ended the lookup before its pages were all searched
};

struct LookupStatus {
  SupplyLookup supply = SupplyLookup::kNotAsked;
  std::string supply_reason;  // why the supply page was not fetched
  RankLookup rank = RankLookup::kNotAsked;
  std::int64_t rank_pages = 0;           // result pages the lookup would search at most
  std::int64_t rank_pages_searched = 0;  // pages asked for and answered, whole or not
  std::int64_t rank_pages_failed = 0;    // of these, pages not fetched whole
  std::string rank_reason;               // why the first of them was not fetched

  bool operator==(const LookupStatus&) const = default;
};

// In words, for a tooltip and for qmk's standard error: "supply counted", "page not fetched:
// Socket Error # 10061 Connection refused.", "supply not looked up: stopped". Empty when no
// lookup was made.
std::string DescribeSupplyLookup(const LookupStatus& status);
// "rank found", "not within the 5 pages searched", "rank not fetched on 2 of 5 pages: time limit
// reached", "rank searched on 2 of 5 pages: stopped". Empty when no lookup was made.
std::string DescribeRankLookup(const LookupStatus& status);

// Whether the text of this column rests on a lookup that failed or was stopped: Supply and
// Cost-per-Prospect on the supply; Rank #, Profitability and Estimated prospects # on the rank,
// and the last two also on the supply when a rank was found (the supply then scales them).
bool LookupFailed(const LookupStatus& status, KeywordColumn column);
// Whether a stop cut the row's lookups short.
bool LookupStopped(const LookupStatus& status);

}  // namespace quillmark
