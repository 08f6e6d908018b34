#pragma once
// TNetURI: the purely textual split of a URL into the parts an HTTP request needs. Nothing is
// decoded or re-encoded and letter case stays as written.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmark::net {

struct TNetUrlParts {
  std::string Scheme;
  std::string Host;
  std::string Port;      // the port text; empty when the URL names none
  std::string Path;      // always begins with "/"
  std::string Document;  // last segment and query
  std::string Bookmark;  // after "#", never sent
};

// Why a URL split into these parts must not become a request, or "" when it may: a blank, a
// control byte (0x00-0x1F, 0x7F) or a byte 0x80-0xFF in the host, port or request target would
// break the request line or smuggle lines into it, and a port number outside 1-65535 names no
// port at all. The bookmark is never sent and is not looked at.
std::string UnsafeUrlReason(const TNetUrlParts& parts);

class TNetURI {
 public:
  static TNetUrlParts SplitUrl(std::string url);
  // The text before the first `delimiter` (all of it when absent). With `remove`, `text` loses
  // everything up to and including the delimiter (everything when absent).
  static std::string CutAt(std::string& text, std::string_view delimiter, bool remove);
  // 1-based position of the last `pattern` in `text`, letter case ignored; 0 when absent.
  static std::size_t LastPos(std::string_view pattern, std::string_view text);
  static void UnifySlashes(std::string& text);
};

}  // namespace quillmark::net
