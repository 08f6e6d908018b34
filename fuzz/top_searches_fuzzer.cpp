// The top searches listing over any page, with the unwanted-terms filter on.
#include <cstddef>
#include <cstdint>
#include <string>

#include "../tests/research/support/fake_host.h"
#include "research/researcher.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillmark::testing::FakeHost host;
  host.filter_unwanted = size % 2 == 0;
  host.unwanted_terms = {"google", "ebay",    "amazon", "youtube", "yahoo", "hotmail",
                         "msn",    "myspace", ".com",   ".net",    ".org",  ".co.uk"};
  quillmark::Researcher researcher(
      host, [](const std::string&) { return quillmark::FetchResult{}; },
      quillmark::testing::TestEndpoints());
  researcher.ParseTopSearches(std::string(reinterpret_cast<const char*>(data), size));
  const auto& rows = host.top_searches.Rows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].keyword.empty() || rows[i].caption != std::to_string(i + 1)) __builtin_trap();
  }
  return 0;
}
