// The built-in markets: lookups by name and code, and the close names offered for a typo.

#include "sources/markets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace quillmark::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The name of what a lookup found, "" for nothing.
template <typename Entry>
std::string NameOf(const Entry* found) {
  return found ? std::string(found->name) : std::string();
}

TEST(Markets, ACountryIsFoundByNameCodeOrLocationCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"Germany", "Germany"},   {"gERMANY", "Germany"},
      {" germany ", "Germany"}, {"de", "Germany"},
      {"2276", "Germany"},      {"2840", "United States"},
      {"UK", "United Kingdom"}, {"276", ""},
      {"Germny", ""},           {"", ""},
      {"99999999999", ""},      {"2000", ""},
  };
  for (const auto& [text, name] : cases)
    EXPECT_EQ(NameOf(sources::FindCountry(text)), name) << text;
}

TEST(Markets, ALanguageIsFoundByNameOrCode) {
  const std::pair<const char*, const char*> cases[] = {
      {"GERMAN", "German"}, {"zh-cn", "Chinese (Simplified)"},
      {"iw", "Hebrew"},     {"he", "Hebrew"},
      {"Klingon", ""},      {"", ""}};
  for (const auto& [text, name] : cases)
    EXPECT_EQ(NameOf(sources::FindLanguage(text)), name) << text;
  EXPECT_EQ(sources::FindLanguage("Hebrew")->code, "iw");
}

// Two entries with one code would make a lookup by code find the wrong one.
TEST(Markets, EveryNameAndCodeIsTheOnlyOne) {
  std::set<std::string> names, codes;
  std::set<int> numbers;
  for (const sources::Country& country : sources::Countries()) {
    EXPECT_TRUE(names.insert(std::string(country.name)).second) << country.name;
    EXPECT_TRUE(codes.insert(std::string(country.alpha2)).second) << country.alpha2;
    EXPECT_TRUE(numbers.insert(country.numeric).second) << country.name;
    EXPECT_EQ(sources::FindCountry(country.name), &country);
  }
  codes.clear();
  for (const sources::Language& language : sources::Languages()) {
    EXPECT_TRUE(codes.insert(std::string(language.code)).second) << language.code;
    EXPECT_EQ(sources::FindLanguage(language.name), &language);
  }
}

TEST(Markets, ATypoOrTheStartOfANameFindsTheCloseNames) {
  EXPECT_THAT(sources::CloseCountries("brasil"), ElementsAre("Brazil"));
  EXPECT_THAT(sources::CloseCountries("Untied States"), ElementsAre("United States"));
  EXPECT_THAT(sources::CloseCountries("Atlantis"), IsEmpty());
  EXPECT_THAT(sources::CloseLanguages("xx"), IsEmpty());
}

}  // namespace
}  // namespace quillmark::testing
