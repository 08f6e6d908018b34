// Arbitrary bytes as a request to the page server that `qmk bridge` and the stand-in service
// share, read the way the server reads them: where the head ends, the head itself, the length of
// a body, the this-machine-only checks, then the target as the bridge reads a page URL. Besides
// crashes and sanitizer reports, a broken promise of the readers traps.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "demo/demo_limits.h"
#include "demo/request_head.h"
#include "pages/page_request.h"

namespace {

void Require(bool promise) {
  if (!promise) __builtin_trap();
}

// Whether some line of `head` holds more than its line end (CRLF or LF).
bool HasALine(std::string_view head) {
  while (!head.empty()) {
    const std::size_t end = std::min(head.find('\n'), head.size());
    std::string_view line = head.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!line.empty()) return true;
    head.remove_prefix(std::min(end + 1, head.size()));
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillmark;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t end = demo::HeadEnd(bytes);
  // The end lies after an empty line, LF or CRLF, that follows a request line: empty lines
  // before one are no head.
  Require(end <= bytes.size());
  if (end != 0) {
    const std::string_view head = bytes.substr(0, end);
    Require(head.ends_with("\n\n") || head.ends_with("\n\r\n"));
    Require(HasALine(head));
  }
  // A head read as it stands, whether or not it ended: the server hands on neither, but the
  // reader must hold up under both.
  const demo::RequestHead request = demo::ParseHead(end != 0 ? bytes.substr(0, end) : bytes);
  if (request.status == 0 || request.status == 405) {
    // An origin-form target, kept as sent, with no byte that would end it early.
    Require(request.target.starts_with('/'));
    for (const char c : request.target) Require(static_cast<unsigned char>(c) > ' ' && c != 0x7F);
  } else {
    Require(request.status == 400 && request.target.empty() && request.headers.empty());
  }
  for (const auto& [name, value] : request.headers) {
    Require(!name.empty());
    for (const char c : name) Require(c < 'A' || c > 'Z');
    Require(value.empty() || (value.front() != ' ' && value.back() != ' '));
  }
  if (const auto body = demo::BodyLength(request)) Require(*body <= demo::kMaxRequestBody);
  // The port as the server knows its own; a Host naming another is never this machine's.
  const bool here = demo::FromThisMachine(request, 8089);
  if (here) Require(request.Values("host").size() == 1 && request.Values("origin").empty());
  if (request.status != 0) return 0;

  // The bridge reads the target, then fetches it behind its source's host: both must be read
  // as the same page.
  const pages::PageRequest asked = pages::ReadPageUrl(request.target);
  const pages::PageRequest fetched = pages::ReadPageUrl("http://127.0.0.1:8089" + request.target);
  Require(asked.kind == fetched.kind && asked.phrase == fetched.phrase &&
          asked.offset == fetched.offset);
  Require(asked.offset >= 0 && (asked.kind != pages::PageKind::kRank || asked.offset > 0));
  return 0;
}
