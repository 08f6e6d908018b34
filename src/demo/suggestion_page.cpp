// The generated suggestion page: phrases built from the seed and common modifiers, with a
// Zipf-like demand tail (the seed first and largest, most phrases in the tens or hundreds).

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/demo_random.h"
#include "demo/demo_text.h"
#include "pages/page_format.h"
#include "pages/page_writer.h"

namespace quillmark::demo {

namespace {

constexpr std::array<std::string_view, 20> kPrefixes = {
    "best",       "cheap",   "buy",   "free",  "discount", "used",    "new",
    "how to",     "local",   "top",   "diy",   "custom",   "luxury",  "vintage",
    "affordable", "premium", "small", "large", "electric", "portable"};
constexpr std::array<std::string_view, 32> kSuffixes = {
    "online", "reviews",      "near me",  "for sale",   "2026",      "uk",          "prices",
    "deals",  "sale",         "repair",   "parts",      "wholesale", "ideas",       "store",
    "guide",  "kit",          "rental",   "service",    "coupon",    "comparison",  "for kids",
    "outlet", "catalog",      "supplies", "forum",      "brands",    "accessories", "manual",
    "cost",   "installation", "images",   "uk delivery"};
// Two-modifier phrases read naturally only for a few pairs.
constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kCombos = {{
    {"best", "2026"},
    {"cheap", "online"},
    {"buy", "online"},
    {"best", "reviews"},
    {"used", "for sale"},
    {"cheap", "uk"},
    {"discount", "online"},
    {"new", "prices"},
    {"how to", "repair"},
    {"best", "brands"},
    {"cheap", "near me"},
    {"free", "guide"},
}};

// Demand falls off as rank^-kDemandExponent, with +-30% jitter per phrase.
constexpr double kDemandExponent = 1.8;
constexpr double kDemandJitter = 0.3;

std::vector<std::string> CandidatePhrases(const std::string& seed) {
  std::vector<std::string> out;
  out.reserve(kPrefixes.size() + kSuffixes.size() + kCombos.size());
  for (auto prefix : kPrefixes) out.push_back(std::string(prefix) + " " + seed);
  for (auto suffix : kSuffixes) out.push_back(seed + " " + std::string(suffix));
  for (auto [prefix, suffix] : kCombos) {
    out.push_back(std::string(prefix) + " " + seed + " " + std::string(suffix));
  }
  return out;
}

}  // namespace

std::string DemoSuggestionPage(std::string_view raw_seed, int count) {
  const std::string seed = NormalizePhrase(raw_seed);
  DemoRandom rng(seed);

  std::vector<std::string> phrases;
  if (!seed.empty()) {
    phrases.push_back(seed);
    std::vector<std::string> candidates = CandidatePhrases(seed);
    const auto chosen = static_cast<std::size_t>(rng.Between(kMinSuggestions, kMaxSuggestions));
    const std::size_t wanted =
        count > 0 ? std::min<std::size_t>(static_cast<std::size_t>(count), kMaxRequestedSuggestions)
                  : chosen;
    if (wanted > candidates.size()) {
      // Long lists (benchmarks) also take the less natural two-modifier phrases.
      for (auto prefix : kPrefixes)
        for (auto suffix : kSuffixes)
          candidates.push_back(std::string(prefix) + " " + seed + " " + std::string(suffix));
    }
    // A partial Fisher-Yates shuffle picks the phrases in a seed-dependent order.
    for (std::size_t i = 0; i < candidates.size() && phrases.size() < wanted; ++i) {
      std::size_t j = i + rng.Below(candidates.size() - i);
      std::swap(candidates[i], candidates[j]);
      // A cut seed can make two candidates equal; a page lists each phrase once.
      if (std::find(phrases.begin(), phrases.end(), candidates[i]) == phrases.end()) {
        phrases.push_back(candidates[i]);
      }
    }
  }

  std::vector<std::uint64_t> demands(phrases.size());
  const auto head = static_cast<double>(rng.Between(static_cast<std::int64_t>(kMinSeedDemand),
                                                    static_cast<std::int64_t>(kMaxSeedDemand)));
  for (std::size_t i = 0; i < phrases.size(); ++i) {
    double jitter = i == 0 ? 1.0 : 1.0 + kDemandJitter * (2.0 * rng.Unit() - 1.0);
    double value = head * jitter / std::pow(static_cast<double>(i + 1), kDemandExponent);
    demands[i] = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(std::llround(value)));
  }
  // Listed by demand, highest first, as such a service does; the seed stays on top.
  if (demands.size() > 1) std::sort(demands.begin() + 1, demands.end(), std::greater<>());

  std::vector<pages::Suggestion> rows(phrases.size());
  for (std::size_t i = 0; i < phrases.size(); ++i) rows[i] = {std::move(phrases[i]), demands[i]};

  std::string page;
  page.reserve(1024 + rows.size() * 200);
  page +=
      "<html><head><title>Keyword suggestions</title></head><body>\n"
      "<p><i>Generated demonstration data - not real search statistics.</i></p>\n"
      "<p>Search";
  page += pages::kSuggestionsStart;
  page += "for <b>";
  page += seed;
  page += "</b>: ";
  page += std::to_string(rows.size());
  page += " related searches last month.</p>\n";
  pages::AppendSuggestionTable(page, rows, "&amp;mkt=us&amp;lang=en_US");
  page += "</body></html>\n";
  return page;
}

}  // namespace quillmark::demo
