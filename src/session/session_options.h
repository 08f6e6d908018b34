#pragma once
// What a front end asks of a research session: the three endpoints, the fetch time limit and the
// sources. The command lines of both front ends fill it.

#include <string>

#include "sources/markets.h"

namespace quillmark::session {

struct SessionOptions {
  std::string suggest_host;
  std::string search_host;
  std::string top_host;
  double timeout_seconds = 60;
  // Where the pages come from (a source name, see sources/source.h): `source` answers the
  // suggestion and search pages, and the top-searches page too when `top_source` is empty and it
  // serves that page. Empty: the configured endpoints, else the stand-in service.
  std::string source;
  std::string top_source;
  // The market of a provider research (DataForSEO's location and language codes) and the country
  // of the trending feed (ISO 3166-1 alpha-2); sources/markets.h has them by name.
  int location_code = sources::kDefaultLocationCode;
  std::string language_code{sources::kDefaultLanguageCode};
  std::string country{sources::kDefaultCountryCode};
  bool use_cache = true;
};

// The longest fetch time limit: longer than any sensible wait, short enough that its milliseconds
// never overflow.
inline constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;

}  // namespace quillmark::session
