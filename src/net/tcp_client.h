#pragma once
// TNetTCPClient: a TCP connection that opens itself to Host:Port.

#include <cstdint>
#include <functional>
#include <string>

#include "net/tcp_connection.h"

namespace quillmark::net {

enum class TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };
enum class TSocksAuthentication { saNoAuthentication, saUsernamePassword };

// SOCKS settings; never configured in this program, so only their defaults matter.
struct TSocksInfo {
  TSocksVersion Version = TSocksVersion::svNoSocks;
  TSocksAuthentication Authentication = TSocksAuthentication::saNoAuthentication;
  std::string Host;
  std::int32_t Port = 0;
  std::string UserID;
  std::string Password;
};

class TNetTCPClient : public TNetTCPConnection {
 public:
  std::string Host;
  std::int32_t Port = 0;
  std::string BoundIP;
  bool UseNagle = true;
  TSocksInfo SocksInfo;
  std::function<void(TNetTCPClient&)> OnConnected;

  // Resolves Host and connects; raises ENetAlreadyConnected while a socket is held. Whatever it
  // raises after making the socket, it closes the socket first.
  void OpenConnection();
};

}  // namespace quillmark::net
