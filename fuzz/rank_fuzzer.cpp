// The rank's item walk over any result page. The input's first line is the target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "research/page_text.h"
#include "research/rank_lookup.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input =
      quillmark::LowerText(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::size_t line_end = input.find('\n');
  if (line_end == 0 || line_end == std::string::npos) return 0;
  const std::string_view text = input;
  const std::int64_t offset =
      quillmark::RankItemOffset(text.substr(line_end + 1), text.substr(0, line_end));
  if (offset < 0 || static_cast<std::size_t>(offset) > size) __builtin_trap();
  return 0;
}
