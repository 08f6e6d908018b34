#pragma once
// The trends source: the top-searches page from the trending-searches feed of one country.

#include <string>

#include "sources/provider_call.h"
#include "sources/source.h"

namespace quillmark::sources {

class TrendsSource : public ProviderSource {
 public:
  TrendsSource(const ProviderOptions& options, std::string base_url);

  FetchResult Fetch(const std::string& url, const std::function<bool()>& cancelled) override;
  // The feed does not depend on the run's parameters.
  void SetRunParameters(const RunParameters&) override;
  CallCounts Calls() const override;
  RunNotes Notes() const override;

 private:
  std::string country_;
  std::string base_url_;
  ProviderCaller caller_;
};

}  // namespace quillmark::sources
