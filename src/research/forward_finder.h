#pragma once
// Finds a marker in a page that is walked from front to back.

#include <cstddef>
#include <string_view>

namespace quillmark {

// A walk only ever moves forward, so the first occurrence found from an earlier position is
// still the first one from any later position up to it. Remembering it keeps a walk that
// searches "the rest of the page" again and again to one pass over the page per marker, even
// on pages where the marker is rare or missing.
class ForwardFinder {
 public:
  ForwardFinder(std::string_view page, std::string_view marker) : page_(page), marker_(marker) {}

  // 0-based offset in the page of the first occurrence at or after `from`, or npos.
  std::size_t FindFrom(std::size_t from) {
    if (!searched_ || from < searched_from_ || (found_ != npos && found_ < from)) {
      found_ = from < page_.size() ? page_.find(marker_, from) : npos;
      searched_from_ = from;
      searched_ = true;
    }
    return found_;
  }

  // FindText's answer for the rest of the page from `from`: 1-based in that rest, 0 when absent.
  std::size_t FindInRest(std::size_t from) {
    const std::size_t at = FindFrom(from);
    return at == npos ? 0 : at - from + 1;
  }

  static constexpr std::size_t npos = std::string_view::npos;

 private:
  std::string_view page_;
  std::string_view marker_;
  bool searched_ = false;
  std::size_t searched_from_ = 0;
  std::size_t found_ = npos;
};

}  // namespace quillmark
