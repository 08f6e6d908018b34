// The supply count read from any result page.
#include <cstddef>
#include <cstdint>
#include <string>

#include "research/page_text.h"
#include "research/supply_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string page =
      quillmark::LowerText(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string count = quillmark::ReadSupplyCount(page);
  // Never empty: "?" or "0" stand in for a missing count.
  if (count.empty()) __builtin_trap();
  return 0;
}
