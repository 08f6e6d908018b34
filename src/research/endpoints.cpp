#include "research/endpoints.h"

#include "pages/page_format.h"
#include "research/query_encoding.h"

namespace quillmark {
namespace {

std::string HttpUrl(std::string_view host, std::string_view path) {
  std::string url = "http://";
  url.append(host);
  url.append(path);
  return url;
}

std::string ExactPhraseSearch(std::string_view host, std::string_view phrase) {
  // The phrase goes between encoded double quotes: an exact-phrase search.
  return HttpUrl(host, std::string(pages::kSearchPath) + "?p=%22") + EncodeQueryText(phrase, "+") +
         "%22";
}

}  // namespace

std::string SuggestionUrl(std::string_view host, std::string_view seed) {
  return HttpUrl(host, std::string(pages::kSuggestionPath) + "?term=") +
         EncodeQueryText(seed, "%20") + "&mkt=us&lang=en_US";
}

std::string SupplyUrl(std::string_view host, std::string_view phrase) {
  return ExactPhraseSearch(host, phrase);
}

std::string RankUrl(std::string_view host, std::string_view phrase, std::int64_t offset) {
  return ExactPhraseSearch(host, phrase) +
         "&ei=UTF-8&n=" + std::to_string(pages::kResultsPerRankPage) +
         "&fl=0&b=" + std::to_string(offset);
}

std::string TopSearchesUrl(std::string_view host) {
  return HttpUrl(host, pages::kTopPath);
}

std::string PhraseListUrl(std::string_view host, std::size_t count) {
  return HttpUrl(host, std::string(pages::kListPath) + "?n=" + std::to_string(count));
}

}  // namespace quillmark
