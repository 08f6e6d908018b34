// The DataForSEO reply readers on any reply: they may refuse it, never crash or break their
// bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_format.h"
#include "sources/dataforseo_reply.h"
#include "sources/sources_limits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace sources = quillmark::sources;
  const std::string_view body(reinterpret_cast<const char*>(data), size);
  std::vector<sources::KeywordIdea> ideas;
  sources::ReadKeywordIdeas(200, body, ideas);
  if (ideas.size() > quillmark::pages::kMaxSuggestionRows) __builtin_trap();
  for (std::size_t i = 1; i < ideas.size(); ++i)
    if (ideas[i - 1].suggestion.demand < ideas[i].suggestion.demand) __builtin_trap();
  // Each idea's months: bounded, oldest first, each once, real months with a volume.
  for (const sources::KeywordIdea& idea : ideas) {
    if (idea.months.size() > sources::kMaxIdeaMonths) __builtin_trap();
    for (std::size_t i = 0; i < idea.months.size(); ++i) {
      const quillmark::MonthlyDemand& m = idea.months[i];
      if (m.month < 1 || m.month > 12 || m.year < 0 || m.year > sources::kMaxYear || m.volume < 0)
        __builtin_trap();
      if (i > 0 && idea.months[i - 1].year * 12 + idea.months[i - 1].month >= m.year * 12 + m.month)
        __builtin_trap();
    }
  }
  std::uint64_t count = 0;
  sources::ReadResultCount(200, body, count);
  std::vector<std::string> urls;
  sources::ReadOrganicResults(200, body, urls);
  if (urls.size() > sources::kMaxOrganicResults) __builtin_trap();
  return 0;
}
