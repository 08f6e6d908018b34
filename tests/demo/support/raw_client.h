#pragma once
// A connection to a page server that sends exactly the bytes a test gives it, when it gives them:
// slowly, in pieces, or followed by the end of its side.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

#include "net/support/scripted_server.h"

namespace quillmark::testing {

class RawClient {
 public:
  explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connected_ = ::connect(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  bool Send(const std::string& text) {
    return connected_ && ::send(fd_.get(), text.data(), text.size(), MSG_NOSIGNAL) ==
                             static_cast<ssize_t>(text.size());
  }
  // Ends this side: the server reads the end after what was sent.
  void EndSending() { ::shutdown(fd_.get(), SHUT_WR); }
  // What arrives until the server closes, or for 10 seconds at most.
  std::string Reply() {
    std::string reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    pollfd readable{fd_.get(), POLLIN, 0};
    while (std::chrono::steady_clock::now() < deadline && ::poll(&readable, 1, 100) >= 0) {
      char buffer[4096];
      const ssize_t n = ::recv(fd_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN)) break;
      if (n > 0) reply.append(buffer, static_cast<std::size_t>(n));
    }
    return reply;
  }

 private:
  UniqueFd fd_;
  bool connected_ = false;
};

}  // namespace quillmark::testing
