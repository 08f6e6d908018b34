#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "research/forward_finder.h"
#include "research/page_text.h"
#include "research/research_limits.h"
#include "research/researcher.h"
#include "research/run_scope.h"

namespace quillmark {
namespace {

constexpr std::string_view kTableOpen = "<table";
constexpr std::string_view kTableClose = "</table";
// Each top search is one cell: "<td><a href=" address ">" phrase "</a></td>".
constexpr std::string_view kLinkCell = "<td><a href=";
constexpr std::string_view kLinkCellEnd = "</a></td>";
// Without a further link cell the walk still moves on by this much.
constexpr std::size_t kSkipWithoutCell = 11;
constexpr const char* kExtractingText = "Extracting top keywords...";

// Whether an unwanted term stands in the phrase once its spaces are gone. `squeezed` is a
// buffer kept between calls.
bool IsUnwanted(std::string_view phrase, const std::vector<std::string>& terms,
                std::string& squeezed) {
  squeezed.clear();
  std::copy_if(phrase.begin(), phrase.end(), std::back_inserter(squeezed),
               [](char c) { return c != ' '; });
  return std::any_of(terms.begin(), terms.end(), [&](const std::string& term) {
    return FindText(term, squeezed) > 0;  // an empty term occurs nowhere
  });
}

}  // namespace

FetchResult Researcher::ExtractTopSearches() {
  RunScope no_run(*this, nullptr);
  top_fetch_ = {};
  host_.SetStatusText(kExtractingText);
  Pump();
  FetchResult fetched = Fetch(TopSearchesUrl(endpoints_.top_host));
  top_fetch_ = {{}, fetched.status, fetched.reason};
  // A listing stopped while its page came lists nothing.
  if (fetched.status == FetchStatus::kCancelled) fetched.body.clear();
  Pump();
  ParseTopSearches(std::move(fetched.body));
  return top_fetch_;
}

void Researcher::ParseTopSearches(std::string page) {
  list_moved_on_ = false;
  TopSearchList& list = host_.TopSearches();
  list.Clear();
  const std::uint64_t generation = list.Generation();
  RunScope run(*this, [&list, generation] { return list.Generation() != generation; });

  LowerInPlace(page);
  const std::string_view text = page;
  std::size_t rest = 0;
  if (const std::size_t table = text.find(kTableOpen); table != std::string_view::npos) {
    rest = table;
  }
  if (text.find(kTableClose, rest) == std::string_view::npos) return;

  ForwardFinder cells(text, kLinkCell);
  ForwardFinder cell_ends(text, kLinkCellEnd);
  int counter = 0;
  std::string squeezed;
  std::optional<std::vector<std::string>> terms;
  std::size_t blank_run_end = ForwardFinder::npos;
  std::size_t blank_run_start = 0;
  try {
    bool more = false;
    do {
      const std::size_t cell_at = cells.FindFrom(rest);
      rest = cell_at != ForwardFinder::npos ? cell_at + kLinkCell.size()
                                            : std::min(text.size(), rest + kSkipWithoutCell);
      const std::size_t end = cell_ends.FindFrom(rest);
      if (end != ForwardFinder::npos && end != blank_run_end) {
        // Cells that never close all end at the same "</a></td>": the blanks before it are
        // walked once, not once per cell, or a long run of them takes time growing with the
        // square of the page.
        blank_run_end = end;
        blank_run_start = end;
        while (blank_run_start > 0 && ascii::IsSpaceOrControl(text[blank_run_start - 1]))
          --blank_run_start;
      }
      // Dropping the trailing blanks first changes neither the first ">" nor the trimmed phrase.
      const std::string_view cell = end != ForwardFinder::npos
                                        ? text.substr(rest, std::max(blank_run_start, rest) - rest)
                                        : std::string_view{};
      const std::size_t tag_end = cell.find('>');
      const std::string_view phrase =
          TrimText(tag_end != std::string_view::npos ? cell.substr(tag_end + 1)
                                                     : std::string_view{})
              .substr(0, kMaxTopPhraseLength);

      bool accepted = !phrase.empty();
      if (accepted && host_.FilterUnwanted()) {
        // Nothing changes the terms, so one read serves the whole listing.
        if (!terms) terms = host_.UnwantedTerms();
        accepted = !IsUnwanted(phrase, *terms, squeezed);
      }
      if (accepted) {
        if (run_is_stale_()) throw RunAbandoned{};
        ++counter;
        list.Append(std::to_string(counter), std::string(phrase));
      }
      more = cells.FindFrom(rest) != ForwardFinder::npos;
      Pump();
      host_.PlaceTopSearchesWindow();
      Pump();
      if (host_.EscapeDown() || Stopped()) break;
      if (list.Count() >= static_cast<std::size_t>(std::max(host_.MaxResults(), 0))) break;
    } while (more);
  } catch (const RunAbandoned&) {
    // A newer listing has taken the list over.
    list_moved_on_ = true;
  }
}

}  // namespace quillmark
