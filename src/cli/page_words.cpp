#include "cli/page_words.h"

#include "pages/page_format.h"
#include "pages/page_request.h"

namespace quillmark::cli {

std::string PageInWords(const std::string& url) {
  const pages::PageRequest page = pages::ReadPageUrl(url);
  const std::string phrase = "\"" + page.phrase + "\"";
  switch (page.kind) {
    case pages::PageKind::kSuggestion:
      return "suggestions for " + phrase;
    case pages::PageKind::kSupply:
      return "supply of " + phrase;
    case pages::PageKind::kRank:
      return "rank page " + std::to_string((page.offset - 1) / pages::kResultsPerRankPage + 1) +
             " of " + phrase;
    case pages::PageKind::kTopSearches:
      return "the top searches";
    case pages::PageKind::kPhraseList:
      return "the demand of " + std::to_string(page.count) + " phrases";
    case pages::PageKind::kUnknown:
      break;
  }
  return url;
}

}  // namespace quillmark::cli
