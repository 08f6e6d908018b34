// The generated page of demand for a list of the user's own phrases.

#include <algorithm>
#include <cmath>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/demo_random.h"
#include "pages/page_format.h"
#include "pages/page_writer.h"

namespace quillmark::demo {
namespace {

// A phrase's demand falls off with a made-up place among its seed's suggestions, as a seed's
// page does.
constexpr double kDemandExponent = 1.8;
constexpr std::int64_t kPlaces = 60;

std::uint64_t ListDemand(std::string_view phrase) {
  DemoRandom rng(std::string("list\n") + std::string(phrase));
  const auto head = static_cast<double>(rng.Between(static_cast<std::int64_t>(kMinSeedDemand),
                                                    static_cast<std::int64_t>(kMaxSeedDemand)));
  const auto place = static_cast<double>(rng.Between(1, kPlaces));
  return std::max<std::uint64_t>(
      1, static_cast<std::uint64_t>(std::llround(head / std::pow(place, kDemandExponent))));
}

}  // namespace

std::string DemoListPage(const std::vector<std::string>& phrases) {
  std::vector<pages::Suggestion> rows;
  rows.reserve(phrases.size());
  for (const std::string& phrase : phrases) {
    if (pages::CellCarries(phrase)) rows.push_back({phrase, ListDemand(phrase)});
  }
  std::string page =
      "<html><head><title>Keyword demand</title></head><body>\n"
      "<p><i>Generated demonstration data - not real search statistics.</i></p>\n"
      "<p>Searches last month";
  page += pages::kSuggestionsStart;
  page += "for " + std::to_string(rows.size()) + " phrases.</p>\n";
  pages::AppendSuggestionTable(page, rows, "&amp;mkt=us&amp;lang=en_US");
  page += "</body></html>\n";
  return page;
}

}  // namespace quillmark::demo
