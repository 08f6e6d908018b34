#pragma once
// TNetTCPClient: a TCP connection that opens itself to Host:Port.

#include <cstdint>
#include <functional>
#include <string>

#include "net/tcp_connection.h"

namespace quillmark::net {

class TNetTCPClient : public TNetTCPConnection {
 public:
  const std::string& Host() const { return host_; }
  void SetHost(std::string host) { host_ = std::move(host); }
  std::int32_t Port() const { return port_; }
  void SetPort(std::int32_t port) { port_ = port; }

  std::function<void(TNetTCPClient&)> OnConnected;

  // Resolves Host and connects; raises ENetAlreadyConnected while a socket is held. Whatever it
  // raises after making the socket, it closes the socket first.
  void OpenConnection();

 private:
  std::string host_;
  std::int32_t port_ = 0;
};

}  // namespace quillmark::net
