#pragma once
// Where a research's figures come from, as the history keeps and compares them: a run's figures
// are compared only with those of earlier runs from the same source in the same market.

#include <string>

#include "history/run_record.h"
#include "sources/markets.h"

namespace quillmark::session {

struct RunOrigin {
  std::string source = "endpoints";  // "stand-in", "endpoints", or the provider's name
  history::Market market{sources::kDefaultLocationCode, std::string(sources::kDefaultLanguageCode)};
  bool generated = false;  // the stand-in made the figures up
};

}  // namespace quillmark::session
