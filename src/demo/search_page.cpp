// The generated search page: a supply figure for the exact phrase and pages of 20 results from
// made-up sites, with the demo sites at ranks that depend on the phrase alone.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "base/ascii.h"
#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/demo_random.h"
#include "demo/demo_text.h"
#include "pages/page_format.h"
#include "pages/page_writer.h"
#include "pages/text_hash.h"

namespace quillmark::demo {

namespace {

// Parts of the made-up domains. None of them can join into a demo site's name (checked anyway).
constexpr std::array<std::string_view, 24> kDomainHeads = {
    "bright", "blue",  "north", "quick",  "green",  "silver", "urban",  "prime",
    "clever", "happy", "total", "smart",  "golden", "rapid",  "honest", "little",
    "grand",  "fresh", "royal", "simple", "wild",   "modern", "metro",  "true"};
constexpr std::array<std::string_view, 24> kDomainTails = {
    "market", "hub",   "depot",  "world", "guide",  "shop",   "review", "store",
    "corner", "base",  "planet", "spot",  "source", "direct", "zone",   "finder",
    "list",   "house", "point",  "deals", "center", "works",  "lab",    "trader"};
constexpr std::array<std::string_view, 7> kTlds = {"com",  "net", "org", "co.uk",
                                                   "info", "biz", "us"};
constexpr std::array<std::string_view, 5> kPathStyles = {"", "/", "/blog/", "/products/", "/wiki/"};

// Supply shape: 10^exponent, fewer pages the more words the phrase has.
constexpr double kSupplyBaseExponent = 7.0;
constexpr double kSupplyExponentPerWord = 0.55;
constexpr double kSupplySpread = 0.9;

std::string_view StripEnclosingQuotes(std::string_view phrase) {
  if (phrase.size() >= 2 && phrase.front() == '"' && phrase.back() == '"') {
    phrase = phrase.substr(1, phrase.size() - 2);
  }
  return phrase;
}

std::string PhraseKey(std::string_view phrase) {
  return NormalizePhrase(StripEnclosingQuotes(phrase));
}

// Rounds to three significant digits, the way engines report estimates.
std::uint64_t RoundEstimate(double value) {
  if (value < 1000.0) return static_cast<std::uint64_t>(std::llround(value));
  double scale = std::pow(10.0, std::floor(std::log10(value)) - 2.0);
  return static_cast<std::uint64_t>(std::llround(value / scale) * scale);
}

bool ContainsDemoSite(std::string_view text) {
  for (const std::string& site : DemoSites()) {
    if (text.find(site) != std::string_view::npos) return true;
  }
  return false;
}

// The phrase as the page shows it. A phrase that names a demo site (a research of
// "example.com reviews") would otherwise put that name into the header and every title, and the
// site would seem to rank first everywhere; its dots become blanks here.
std::string ShownPhrase(std::string_view phrase) {
  std::string shown = pages::HtmlEscape(phrase);
  std::string lowered = ascii::ToLower(shown);
  for (const std::string& site : DemoSites()) {
    const std::size_t dot = site.find('.');
    for (std::size_t at = lowered.find(site); at != std::string::npos;
         at = lowered.find(site, at + 1)) {
      shown[at + dot] = ' ';
      lowered[at + dot] = ' ';
    }
  }
  return shown;
}

// How far a site's rank moves on a later day: most ranks move a little either way, a few leave
// the results.
constexpr int kDayRankMove = 15;
constexpr std::uint64_t kDayDropOneIn = 10;

// The rank of each demo site for a phrase key, 0 when absent; on day 0 as they always stand, on
// another day moved from there by the day's own amount.
std::vector<int> DemoRanks(const std::string& key, int day) {
  std::vector<int> ranks;
  const std::uint64_t key_hash = pages::Fnv1a(key);
  for (const std::string& site : DemoSites()) {
    DemoRandom rng(pages::Fnv1a(site, key_hash));
    if (rng.Below(3) == 0) {
      ranks.push_back(0);
      continue;
    }
    int rank = 1 + static_cast<int>(rng.Below(kDemoRankSpread));
    if (day != 0) {
      DemoRandom moved(pages::Fnv1a(site + "|day " + std::to_string(day), key_hash));
      if (moved.Below(kDayDropOneIn) == 0) {
        ranks.push_back(0);
        continue;
      }
      rank = std::clamp(rank + static_cast<int>(moved.Between(-kDayRankMove, kDayRankMove)), 1,
                        kDemoRankSpread);
    }
    while (std::find(ranks.begin(), ranks.end(), rank) != ranks.end()) {
      rank = rank % kDemoRankSpread + 1;
    }
    ranks.push_back(rank);
  }
  return ranks;
}

struct Result {
  std::string host;
  std::string path;
  std::string title;
};

Result MadeUpResult(const std::string& key, const std::string& shown, int rank) {
  DemoRandom rng(pages::Fnv1a(std::to_string(rank), pages::Fnv1a(key)));
  Result r;
  do {
    std::string domain = std::string(kDomainHeads[rng.Below(kDomainHeads.size())]) +
                         std::string(kDomainTails[rng.Below(kDomainTails.size())]) + "." +
                         std::string(kTlds[rng.Below(kTlds.size())]);
    r.host = (rng.Below(10) < 7 ? "www." : "") + domain;
  } while (ContainsDemoSite(r.host));
  std::string_view style = kPathStyles[rng.Below(kPathStyles.size())];
  r.path = style.empty() ? "/" + Slug(key) + ".html"
                         : std::string(style) + (style == "/" ? "" : Slug(key));
  const std::string title = TitleCase(shown);
  switch (rng.Below(4)) {
    case 0:
      r.title = title + " - " + r.host;
      break;
    case 1:
      r.title = "Best " + title + " of 2026";
      break;
    case 2:
      r.title = title + " | Compare Prices and Reviews";
      break;
    default:
      r.title = "All About " + title;
      break;
  }
  return r;
}

}  // namespace

const std::vector<std::string>& DemoSites() {
  static const std::vector<std::string> sites = {"example.com", "example.org", "example.net"};
  return sites;
}

std::uint64_t DemoSupply(std::string_view phrase) {
  const std::string key = PhraseKey(phrase);
  DemoRandom rng("supply:" + key);
  const auto words = static_cast<double>(std::count(key.begin(), key.end(), ' ') + 1);
  double exponent = kSupplyBaseExponent - kSupplyExponentPerWord * (words - 1.0) +
                    kSupplySpread * (2.0 * rng.Unit() - 1.0);
  std::uint64_t supply = RoundEstimate(std::pow(10.0, exponent));
  return std::clamp(supply, kMinSupply, kMaxSupply);
}

int DemoSiteRank(std::string_view phrase, std::string_view site, int day) {
  const auto& sites = DemoSites();
  auto it = std::find(sites.begin(), sites.end(), site);
  if (it == sites.end()) return 0;
  return DemoRanks(PhraseKey(phrase), day)[static_cast<std::size_t>(it - sites.begin())];
}

std::string DemoSearchPage(std::string_view raw_phrase, int offset, int day) {
  std::string_view phrase = StripEnclosingQuotes(raw_phrase);
  if (phrase.size() > kMaxPhraseLength) phrase = phrase.substr(0, kMaxPhraseLength);
  const std::string key = NormalizePhrase(phrase);
  const std::string shown = ShownPhrase(phrase);
  const std::uint64_t supply = DemoSupply(phrase);

  // Offset 0 is the supply request: the header alone, worded like the first page.
  const bool list_results = offset > 0;
  const int first = list_results ? std::min(offset, kMaxResultOffset) : 1;
  const int last = static_cast<int>(std::min<std::uint64_t>(
      static_cast<std::uint64_t>(first) + pages::kResultsPerRankPage - 1, supply));

  std::string page;
  page.reserve(4096);
  page +=
      "<html><head><title>Search results</title></head><body>\n"
      "<p><i>Generated demonstration data - not real search statistics.</i></p>\n<p>Results ";
  if (last >= first) {
    page += std::to_string(first) + " - " + std::to_string(last);
  } else {
    page += "0 - 0";
  }
  pages::AppendSupplyCount(page, GroupThousands(supply));
  page += "<b>" + shown + "</b></p>\n";

  if (list_results) {
    const std::vector<int> demo_ranks = DemoRanks(key, day);
    page += "<ol>\n";
    for (int rank = first; rank <= last; ++rank) {
      Result r;
      auto demo = std::find(demo_ranks.begin(), demo_ranks.end(), rank);
      if (demo != demo_ranks.end()) {
        const std::string& site = DemoSites()[static_cast<std::size_t>(demo - demo_ranks.begin())];
        r = {"www." + site, "/" + Slug(key), TitleCase(shown) + " - " + site};
      } else {
        r = MadeUpResult(key, shown, rank);
      }
      page += pages::kResultItem;
      page += "<span class=\"n\">" + std::to_string(rank) + ".</span> <a href=\"http://" + r.host +
              r.path + "\">" + r.title + "</a><br><cite>" + r.host + r.path + "</cite></li>\n";
    }
    page += "</ol>\n";
  }
  page += "</body></html>\n";
  return page;
}

}  // namespace quillmark::demo
