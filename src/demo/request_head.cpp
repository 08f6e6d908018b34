#include "demo/request_head.h"

#include "base/ascii.h"
#include "demo/demo_limits.h"

namespace quillmark::demo {

std::vector<std::string_view> RequestHead::Values(std::string_view name) const {
  std::vector<std::string_view> values;
  for (const auto& [key, value] : headers)
    if (key == name) values.emplace_back(value);
  return values;
}

RequestHead RefusedHead(int status) {
  RequestHead request;
  request.status = status;
  return request;
}

std::size_t HeadEnd(std::string_view data) {
  // Empty lines before the request line are skipped, not taken for the head's end, as ParseHead
  // skips them (RFC 9112 section 2.2).
  std::size_t start = 0;
  while (data.substr(start).starts_with('\n') || data.substr(start).starts_with("\r\n"))
    start += data[start] == '\n' ? 1 : 2;
  for (std::size_t at = data.find('\n', start); at != std::string_view::npos;
       at = data.find('\n', at + 1)) {
    if (at + 1 < data.size() && data[at + 1] == '\n') return at + 2;
    if (at + 2 < data.size() && data[at + 1] == '\r' && data[at + 2] == '\n') return at + 3;
  }
  return 0;
}

// RFC 9112 section 3: method SP request-target SP HTTP-version, then field lines up to an
// empty line. The target is kept as sent, so that a "?" inside a query value stays data for the
// handler's reader.
RequestHead ParseHead(std::string_view head) {
  RequestHead request;
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const std::size_t end = head.find('\n');
    std::string_view line = head.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
  }
  // Leading empty lines before a request line are allowed (RFC 9112 section 2.2).
  std::size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  if (first == lines.size()) return RefusedHead(400);
  const std::string_view line = lines[first];
  const std::size_t space = line.find(' ');
  const std::size_t last_space = line.rfind(' ');
  if (space == std::string_view::npos || last_space == space) return RefusedHead(400);
  const std::string_view method = line.substr(0, space);
  const std::string_view target = line.substr(space + 1, last_space - space - 1);
  const std::string_view version = line.substr(last_space + 1);
  if (version.rfind("HTTP/1.", 0) != 0 || target.empty() || target.front() != '/')
    return RefusedHead(400);
  for (const char c : target)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return RefusedHead(400);
  request.target = std::string(target);
  for (std::size_t i = first + 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::size_t colon = lines[i].find(':');
    // A folded line (RFC 9112 section 5.2) or a line without a name: not ours to read.
    if (colon == std::string_view::npos || colon == 0 || ascii::IsSpaceOrControl(lines[i][0]))
      continue;
    request.headers.emplace_back(ascii::ToLower(lines[i].substr(0, colon)),
                                 std::string(ascii::Trim(lines[i].substr(colon + 1))));
  }
  if (method == "HEAD") {
    request.head_only = true;
  } else if (method != "GET") {
    request.status = 405;
  }
  return request;
}

std::optional<std::size_t> BodyLength(const RequestHead& request) {
  if (!request.Values("transfer-encoding").empty()) return std::nullopt;
  const auto lengths = request.Values("content-length");
  if (lengths.empty()) return 0;
  if (lengths.size() > 1 || lengths[0].empty() || lengths[0].size() > 9) return std::nullopt;
  std::size_t length = 0;
  for (const char c : lengths[0]) {
    if (c < '0' || c > '9') return std::nullopt;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  if (length > kMaxRequestBody) return std::nullopt;
  return length;
}

bool FromThisMachine(const RequestHead& request, int port) {
  const auto hosts = request.Values("host");
  if (hosts.size() != 1) return false;
  const std::string host = ascii::ToLower(hosts[0]);
  const std::string with_port = ":" + std::to_string(port);
  bool known = false;
  for (const std::string_view name : {"127.0.0.1", "localhost"})
    known = known || host == name || host == std::string(name) + with_port;
  if (!known || !request.Values("origin").empty()) return false;
  for (const std::string_view site : request.Values("sec-fetch-site"))
    if (ascii::ToLower(site) != "none") return false;
  return true;
}

}  // namespace quillmark::demo
