// Feeds arbitrary reply bytes through a real loopback connection into one HTTP exchange, the way
// a hostile server would: the client sends its request, then reads whatever comes until the peer
// hangs up. Every exception is swallowed as the page fetch does; crashes, sanitizer reports and
// hangs are the findings.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

// One listener on 127.0.0.1 for the whole run; returns its port.
int ListenerPort(int& listener) {
  static int fd = -1;
  static int port = 0;
  if (fd < 0) {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(fd, 16) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
      std::abort();
    }
    port = ntohs(a.sin_port);
  }
  listener = fd;
  return port;
}

// Accepts the client, writes all of `bytes` unless the client goes away, hangs up our sending
// direction, and waits for the client to close before resetting the connection (so no
// TIME_WAIT piles up over a long run).
void Serve(int listener, std::string_view bytes) {
  const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  while (!bytes.empty()) {
    const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (sent <= 0) break;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  ::shutdown(fd, SHUT_WR);
  char drain[4096];
  while (::recv(fd, drain, sizeof drain, 0) > 0) {
  }
  const linger abort{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  int listener = -1;
  const int port = ListenerPort(listener);
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  std::thread server(Serve, listener, reply);
  {
    quillmark::net::TNetHTTP client;
    client.SetDeadline(quillmark::net::TNetDeadline::After(kHangLimit));
    quillmark::net::TNetBuffer sink;
    try {
      client.GetDocument("http://127.0.0.1:" + std::to_string(port) + "/search?p=%22quill%22",
                         sink);
    } catch (const quillmark::net::ENetTimedOut&) {
      std::fprintf(stderr, "reply read hung although the peer had hung up\n");
      std::abort();
    } catch (...) {
    }
  }
  server.join();
  return 0;
}
