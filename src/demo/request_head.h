#pragma once
// A request head as the page server reads it: where it ends, the request line and header fields,
// the length of a body that follows, and whether a program on this machine sent it. Every byte
// comes from a client the server does not trust.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillmark::demo {

// `status` is not 0 when the head cannot be answered as a page request; the reply is then that
// status.
struct RequestHead {
  int status = 0;
  bool head_only = false;  // HEAD: the reply without its body
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;  // names lower-cased, values trimmed

  std::vector<std::string_view> Values(std::string_view name) const;
};

// A head that is refused with `status` before it is read.
RequestHead RefusedHead(int status);

// The end of the head in `data` (after the empty line that follows its request line), or 0 while
// it has not all arrived. Lines may end in LF alone; empty lines before the request line are
// skipped.
std::size_t HeadEnd(std::string_view data);

// Reads a head up to and including its empty line. Only GET and HEAD of an origin-form target
// ("/path?query") are page requests; the target's bytes are kept as sent.
RequestHead ParseHead(std::string_view head);

// The length of a body that follows the head: what Content-Length says, nullopt when the request
// cannot be read (a chunked body, a length that is no number or too large for us).
std::optional<std::size_t> BodyLength(const RequestHead& request);

// Whether a program on this machine asked, rather than a page in a browser or a name that was
// made to resolve here (see PageServerOptions::this_machine_only); `port` is the server's.
bool FromThisMachine(const RequestHead& request, int port);

}  // namespace quillmark::demo
