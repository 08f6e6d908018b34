#include "sources/source.h"

#include <array>

#include "base/ascii.h"

namespace quillmark::sources {
namespace {

struct NameEntry {
  SourceKind name;
  std::string_view text;
};

constexpr std::array<NameEntry, 4> kNames = {{{SourceKind::kStandIn, "stand-in"},
                                              {SourceKind::kEndpoints, "endpoints"},
                                              {SourceKind::kDataForSeo, "dataforseo"},
                                              {SourceKind::kTrends, "trends"}}};

}  // namespace

std::optional<SourceKind> ParseSourceName(std::string_view text) {
  for (const NameEntry& entry : kNames)
    if (ascii::EqualNoCase(text, entry.text)) return entry.name;
  return std::nullopt;
}

std::string_view SourceNameText(SourceKind name) {
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

bool ServesResearch(SourceKind name) {
  return name != SourceKind::kTrends;
}

bool ServesTopSearches(SourceKind name) {
  return name != SourceKind::kDataForSeo;
}

bool IsProvider(std::optional<SourceKind> name) {
  return name == SourceKind::kDataForSeo || name == SourceKind::kTrends;
}

}  // namespace quillmark::sources
