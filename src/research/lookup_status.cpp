#include "research/lookup_status.h"

#include "research/keyword_row.h"
#include "research/whole_number.h"

namespace quillmark {
namespace {

bool DemandUnknown(const LookupStatus& s) {
  return s.demand == DemandLookup::kUnknown;
}

bool SupplyFailed(const LookupStatus& s) {
  return s.supply == SupplyLookup::kNotFetched || s.supply == SupplyLookup::kSkipped;
}

bool RankFailed(const LookupStatus& s) {
  return s.rank == RankLookup::kNotFetched || s.rank == RankLookup::kStopped;
}

// Profitability and Estimated prospects # rest on the supply only through a rank that was found.
bool RankOrScaleFailed(const LookupStatus& s) {
  return RankFailed(s) || (SupplyFailed(s) && s.rank == RankLookup::kFound);
}

std::string PagesText(std::int64_t pages) {
  return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}

}  // namespace

DemandLookup ReadDemandLookup(std::string_view demand_text) {
  return ReadWholeNumber(demand_text) || WholeNumberBeyondRange(demand_text)
             ? DemandLookup::kCounted
             : DemandLookup::kUnknown;
}

std::string DescribeDemandLookup(const LookupStatus& status) {
  if (!DemandUnknown(status)) return {};
  return "demand unknown: the suggestion service gives no count of searches";
}

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
    case kColumnDemand:
      return DemandUnknown(status);
    case kColumnSupply:
      return SupplyFailed(status);
    case kColumnCost:
      return SupplyFailed(status) || DemandUnknown(status);
    case kColumnRank:
      return RankFailed(status);
    case kColumnProfitability:
      return RankOrScaleFailed(status);
    case kColumnEstimate:
      return RankOrScaleFailed(status) || DemandUnknown(status);
    default:
      return false;
  }
}

std::string DescribeUnmeasured(const LookupStatus& status, KeywordColumn column) {
  std::string why;
  const auto add = [&why](const std::string& line) {
    if (!line.empty()) why += why.empty() ? line : "\n" + line;
  };
  switch (column) {
    case kColumnSupply:
    case kColumnCost:
      if (SupplyFailed(status)) add(DescribeSupplyLookup(status));
      break;
    case kColumnRank:
    case kColumnProfitability:
    case kColumnEstimate:
      // The rank's story first, and the supply's when that failed as well.
      if (column == kColumnRank ? RankFailed(status) : RankOrScaleFailed(status)) {
        add(DescribeRankLookup(status));
        if (SupplyFailed(status)) add(DescribeSupplyLookup(status));
      }
      break;
    default:
      break;
  }
  if (column == kColumnDemand || column == kColumnCost || column == kColumnEstimate)
    add(DescribeDemandLookup(status));
  return why;
}

bool LookupStopped(const LookupStatus& status) {
  return status.supply == SupplyLookup::kSkipped || status.rank == RankLookup::kStopped;
}

}  // namespace quillmark
