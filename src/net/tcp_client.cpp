#include "net/tcp_client.h"

#include "net/net_errors.h"

namespace quillmark::net {

void TNetTCPClient::OpenConnection() {
  if (Socket().HasSocket()) throw ENetAlreadyConnected();
  ResetConnection();
  TNetSocketHandle& socket = MutableSocket();
  socket.CreateSocket();
  try {
    CheckDeadline();
    // The socket is bound by connect itself: to any local address, with a port the system picks.
    if (!TNetStack::IsDottedQuad(host_)) DoStatus(TNetStatus::hsResolving, host_);
    const std::string address = SharedStack().LookupAddress(host_, Deadline());
    CheckDeadline();
    DoStatus(TNetStatus::hsConnecting, address);
    socket.ConnectPeer(address, port_, Deadline());
  } catch (...) {
    try {
      CloseConnection();
    } catch (...) {
      // The first failure is the one worth reporting.
    }
    throw;
  }
  DoStatus(TNetStatus::hsConnected, socket.PeerAddress());
  if (OnConnected) OnConnected(*this);
}

}  // namespace quillmark::net
