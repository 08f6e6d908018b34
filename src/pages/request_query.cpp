#include "pages/request_query.h"

#include "base/ascii.h"

namespace quillmark::pages {

std::optional<std::string_view> FindQueryValue(std::string_view target, std::string_view name) {
  std::size_t question = target.find('?');
  if (question == std::string_view::npos) return std::nullopt;
  std::string_view query = target.substr(question + 1);
  // A fragment is never sent by a well-behaved client, but must not leak into a value if it is.
  query = query.substr(0, query.find('#'));
  while (!query.empty()) {
    std::size_t amp = query.find('&');
    std::string_view pair = query.substr(0, amp);
    std::size_t equals = pair.find('=');
    std::string_view key = pair.substr(0, equals);
    if (key == name) {
      return equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
    }
    if (amp == std::string_view::npos) break;
    query.remove_prefix(amp + 1);
  }
  return std::nullopt;
}

std::string DecodeQueryValue(std::string_view raw, bool plus_is_blank) {
  std::string out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '%' && i + 2 < raw.size() && ascii::HexValue(raw[i + 1]) >= 0 &&
        ascii::HexValue(raw[i + 2]) >= 0) {
      out.push_back(
          static_cast<char>(ascii::HexValue(raw[i + 1]) * 16 + ascii::HexValue(raw[i + 2])));
      i += 2;
    } else if (c == '+' && plus_is_blank) {
      out.push_back(' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

}  // namespace quillmark::pages
