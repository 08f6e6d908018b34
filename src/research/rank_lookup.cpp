#include "research/rank_lookup.h"

#include <algorithm>
#include <optional>
#include <string>

#include "pages/page_format.h"
#include "research/forward_finder.h"
#include "research/page_text.h"
#include "research/research_limits.h"
#include "research/researcher.h"

namespace quillmark {
namespace {

// The result list follows the count; one "<li>" per result.
constexpr std::string_view kListStart = "of about";
constexpr std::string_view kItem = "<li>";

}  // namespace

std::int64_t RankItemOffset(std::string_view lowered_page, std::string_view lowered_target) {
  std::string_view page = lowered_page;
  if (const std::size_t start = FindText(kListStart, page); start > 0)
    page.remove_prefix(start - 1);
  // An item runs from its "<li>" up to the next one; the last item runs to the end of the page,
  // so the 20th result of a page counts like the others.
  ForwardFinder items(page, kItem);
  std::int64_t index = 0;
  for (std::size_t s = items.FindFrom(0); s != ForwardFinder::npos; ++index) {
    const std::size_t next = items.FindFrom(s + kItem.size());
    const std::string_view item =
        page.substr(s, next == ForwardFinder::npos ? std::string_view::npos : next - s);
    if (FindText(lowered_target, item) > 0) return index;
    s = next;
  }
  return 0;
}

std::string Researcher::LookupRank(std::string_view phrase, std::string_view target_url,
                                   std::int64_t max_pages, LookupStatus* status) {
  LookupStatus ignored;
  LookupStatus& s = status ? *status : ignored;
  s.rank = RankLookup::kNotAsked;
  s.rank_pages = s.rank_pages_searched = s.rank_pages_failed = 0;
  s.rank_reason.clear();
  const std::string target = LowerText(target_url);
  if (phrase.empty() || target.empty()) return "-";
  const std::int64_t pages = std::min(max_pages, kMaxRankPages);
  const std::int64_t budget = pages * pages::kResultsPerRankPage;
  std::int64_t offset = 1;
  if (offset > budget) return "-";
  s.rank_pages = pages;

  std::optional<std::int64_t> rank;
  bool stopped = false;
  // Pages before the target's page that were not fetched whole: the target may stand there.
  std::int64_t failed_before = 0;
  do {
    FetchResult fetched = Fetch(RankUrl(endpoints_.search_host, phrase, offset));
    if (fetched.status == FetchStatus::kCancelled) {
      // Stopped while this page was on its way: it is not searched, and no other page is.
      stopped = true;
      break;
    }
    ++s.rank_pages_searched;
    if (!fetched.Complete()) {
      ++s.rank_pages_failed;
      if (s.rank_reason.empty()) s.rank_reason = fetched.reason;
    }
    std::string& page = fetched.body;
    Pump();
    LowerInPlace(page);
    if (FindText(target, page) == 0) {
      if (!fetched.Complete()) ++failed_before;
      offset += pages::kResultsPerRankPage;
      Pump();
    } else {
      rank = offset + RankItemOffset(page, target);
    }
    Pump();
    // A stop takes effect after the page being read; the row is still finished by the caller.
    if (host_.EscapeDown() || Stopped() || rank) {
      stopped = !rank && offset <= budget;
      break;
    }
  } while (offset <= budget);

  if (stopped) {
    s.rank = RankLookup::kStopped;
  } else if (rank) {
    s.rank = failed_before > 0 ? RankLookup::kNotFetched : RankLookup::kFound;
  } else {
    s.rank = s.rank_pages_failed > 0 ? RankLookup::kNotFetched : RankLookup::kNotFound;
  }
  return rank ? std::to_string(*rank) : "-";
}

}  // namespace quillmark
