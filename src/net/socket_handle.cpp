#include "net/socket_handle.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <cerrno>

#include <cstring>

#include "net/net_errors.h"
#include "net/net_stack.h"

namespace quillmark::net {

namespace {

// The one place that retries a call interrupted by a signal.
template <typename Call>
auto RetryOnInterrupt(Call call) {
  for (;;) {
    auto result = call();
    if (result != -1 || errno != EINTR) return result;
  }
}

sockaddr_in MakeAddress(const std::string& ip, int port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const auto b = TNetStack::TextToAddress(ip);
  std::memcpy(&a.sin_addr.s_addr, b.data(), 4);
  return a;
}

void ReadEnd(const sockaddr_storage& s, std::string& ip, int& port) {
  if (s.ss_family != AF_INET) return;
  const auto& in = reinterpret_cast<const sockaddr_in&>(s);
  const auto* b = reinterpret_cast<const std::uint8_t*>(&in.sin_addr.s_addr);
  ip = TNetStack::AddressToText({b[0], b[1], b[2], b[3]});
  port = ntohs(in.sin_port);
}

}  // namespace

void TNetSocketHandle::CreateSocket() {
  ReleaseSocket();
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) throw ENetInvalidSocket();
  fd_ = fd;
}

void TNetSocketHandle::ReleaseSocket() {
  if (fd_ < 0) return;
  shutdown(fd_, SHUT_WR);
  close(fd_);
  Clear(true);
}

void TNetSocketHandle::Clear(bool local_too) {
  fd_ = -1;
  peer_address_.clear();
  peer_port_number_ = 0;
  if (local_too) {
    ip_.clear();
    port_ = 0;
  }
}

void TNetSocketHandle::ConnectPeer(const std::string& address, int port,
                                   const TNetDeadline& deadline) {
  peer_address_ = address;
  peer_port_number_ = port;
  const sockaddr_in a = MakeAddress(address, port);
  const int rc = connect(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  if (rc == -1) {
    // A non-blocking connect that is under way (or was interrupted) completes in the background;
    // the socket turns writable when it is done, and SO_ERROR says how it went.
    if (errno != EINPROGRESS && errno != EINTR) TNetStack::CheckSocketResult(-1);
    switch (WaitFor(false, std::chrono::milliseconds{-1}, deadline)) {
      case Wait::Ready:
        break;
      case Wait::Cancelled:
        throw ENetCancelled();
      default:
        throw ENetTimedOut();
    }
    int error = 0;
    socklen_t len = sizeof error;
    if (getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) == -1) error = errno;
    if (error != 0) throw ENetSocketError(WinsockCode(error));
  }
  ReadBackEnds();
}

void TNetSocketHandle::ReadBackEnds() {
  sockaddr_storage s{};
  socklen_t len = sizeof s;
  if (getsockname(fd_, reinterpret_cast<sockaddr*>(&s), &len) == 0) ReadEnd(s, ip_, port_);
  len = sizeof s;
  if (getpeername(fd_, reinterpret_cast<sockaddr*>(&s), &len) == 0) {
    ReadEnd(s, peer_address_, peer_port_number_);
  }
}

TNetSocketHandle::Wait TNetSocketHandle::WaitFor(bool readable, std::chrono::milliseconds wait,
                                                 const TNetDeadline& deadline) const {
  const auto start = TNetDeadline::Clock::now();
  pollfd p{fd_, static_cast<short>(readable ? POLLIN : POLLOUT), 0};
  for (;;) {
    if (deadline.Cancelled()) return Wait::Cancelled;
    // Recomputed on every round, so an interrupted poll does not restart the whole wait.
    const int timeout = deadline.PollTimeout(wait, start);
    const int rc = poll(&p, 1, timeout);
    if (rc > 0) return Wait::Ready;
    if (rc == -1 && errno != EINTR) TNetStack::CheckSocketResult(-1);
    if (rc == 0) {
      // A short wait of its own (the close probe) ends as "not ready" even past the deadline.
      if (wait.count() >= 0 && TNetDeadline::Clock::now() >= start + wait) return Wait::NotReady;
      if (deadline.Expired()) return Wait::DeadlinePassed;
    }
  }
}

ssize_t TNetSocketHandle::Receive(char* data, std::size_t count) const {
  return RetryOnInterrupt([&] { return recv(fd_, data, count, 0); });
}

ssize_t TNetSocketHandle::Send(const char* data, std::size_t count, bool more_follows) const {
  const int flags = MSG_NOSIGNAL | (more_follows ? MSG_MORE : 0);
  return RetryOnInterrupt([&] { return send(fd_, data, count, flags); });
}

}  // namespace quillmark::net
