#include <stdexcept>

#include "sources/credentials.h"
#include "sources/dataforseo_source.h"
#include "sources/provider_call.h"
#include "sources/source.h"
#include "sources/trends_source.h"

namespace quillmark::sources {

std::unique_ptr<ProviderSource> MakeProviderSource(SourceKind name,
                                                   const ProviderOptions& options) {
  switch (name) {
    case SourceKind::kDataForSeo:
      return std::make_unique<DataForSeoSource>(options, LoadDataForSeoCredentials(),
                                                DataForSeoBaseUrl());
    case SourceKind::kTrends:
      return std::make_unique<TrendsSource>(
          options, ProviderBaseUrl("QUILLMARK_TRENDS_URL", "https://trends.google.com"));
    default:
      throw std::invalid_argument("not a provider source: " + std::string(SourceNameText(name)));
  }
}

}  // namespace quillmark::sources
