#include "sources/source.h"

namespace quillmark::sources {

std::unique_ptr<ProviderSource> MakeProviderSource(SourceName name, const ProviderOptions&) {
  throw SourceError(std::string(SourceNameText(name)) + " is not available yet");
}

}  // namespace quillmark::sources
