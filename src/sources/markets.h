#pragma once
// The markets a research can be made in: the countries and languages people choose by name. The
// codes stay out of their sight: ISO 3166-1 alpha-2 for the trending feed, and for DataForSEO
// its location code (2000 + the ISO 3166-1 numeric code) and its language code.

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace quillmark::sources {

struct Country {
  std::string_view name;    // "Germany"
  std::string_view alpha2;  // "DE"
  int numeric = 0;          // 276
  int LocationCode() const { return 2000 + numeric; }
};

struct Language {
  std::string_view name;  // "German"
  std::string_view code;  // "de"
};

// United States and English: the market when none is chosen.
inline constexpr int kDefaultLocationCode = 2840;
inline constexpr std::string_view kDefaultLanguageCode = "en";
inline constexpr std::string_view kDefaultCountryCode = "US";

// In the order of their names.
std::span<const Country> Countries();
std::span<const Language> Languages();

// A country by its name or alpha-2 code in any case, or by its location code ("2276"); nullptr
// for anything else.
const Country* FindCountry(std::string_view text);
// The country of a DataForSEO location code (2276: Germany); nullptr for a region or a city.
const Country* CountryOfLocation(int location_code);
// A language by its name or code, in any case; nullptr for anything else.
const Language* FindLanguage(std::string_view text);

// For a text that names none: the names that come closest (a typo, the start of a name), the
// closest first, at most `most`; none when nothing is close.
std::vector<std::string_view> CloseCountries(std::string_view text, std::size_t most = 3);
std::vector<std::string_view> CloseLanguages(std::string_view text, std::size_t most = 3);

}  // namespace quillmark::sources
