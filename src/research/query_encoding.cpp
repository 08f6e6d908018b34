#include "research/query_encoding.h"

#include "base/ascii.h"

namespace quillmark {
namespace {

bool UnsafeInQuery(unsigned char c) {
  // A backslash too: the URL splitter turns it into a slash, which would move it into the path.
  // And "?": servers that split the target at every "?" (the stand-in's and the bridge's among
  // them) refuse a request with a second one, so a phrase holding it would get no page.
  return c < 0x20 || c >= 0x7F || c == '#' || c == '&' || c == '+' || c == '%' || c == '"' ||
         c == '\\' || c == '?';
}

}  // namespace

std::string EncodeQueryText(std::string_view text, std::string_view blank) {
  std::string out;
  out.reserve(text.size());
  // The escapes never hold a blank and the blank's text holds none, so encoding and then
  // replacing blanks is the same as doing both in one pass.
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (UnsafeInQuery(c)) {
      out.push_back('%');
      out.push_back(ascii::HexDigit(c >> 4));
      out.push_back(ascii::HexDigit(c));
    } else if (c == ' ') {
      out.append(blank);
    } else {
      out.push_back(ch);
    }
  }
  return out;
}

}  // namespace quillmark
