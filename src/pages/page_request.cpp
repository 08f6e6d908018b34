#include "pages/page_request.h"

#include "pages/page_format.h"
#include "pages/request_query.h"

namespace quillmark::pages {
namespace {

// Far beyond any depth a provider serves; keeps the arithmetic on offsets small.
constexpr std::int64_t kMaxOffset = 1'000'000;

std::int64_t ReadOffset(std::string_view raw) {
  std::int64_t value = 0;
  for (char c : raw) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > kMaxOffset) return kMaxOffset;
  }
  return value;
}

}  // namespace

PageRequest ReadPageUrl(std::string_view url) {
  // A "://" after the path's first "/" or the query's "?" is part of a phrase, not the scheme.
  if (const std::size_t scheme = url.find("://");
      scheme != std::string_view::npos && scheme < url.find_first_of("/?")) {
    const std::size_t path = url.find('/', scheme + 3);
    url = path == std::string_view::npos ? std::string_view() : url.substr(path);
  }
  const std::string_view path = url.substr(0, url.find('?'));
  PageRequest request;
  if (path == kSuggestionPath) {
    // The seed goes out with only its blanks escaped: a "+" in it is a plus.
    request.kind = PageKind::kSuggestion;
    request.phrase = DecodeQueryValue(FindQueryValue(url, "term").value_or(""), false);
  } else if (path == kSearchPath) {
    std::string phrase = DecodeQueryValue(FindQueryValue(url, "p").value_or(""), true);
    if (phrase.size() >= 2 && phrase.front() == '"' && phrase.back() == '"')
      phrase = phrase.substr(1, phrase.size() - 2);
    request.phrase = std::move(phrase);
    if (const auto offset = FindQueryValue(url, "b")) {
      request.offset = ReadOffset(*offset);
      request.kind = request.offset > 0 ? PageKind::kRank : PageKind::kUnknown;
    } else {
      request.kind = PageKind::kSupply;
    }
  } else if (path == kTopPath) {
    request.kind = PageKind::kTopSearches;
  } else if (path == kListPath) {
    request.kind = PageKind::kPhraseList;
    request.count = ReadOffset(FindQueryValue(url, "n").value_or(""));
  }
  return request;
}

}  // namespace quillmark::pages
