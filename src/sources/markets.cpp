// The built-in lists of countries and languages. Country codes follow ISO 3166-1; a country's
// DataForSEO location code is 2000 + its numeric code. The language codes are the provider's,
// which are Google's: Hebrew is "iw" there, and "he" is taken for it as well. Not checked against
// the provider's own language list: "iw", "tl" (Filipino), "no" (Norwegian) and the two
// "zh-" codes follow Google's older codes and are the likeliest to differ there.

#include "sources/markets.h"

#include <algorithm>
#include <string>

#include "base/ascii.h"

namespace quillmark::sources {
namespace {

constexpr Country kCountries[] = {
    {"Afghanistan", "AF", 4},
    {"Albania", "AL", 8},
    {"Algeria", "DZ", 12},
    {"Andorra", "AD", 20},
    {"Angola", "AO", 24},
    {"Antigua and Barbuda", "AG", 28},
    {"Argentina", "AR", 32},
    {"Armenia", "AM", 51},
    {"Australia", "AU", 36},
    {"Austria", "AT", 40},
    {"Azerbaijan", "AZ", 31},
    {"Bahamas", "BS", 44},
    {"Bahrain", "BH", 48},
    {"Bangladesh", "BD", 50},
    {"Barbados", "BB", 52},
    {"Belarus", "BY", 112},
    {"Belgium", "BE", 56},
    {"Belize", "BZ", 84},
    {"Benin", "BJ", 204},
    {"Bhutan", "BT", 64},
    {"Bolivia", "BO", 68},
    {"Bosnia and Herzegovina", "BA", 70},
    {"Botswana", "BW", 72},
    {"Brazil", "BR", 76},
    {"Brunei", "BN", 96},
    {"Bulgaria", "BG", 100},
    {"Burkina Faso", "BF", 854},
    {"Burundi", "BI", 108},
    {"Cabo Verde", "CV", 132},
    {"Cambodia", "KH", 116},
    {"Cameroon", "CM", 120},
    {"Canada", "CA", 124},
    {"Central African Republic", "CF", 140},
    {"Chad", "TD", 148},
    {"Chile", "CL", 152},
    {"China", "CN", 156},
    {"Colombia", "CO", 170},
    {"Comoros", "KM", 174},
    {"Congo", "CG", 178},
    {"Costa Rica", "CR", 188},
    {"Cote d'Ivoire", "CI", 384},
    {"Croatia", "HR", 191},
    {"Cuba", "CU", 192},
    {"Cyprus", "CY", 196},
    {"Czechia", "CZ", 203},
    {"Democratic Republic of the Congo", "CD", 180},
    {"Denmark", "DK", 208},
    {"Djibouti", "DJ", 262},
    {"Dominica", "DM", 212},
    {"Dominican Republic", "DO", 214},
    {"Ecuador", "EC", 218},
    {"Egypt", "EG", 818},
    {"El Salvador", "SV", 222},
    {"Equatorial Guinea", "GQ", 226},
    {"Eritrea", "ER", 232},
    {"Estonia", "EE", 233},
    {"Eswatini", "SZ", 748},
    {"Ethiopia", "ET", 231},
    {"Fiji", "FJ", 242},
    {"Finland", "FI", 246},
    {"France", "FR", 250},
    {"Gabon", "GA", 266},
    {"Gambia", "GM", 270},
    {"Georgia", "GE", 268},
    {"Germany", "DE", 276},
    {"Ghana", "GH", 288},
    {"Greece", "GR", 300},
    {"Grenada", "GD", 308},
    {"Guatemala", "GT", 320},
    {"Guinea", "GN", 324},
    {"Guinea-Bissau", "GW", 624},
    {"Guyana", "GY", 328},
    {"Haiti", "HT", 332},
    {"Honduras", "HN", 340},
    {"Hong Kong", "HK", 344},
    {"Hungary", "HU", 348},
    {"Iceland", "IS", 352},
    {"India", "IN", 356},
    {"Indonesia", "ID", 360},
    {"Iran", "IR", 364},
    {"Iraq", "IQ", 368},
    {"Ireland", "IE", 372},
    {"Israel", "IL", 376},
    {"Italy", "IT", 380},
    {"Jamaica", "JM", 388},
    {"Japan", "JP", 392},
    {"Jordan", "JO", 400},
    {"Kazakhstan", "KZ", 398},
    {"Kenya", "KE", 404},
    {"Kiribati", "KI", 296},
    {"Kuwait", "KW", 414},
    {"Kyrgyzstan", "KG", 417},
    {"Laos", "LA", 418},
    {"Latvia", "LV", 428},
    {"Lebanon", "LB", 422},
    {"Lesotho", "LS", 426},
    {"Liberia", "LR", 430},
    {"Libya", "LY", 434},
    {"Liechtenstein", "LI", 438},
    {"Lithuania", "LT", 440},
    {"Luxembourg", "LU", 442},
    {"Macao", "MO", 446},
    {"Madagascar", "MG", 450},
    {"Malawi", "MW", 454},
    {"Malaysia", "MY", 458},
    {"Maldives", "MV", 462},
    {"Mali", "ML", 466},
    {"Malta", "MT", 470},
    {"Marshall Islands", "MH", 584},
    {"Mauritania", "MR", 478},
    {"Mauritius", "MU", 480},
    {"Mexico", "MX", 484},
    {"Micronesia", "FM", 583},
    {"Moldova", "MD", 498},
    {"Monaco", "MC", 492},
    {"Mongolia", "MN", 496},
    {"Montenegro", "ME", 499},
    {"Morocco", "MA", 504},
    {"Mozambique", "MZ", 508},
    {"Myanmar", "MM", 104},
    {"Namibia", "NA", 516},
    {"Nauru", "NR", 520},
    {"Nepal", "NP", 524},
    {"Netherlands", "NL", 528},
    {"New Zealand", "NZ", 554},
    {"Nicaragua", "NI", 558},
    {"Niger", "NE", 562},
    {"Nigeria", "NG", 566},
    {"North Macedonia", "MK", 807},
    {"Norway", "NO", 578},
    {"Oman", "OM", 512},
    {"Pakistan", "PK", 586},
    {"Palau", "PW", 585},
    {"Palestine", "PS", 275},
    {"Panama", "PA", 591},
    {"Papua New Guinea", "PG", 598},
    {"Paraguay", "PY", 600},
    {"Peru", "PE", 604},
    {"Philippines", "PH", 608},
    {"Poland", "PL", 616},
    {"Portugal", "PT", 620},
    {"Puerto Rico", "PR", 630},
    {"Qatar", "QA", 634},
    {"Romania", "RO", 642},
    {"Russia", "RU", 643},
    {"Rwanda", "RW", 646},
    {"Saint Kitts and Nevis", "KN", 659},
    {"Saint Lucia", "LC", 662},
    {"Saint Vincent and the Grenadines", "VC", 670},
    {"Samoa", "WS", 882},
    {"San Marino", "SM", 674},
    {"Sao Tome and Principe", "ST", 678},
    {"Saudi Arabia", "SA", 682},
    {"Senegal", "SN", 686},
    {"Serbia", "RS", 688},
    {"Seychelles", "SC", 690},
    {"Sierra Leone", "SL", 694},
    {"Singapore", "SG", 702},
    {"Slovakia", "SK", 703},
    {"Slovenia", "SI", 705},
    {"Solomon Islands", "SB", 90},
    {"Somalia", "SO", 706},
    {"South Africa", "ZA", 710},
    {"South Korea", "KR", 410},
    {"South Sudan", "SS", 728},
    {"Spain", "ES", 724},
    {"Sri Lanka", "LK", 144},
    {"Sudan", "SD", 729},
    {"Suriname", "SR", 740},
    {"Sweden", "SE", 752},
    {"Switzerland", "CH", 756},
    {"Taiwan", "TW", 158},
    {"Tajikistan", "TJ", 762},
    {"Tanzania", "TZ", 834},
    {"Thailand", "TH", 764},
    {"Timor-Leste", "TL", 626},
    {"Togo", "TG", 768},
    {"Tonga", "TO", 776},
    {"Trinidad and Tobago", "TT", 780},
    {"Tunisia", "TN", 788},
    {"Turkey", "TR", 792},
    {"Turkmenistan", "TM", 795},
    {"Tuvalu", "TV", 798},
    {"Uganda", "UG", 800},
    {"Ukraine", "UA", 804},
    {"United Arab Emirates", "AE", 784},
    {"United Kingdom", "GB", 826},
    {"United States", "US", 840},
    {"Uruguay", "UY", 858},
    {"Uzbekistan", "UZ", 860},
    {"Vanuatu", "VU", 548},
    {"Venezuela", "VE", 862},
    {"Vietnam", "VN", 704},
    {"Yemen", "YE", 887},
    {"Zambia", "ZM", 894},
    {"Zimbabwe", "ZW", 716},
};
constexpr Language kLanguages[] = {
    {"Arabic", "ar"},
    {"Bengali", "bn"},
    {"Bulgarian", "bg"},
    {"Catalan", "ca"},
    {"Chinese (Simplified)", "zh-CN"},
    {"Chinese (Traditional)", "zh-TW"},
    {"Croatian", "hr"},
    {"Czech", "cs"},
    {"Danish", "da"},
    {"Dutch", "nl"},
    {"English", "en"},
    {"Estonian", "et"},
    {"Filipino", "tl"},
    {"Finnish", "fi"},
    {"French", "fr"},
    {"German", "de"},
    {"Greek", "el"},
    {"Gujarati", "gu"},
    {"Hebrew", "iw"},
    {"Hindi", "hi"},
    {"Hungarian", "hu"},
    {"Icelandic", "is"},
    {"Indonesian", "id"},
    {"Italian", "it"},
    {"Japanese", "ja"},
    {"Kannada", "kn"},
    {"Korean", "ko"},
    {"Latvian", "lv"},
    {"Lithuanian", "lt"},
    {"Malay", "ms"},
    {"Malayalam", "ml"},
    {"Marathi", "mr"},
    {"Norwegian", "no"},
    {"Persian", "fa"},
    {"Polish", "pl"},
    {"Portuguese", "pt"},
    {"Punjabi", "pa"},
    {"Romanian", "ro"},
    {"Russian", "ru"},
    {"Serbian", "sr"},
    {"Slovak", "sk"},
    {"Slovenian", "sl"},
    {"Spanish", "es"},
    {"Swedish", "sv"},
    {"Tamil", "ta"},
    {"Telugu", "te"},
    {"Thai", "th"},
    {"Turkish", "tr"},
    {"Ukrainian", "uk"},
    {"Urdu", "ur"},
    {"Vietnamese", "vi"},
};

// Other names people give a country or a language, taken as its code.
struct Alias {
  std::string_view text;
  std::string_view code;
};
constexpr Alias kCountryAliases[] = {{"UK", "GB"},
                                     {"USA", "US"},
                                     {"Great Britain", "GB"},
                                     {"Czech Republic", "CZ"},
                                     {"Russian Federation", "RU"},
                                     {"Turkiye", "TR"}};
constexpr Alias kLanguageAliases[] = {{"he", "iw"}};

// Edits (insert, delete, replace a byte) from one text to the other, case ignored.
std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      const bool same = ascii::ToLower(a[i - 1]) == ascii::ToLower(b[j - 1]);
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

template <typename Entry>
std::vector<std::string_view> Closest(std::span<const Entry> entries, std::string_view text,
                                      std::size_t most) {
  text = ascii::Trim(text);
  // A typo is an edit or so in every few letters; the start of a name is close however short.
  const std::size_t allowed = std::clamp<std::size_t>(text.size() / 3, 1, 3);
  std::vector<std::pair<std::size_t, std::string_view>> found;
  for (const Entry& entry : entries) {
    const bool starts = text.size() >= 2 && entry.name.size() > text.size() &&
                        ascii::EqualNoCase(entry.name.substr(0, text.size()), text);
    const std::size_t distance = starts ? 0 : EditDistance(text, entry.name);
    if (distance <= allowed) found.emplace_back(distance, entry.name);
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string_view> names;
  for (std::size_t i = 0; i < found.size() && i < most; ++i) names.push_back(found[i].second);
  return names;
}

}  // namespace

std::span<const Country> Countries() {
  return kCountries;
}

std::span<const Language> Languages() {
  return kLanguages;
}

const Country* FindCountry(std::string_view text) {
  text = ascii::Trim(text);
  for (const Alias& alias : kCountryAliases)
    if (ascii::EqualNoCase(text, alias.text)) text = alias.code;
  if (ascii::AllDigits(text) && text.size() <= 6)
    return CountryOfLocation(std::stoi(std::string(text)));
  for (const Country& country : kCountries) {
    if (ascii::EqualNoCase(text, country.name) || ascii::EqualNoCase(text, country.alpha2))
      return &country;
  }
  return nullptr;
}

const Country* CountryOfLocation(int location_code) {
  for (const Country& country : kCountries)
    if (country.LocationCode() == location_code) return &country;
  return nullptr;
}

const Language* FindLanguage(std::string_view text) {
  text = ascii::Trim(text);
  for (const Alias& alias : kLanguageAliases)
    if (ascii::EqualNoCase(text, alias.text)) text = alias.code;
  for (const Language& language : kLanguages)
    if (ascii::EqualNoCase(text, language.name) || ascii::EqualNoCase(text, language.code))
      return &language;
  return nullptr;
}

std::vector<std::string_view> CloseCountries(std::string_view text, std::size_t most) {
  return Closest(Countries(), text, most);
}

std::vector<std::string_view> CloseLanguages(std::string_view text, std::size_t most) {
  return Closest(Languages(), text, most);
}

}  // namespace quillmark::sources
