#pragma once
// The trends source: the top-searches page from the trending-searches feed of one country.

#include <string>

#include "sources/provider_call.h"
#include "sources/source.h"

namespace quillmark::sources {

class TrendsSource : public ProviderSource {
 public:
  TrendsSource(const ProviderOptions& options, std::string base_url);

  // The feed does not depend on the run's parameters.
  FetchResult Fetch(const std::string& url, ProviderRun& run,
                    const Cancellation& cancelled) override;

 private:
  std::string country_;
  std::string base_url_;
  ProviderCaller caller_;
};

}  // namespace quillmark::sources
