#include "net/net_uri.h"

#include <algorithm>

#include "base/ascii.h"
#include "net/number_text.h"

namespace quillmark::net {

namespace {

bool UnsafeByte(unsigned char c) {
  return c <= ' ' || c >= 0x7F;
}

std::string ByteText(unsigned char c) {
  return std::string("byte 0x") + ascii::HexDigit(c >> 4) + ascii::HexDigit(c);
}

}  // namespace

std::string UnsafeUrlReason(const TNetUrlParts& parts) {
  const std::pair<const char*, const std::string*> pieces[] = {{"host", &parts.Host},
                                                               {"port", &parts.Port},
                                                               {"path", &parts.Path},
                                                               {"path", &parts.Document}};
  for (const auto& [name, text] : pieces) {
    for (const char ch : *text) {
      const auto c = static_cast<unsigned char>(ch);
      if (UnsafeByte(c)) {
        return std::string("unsafe URL: its ") + name + " holds " +
               (c == ' ' ? std::string("a blank") : ByteText(c));
      }
    }
  }
  long long port = 0;
  if (ReadDecimal(parts.Port, port) && (port < 1 || port > 65535))
    return "unsafe URL: port " + parts.Port + " is outside 1-65535";
  return {};
}

std::string TNetURI::CutAt(std::string& text, std::string_view delimiter, bool remove) {
  const std::size_t at = text.find(delimiter);
  if (at == std::string::npos) {
    std::string all = text;
    if (remove) text.clear();
    return all;
  }
  std::string before = text.substr(0, at);
  if (remove) text.erase(0, at + delimiter.size());
  return before;
}

std::size_t TNetURI::LastPos(std::string_view pattern, std::string_view text) {
  if (pattern.empty() || pattern.size() > text.size()) return 0;
  for (std::size_t i = text.size() - pattern.size() + 1; i >= 1; --i) {
    const std::string_view piece = text.substr(i - 1, pattern.size());
    if (ascii::EqualNoCase(piece, pattern)) return i;
  }
  return 0;
}

void TNetURI::UnifySlashes(std::string& text) {
  // Texts are single-byte here (no lead bytes to skip), so every backslash is a separator.
  std::replace(text.begin(), text.end(), '\\', '/');
}

TNetUrlParts TNetURI::SplitUrl(std::string url) {
  TNetUrlParts parts;
  UnifySlashes(url);
  if (url.find("://") != std::string::npos) {
    parts.Scheme = CutAt(url, "://", true);
    std::string host_part = CutAt(url, "/", true);
    parts.Host = CutAt(host_part, ":", true);
    parts.Port = host_part;
    // The host's "/" was cut off with it; the path keeps its leading "/" through step 6 below.
  }
  const std::size_t p = LastPos("/", url);
  parts.Path = url.substr(0, p);
  url.erase(0, p);
  parts.Document = url;
  if (parts.Path.empty() || parts.Path.front() != '/') parts.Path = "/" + parts.Path;
  parts.Document = CutAt(url, "#", true);
  parts.Bookmark = url;
  return parts;
}

}  // namespace quillmark::net
