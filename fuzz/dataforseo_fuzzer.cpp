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
  std::vector<quillmark::pages::Suggestion> ideas;
  sources::ReadKeywordIdeas(200, body, ideas);
  if (ideas.size() > quillmark::pages::kMaxSuggestionRows) __builtin_trap();
  for (std::size_t i = 1; i < ideas.size(); ++i)
    if (ideas[i - 1].demand < ideas[i].demand) __builtin_trap();
  std::uint64_t count = 0;
  sources::ReadResultCount(200, body, count);
  std::vector<std::string> urls;
  sources::ReadOrganicResults(200, body, urls);
  if (urls.size() > sources::kMaxOrganicResults) __builtin_trap();
  return 0;
}
