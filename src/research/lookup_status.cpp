#include "research/lookup_status.h"

#include "research/keyword_row.h"

namespace quillmark {
namespace {

bool SupplyFailed(const LookupStatus& s) {
  return s.supply == SupplyLookup::kNotFetched || s.supply == SupplyLookup::kSkipped;
}

bool RankFailed(const LookupStatus& s) {
  return s.rank == RankLookup::kNotFetched || s.rank == RankLookup::kStopped;
}

std::string PagesText(std::int64_t pages) {
  return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}

}  // namespace

std::string DescribeSupplyLookup(const LookupStatus& status) {
  switch (status.supply) {
    case SupplyLookup::kNotAsked:
      return {};
    case SupplyLookup::kCounted:
      return "supply counted";
    case SupplyLookup::kNoCount:
      return "result page without a count";
    case SupplyLookup::kNotFetched:
      return "page not fetched: " + status.supply_reason;
    case SupplyLookup::kSkipped:
      return "supply not looked up: stopped";
  }
  return {};
}

std::string DescribeRankLookup(const LookupStatus& status) {
  const std::string of_pages = " of " + PagesText(status.rank_pages);
  switch (status.rank) {
    case RankLookup::kNotAsked:
      return {};
    case RankLookup::kFound:
      return "rank found";
    case RankLookup::kNotFound:
      return "not within the " + PagesText(status.rank_pages) + " searched";
    case RankLookup::kNotFetched:
      return "rank not fetched on " + std::to_string(status.rank_pages_failed) + of_pages + ": " +
             status.rank_reason;
    case RankLookup::kStopped:
      return "rank searched on " + std::to_string(status.rank_pages_searched) + of_pages +
             ": stopped";
  }
  return {};
}

bool LookupFailed(const LookupStatus& status, KeywordColumn column) {
  switch (column) {
    case kColumnSupply:
    case kColumnCost:
      return SupplyFailed(status);
    case kColumnRank:
      return RankFailed(status);
    case kColumnProfitability:
    case kColumnEstimate:
      return RankFailed(status) || (SupplyFailed(status) && status.rank == RankLookup::kFound);
    default:
      return false;
  }
}

bool LookupStopped(const LookupStatus& status) {
  return status.supply == SupplyLookup::kSkipped || status.rank == RankLookup::kStopped;
}

}  // namespace quillmark
