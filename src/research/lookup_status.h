#pragma once
// How a row's demand was read and how its supply and rank lookups went, kept beside the row's
// texts. The texts stay as the page and the lookups make them ("?", "-", digits); this says which
// of them were measured, so a page that could not be fetched, a run that was stopped or a demand
// the suggestion service does not know is never mistaken for a real "?", "-" or "0". It lives
// only in memory: investigation files keep their layout.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

enum KeywordColumn : std::size_t;

enum class DemandLookup {
  kNotAsked,  // a row read from a file, or not reached yet
  kCounted,   // the suggestion page gave a whole number, however large
  kUnknown,   // it gave something else: "?" from a provider that does not know, "", "1,000"
};

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
  DemandLookup demand = DemandLookup::kNotAsked;
  SupplyLookup supply = SupplyLookup::kNotAsked;
  std::string supply_reason;  // why the supply page was not fetched
  RankLookup rank = RankLookup::kNotAsked;
  std::int64_t rank_pages = 0;           // result pages the lookup would search at most
  std::int64_t rank_pages_searched = 0;  // pages asked for and answered, whole or not
  std::int64_t rank_pages_failed = 0;    // of these, pages not fetched whole
  std::string rank_reason;               // why the first of them was not fetched

  bool operator==(const LookupStatus&) const = default;
};

// Whether a Demand text, as the suggestion page reading gives it, is a count: only a whole
// number is one, also one too large for the indices to read.
DemandLookup ReadDemandLookup(std::string_view demand_text);

// In words, for a tooltip and for qmk's standard error: "demand unknown: ...". Empty when the
// demand was counted or not read.
std::string DescribeDemandLookup(const LookupStatus& status);
// "supply counted", "page not fetched:
// Socket Error # 10061 Connection refused.", "supply not looked up: stopped". Empty when no
// lookup was made.
std::string DescribeSupplyLookup(const LookupStatus& status);
// "rank found", "not within the 5 pages searched", "rank not fetched on 2 of 5 pages: time limit
// reached", "rank searched on 2 of 5 pages: stopped". Empty when no lookup was made.
std::string DescribeRankLookup(const LookupStatus& status);

// Whether the text of this column rests on a lookup that failed, was stopped or gave no count:
// Demand on the demand; Supply on the supply; Cost-per-Prospect on both; Rank #, Profitability
// and Estimated prospects # on the rank, the last two also on the supply when a rank was found
// (the supply then scales them), and Estimated prospects # also on the demand.
bool LookupFailed(const LookupStatus& status, KeywordColumn column);
// Why the column's text is not measured, one line per lookup it rests on, for a tooltip; empty
// when LookupFailed is false.
std::string DescribeUnmeasured(const LookupStatus& status, KeywordColumn column);
// Whether a stop cut the row's lookups short.
bool LookupStopped(const LookupStatus& status);

}  // namespace quillmark
