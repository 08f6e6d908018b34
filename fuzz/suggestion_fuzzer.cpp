// The suggestion parse and its row lookups over fuzz-made pages. The input holds up to three
// pages separated by 0x1E: the suggestion page, the supply page, the result page.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "../tests/research/support/fake_host.h"
#include "research/researcher.h"

namespace {

std::string_view NextPart(std::string_view& rest) {
  const std::size_t cut = rest.find('\x1e');
  const std::string_view part = rest.substr(0, cut);
  rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string suggestions(NextPart(rest));
  const std::string supply(NextPart(rest));
  const std::string results(rest);

  quillmark::testing::FakeHost host;
  host.target_url = [] { return std::string("a.c"); };
  host.max_pages = [] { return std::string("3"); };
  quillmark::Researcher researcher(
      host,
      [&](const std::string& url) {
        if (url.find("/suggestion/") != std::string::npos)
          return quillmark::FetchResult{suggestions};
        return quillmark::FetchResult{url.find("&b=") != std::string::npos ? results : supply};
      },
      quillmark::testing::TestEndpoints());
  researcher.ResearchSeed("seed");
  for (const auto& row : host.keywords.Rows()) {
    if (row->SubItems().size() != 6) __builtin_trap();
  }
  return 0;
}
