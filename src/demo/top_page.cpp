// The generated top-searches page: "today's" phrases drawn by the date, a few of them the kind
// that the unwanted-terms filter is there to drop (site names and addresses people type).

#include <array>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/demo_random.h"
#include "pages/page_writer.h"

namespace quillmark::demo {

namespace {

constexpr std::array<std::string_view, 72> kEverydayPhrases = {"weather forecast",
                                                               "lottery results",
                                                               "pancake recipe",
                                                               "cheap flights",
                                                               "world cup schedule",
                                                               "tax refund status",
                                                               "garden furniture",
                                                               "electric bikes",
                                                               "solar panels",
                                                               "halloween costumes",
                                                               "christmas gift ideas",
                                                               "easy dinner recipes",
                                                               "car insurance quotes",
                                                               "used cars",
                                                               "running shoes",
                                                               "wireless headphones",
                                                               "laptop deals",
                                                               "phone cases",
                                                               "baby names",
                                                               "wedding dresses",
                                                               "hotel deals",
                                                               "train times",
                                                               "movie showtimes",
                                                               "concert tickets",
                                                               "football scores",
                                                               "stock market today",
                                                               "mortgage rates",
                                                               "job vacancies",
                                                               "house prices",
                                                               "dog training",
                                                               "cat food",
                                                               "vegan recipes",
                                                               "home workouts",
                                                               "yoga for beginners",
                                                               "hair styles",
                                                               "nail art",
                                                               "tattoo designs",
                                                               "birthday cakes",
                                                               "chocolate chip cookies",
                                                               "banana bread",
                                                               "camping gear",
                                                               "hiking boots",
                                                               "fishing rods",
                                                               "guitar chords",
                                                               "piano lessons",
                                                               "learn spanish",
                                                               "online courses",
                                                               "resume templates",
                                                               "cover letter examples",
                                                               "free games",
                                                               "crossword puzzles",
                                                               "sudoku",
                                                               "horoscope today",
                                                               "full moon",
                                                               "northern lights",
                                                               "snow day",
                                                               "heat wave",
                                                               "flu symptoms",
                                                               "vitamin d",
                                                               "sleep tips",
                                                               "coffee machines",
                                                               "air fryer recipes",
                                                               "slow cooker",
                                                               "paint colours",
                                                               "kitchen ideas",
                                                               "bathroom tiles",
                                                               "lawn mowers",
                                                               "christmas lights",
                                                               "black friday deals",
                                                               "back to school",
                                                               "summer holidays",
                                                               "valentines day"};
// Each holds a site name or, once its blanks are removed, an address ending.
constexpr std::array<std::string_view, 16> kUnwantedPhrases = {
    "youtube music",   "amazon prime day", "you tube",       "ebay motors",
    "google maps",     "yahoo mail",       "hotmail login",  "msn news",
    "myspace layouts", "face book.com",    "craigslist.org", "bbc.co.uk weather",
    "cnn.com",         "google translate", "amazon uk",      "ebay uk"};

// Draws `count` distinct entries of `pool` (partial Fisher-Yates).
template <std::size_t N>
std::vector<std::string_view> Draw(const std::array<std::string_view, N>& pool, std::size_t count,
                                   DemoRandom& rng) {
  std::array<std::string_view, N> deck = pool;
  std::vector<std::string_view> out;
  for (std::size_t i = 0; i < count && i < N; ++i) {
    std::swap(deck[i], deck[i + rng.Below(N - i)]);
    out.push_back(deck[i]);
  }
  return out;
}

}  // namespace

std::string DemoTopPage(int yyyymmdd) {
  DemoRandom rng(static_cast<std::uint64_t>(yyyymmdd) * 0x9e3779b97f4a7c15ULL + 0x70b);
  const auto total = static_cast<std::size_t>(rng.Between(kMinTopPhrases, kMaxTopPhrases));
  const auto unwanted =
      static_cast<std::size_t>(rng.Between(kMinUnwantedTopPhrases, kMaxUnwantedTopPhrases));
  std::vector<std::string_view> phrases = Draw(kEverydayPhrases, total - unwanted, rng);
  // The unwanted ones are mixed in at random places, never all at the end.
  for (std::string_view phrase : Draw(kUnwantedPhrases, unwanted, rng)) {
    phrases.insert(phrases.begin() + static_cast<std::ptrdiff_t>(rng.Below(phrases.size() + 1)),
                   phrase);
  }

  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d", yyyymmdd / 10000, yyyymmdd / 100 % 100,
                yyyymmdd % 100);

  std::string page;
  page.reserve(1024 + phrases.size() * 120);
  page += "<html><head><title>Top searches</title></head><body>\n<h1>Top searches for ";
  page += date;
  page += "</h1>\n<p><i>Generated demonstration data - not real search statistics.</i></p>\n";
  pages::AppendTopSearchesTable(page, std::vector<std::string>(phrases.begin(), phrases.end()),
                                kTopCellsPerRow);
  page += "</body></html>\n";
  return page;
}

int TodayUtc() {
  using namespace std::chrono;
  const year_month_day day{floor<days>(system_clock::now())};
  return static_cast<int>(day.year()) * 10000 +
         static_cast<int>(static_cast<unsigned>(day.month())) * 100 +
         static_cast<int>(static_cast<unsigned>(day.day()));
}

}  // namespace quillmark::demo
