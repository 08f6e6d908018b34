#pragma once
// Internal to the research run: the walk over a lower-cased suggestion page's table cells, taken
// strictly in pairs (demand cell, keyword cell). The run walks it to fill its rows, and its
// read-ahead walks a second copy ahead of the run to learn the keywords of the rows to come.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "pages/page_format.h"
#include "research/forward_finder.h"
#include "research/page_text.h"

namespace quillmark {

class SuggestionWalk {
 public:
  // `lowered_page` must outlive the walk.
  explicit SuggestionWalk(std::string_view lowered_page)
      : text_(lowered_page), opens_(text_, kCellOpen), closes_(text_, kCellClose) {
    // Cells before the table's start are not suggestions.
    if (const std::size_t start = FindText(pages::kSuggestionsStart, text_); start > 0)
      rest_ = start - 1;
  }

  // Whether a cell still closes in the remaining text: without one the walk is over.
  bool HasCell() { return At(closes_) > 0; }
  // The demand figure of the cell in front.
  std::string Demand() { return ExtractDemandText(Cell()); }
  // The link text of the cell in front.
  std::string Keyword() { return ExtractLinkText(Cell()); }
  // Drops the remaining text through the first "</td>" in it.
  void PassCell() {
    const std::int64_t from = At(closes_) + static_cast<std::int64_t>(kCellClose.size());
    // remaining = SubText(remaining, from, length of remaining)
    rest_ = std::min(text_.size(),
                     rest_ + static_cast<std::size_t>(std::max<std::int64_t>(from, 1) - 1));
  }

 private:
  static constexpr std::string_view kCellOpen = "<td>";
  static constexpr std::string_view kCellClose = "</td>";

  // FindText's answer for the remaining text.
  std::int64_t At(ForwardFinder& finder) {
    return static_cast<std::int64_t>(finder.FindInRest(rest_));
  }
  // From the first "<td>" up to, not including, the first "</td>" of the remaining text.
  std::string_view Cell() {
    const std::int64_t p = At(opens_);
    return SubText(text_.substr(rest_), p, At(closes_) - p);
  }

  std::string_view text_;
  ForwardFinder opens_;
  ForwardFinder closes_;
  // The remaining text of the walk is text_.substr(rest_); it only ever moves forward.
  std::size_t rest_ = 0;
};

}  // namespace quillmark
