#include "net/tcp_client.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include "net/net_errors.h"

namespace quillmark::net {

void TNetTCPClient::OpenConnection() {
  if (Socket.HasSocket()) throw ENetAlreadyConnected();
  Socket.Clear(true);
  InBuffer.Clear();
  ClosedByPeer = false;
  Socket.CreateSocket();
  try {
    CheckDeadline();
    Socket.IP = BoundIP;
    Socket.BindLocal();
    if (!TNetStack::IsDottedQuad(Host)) DoStatus(TNetStatus::hsResolving, Host);
    Socket.PeerAddress = SharedStack().LookupAddress(Host, Deadline());
    Socket.PeerPortNumber = Port;
    CheckDeadline();
    if (!UseNagle) {
      const int on = 1;
      TNetStack::CheckSocketResult(
          setsockopt(Socket.Handle(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on));
    }
    DoStatus(TNetStatus::hsConnecting, Socket.PeerAddress);
    Socket.ConnectPeer(Deadline());
  } catch (...) {
    try {
      CloseConnection();
    } catch (...) {
      // The first failure is the one worth reporting.
    }
    throw;
  }
  DoStatus(TNetStatus::hsConnected, Socket.PeerAddress);
  if (OnConnected) OnConnected(*this);
}

}  // namespace quillmark::net
