#include "research/rank_lookup.h"

#include <algorithm>
#include <optional>
#include <string>

#include "research/forward_finder.h"
#include "research/page_text.h"
#include "research/research_limits.h"
#include "research/researcher.h"
#include "research/stop_request.h"

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
  ForwardFinder items(page, kItem);
  std::int64_t index = 0;
  for (std::size_t s = items.FindFrom(0); s != ForwardFinder::npos;
       s = items.FindFrom(s + kItem.size())) {
    const std::size_t next = items.FindInRest(s + kItem.size());
    if (FindText(lowered_target, page.substr(s, next)) > 0) return index;
    ++index;
  }
  return 0;
}

std::string Researcher::LookupRank(std::string_view phrase, std::string_view target_url,
                                   std::int64_t max_pages) {
  const std::string target = LowerText(target_url);
  if (phrase.empty() || target.empty()) return "-";
  const std::int64_t budget = std::min(max_pages, kMaxRankPages) * kResultsPerPage;
  std::int64_t offset = 1;
  if (offset > budget) return "-";

  std::optional<std::int64_t> rank;
  do {
    std::string page = Fetch(RankUrl(endpoints_.search_host, phrase, offset));
    Pump();
    LowerInPlace(page);
    if (FindText(target, page) == 0) {
      offset += kResultsPerPage;
      Pump();
    } else {
      rank = offset + RankItemOffset(page, target);
    }
    Pump();
    // A stop takes effect after the page being read; the row is still finished by the caller.
    if (host_.EscapeDown() || StopRequested() || rank) break;
  } while (offset <= budget);
  return rank ? std::to_string(*rank) : "-";
}

}  // namespace quillmark
