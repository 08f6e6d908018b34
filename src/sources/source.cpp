#include "sources/source.h"

#include <array>

#include "base/ascii.h"

namespace quillmark::sources {
namespace {

struct NameEntry {
  SourceName name;
  std::string_view text;
};

constexpr std::array<NameEntry, 4> kNames = {{{SourceName::kStandIn, "stand-in"},
                                              {SourceName::kEndpoints, "endpoints"},
                                              {SourceName::kDataForSeo, "dataforseo"},
                                              {SourceName::kTrends, "trends"}}};

}  // namespace

std::optional<SourceName> ParseSourceName(std::string_view text) {
  for (const NameEntry& entry : kNames)
    if (ascii::EqualNoCase(text, entry.text)) return entry.name;
  return std::nullopt;
}

std::string_view SourceNameText(SourceName name) {
  for (const NameEntry& entry : kNames)
    if (entry.name == name) return entry.text;
  return {};
}

std::string SourceNamesText() {
  std::string out;
  for (const NameEntry& entry : kNames) {
    if (!out.empty()) out += ", ";
    out += entry.text;
  }
  return out;
}

bool ServesResearch(SourceName name) {
  return name != SourceName::kTrends;
}

bool ServesTopSearches(SourceName name) {
  return name != SourceName::kDataForSeo;
}

bool IsProvider(std::optional<SourceName> name) {
  return name == SourceName::kDataForSeo || name == SourceName::kTrends;
}

}  // namespace quillmark::sources
