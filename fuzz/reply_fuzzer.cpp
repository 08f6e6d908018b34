// Feeds arbitrary reply bytes through a real connection (one end of a socketpair) into one HTTP
// exchange, the way a hostile server would: the client sends its request, then reads whatever
// comes until the peer hangs up. Every exception is swallowed as the page fetch does; crashes,
// sanitizer reports and hangs are the findings.

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <thread>

#include "net/deadline.h"
#include "net/http_client.h"
#include "net/net_buffer.h"
#include "net/net_errors.h"

namespace {

// No reply read from a closed-off peer should take anywhere near this long; if one does, the
// client is waiting for data that can never come, which is a finding.
constexpr std::chrono::seconds kHangLimit{10};

// Writes all of `bytes` unless the other end goes away, then hangs up our sending direction.
void Feed(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  ::shutdown(fd, SHUT_WR);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) std::abort();
  const int peer = ends[1];
  const std::string_view reply(reinterpret_cast<const char*>(data), size);

  // Most inputs fit the socket buffer and go in at once; larger ones are fed from a thread,
  // which ends when the client stops reading and closes its end.
  std::thread feeder;
  const ssize_t first = ::send(peer, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  if (first == static_cast<ssize_t>(reply.size())) {
    ::shutdown(peer, SHUT_WR);
  } else {
    const std::size_t done = first > 0 ? static_cast<std::size_t>(first) : 0;
    feeder = std::thread(Feed, peer, reply.substr(done));
  }

  {
    quillmark::net::TNetHTTP client;
    // The URL names the adopted socket's host and port, so the exchange keeps the connection.
    client.Host = "fuzz.test";
    client.Port = 80;
    client.Socket.AdoptSocket(ends[0]);
    client.SetDeadline(quillmark::net::TNetDeadline::After(kHangLimit));
    quillmark::net::TNetBuffer sink;
    try {
      client.GetDocument("http://fuzz.test:80/search?p=%22quill%22", sink);
    } catch (const quillmark::net::ENetTimedOut&) {
      std::fprintf(stderr, "reply read hung although the peer had hung up\n");
      std::abort();
    } catch (...) {
    }
  }
  if (feeder.joinable()) feeder.join();
  ::close(peer);
  return 0;
}
