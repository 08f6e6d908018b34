#pragma once
// A loopback port that refuses every connection for as long as this object lives. A socket is
// bound to the port and never listens: a connect to it is answered by a reset, and, as long as
// the socket is held, no other socket can bind the port and start answering. A port merely freed
// by a server that stopped could be taken again by anything running at the same time.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>

namespace quillmark::testing {

class ClosedPort {
 public:
  ClosedPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "socket");
    // No SO_REUSEADDR: only a socket that asks for it may share a bound port.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      const int error = errno;
      ::close(fd_);
      throw std::system_error(error, std::generic_category(), "bind");
    }
    port_ = ntohs(address.sin_port);
  }
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  ~ClosedPort() { ::close(fd_); }

  int port() const { return port_; }
  // "127.0.0.1:PORT", as the endpoint options take it.
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }
  // "http://127.0.0.1:PORT" + target.
  std::string Url(std::string_view target = "/") const {
    return "http://" + Host() + std::string(target);
  }

 private:
  int fd_;
  int port_ = 0;
};

}  // namespace quillmark::testing
