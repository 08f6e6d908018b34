#pragma once
// TNetSocketHandle: owns one TCP socket (closing it on release or destruction) and the addresses
// of its two ends. Sockets are non-blocking; every wait is a poll() bounded by the fetch deadline.

#include <sys/types.h>
#include <chrono>
#include <string>

#include "net/deadline.h"

namespace quillmark::net {

class TNetSocketHandle {
 public:
  TNetSocketHandle() = default;
  ~TNetSocketHandle() { ReleaseSocket(); }
  TNetSocketHandle(const TNetSocketHandle&) = delete;
  TNetSocketHandle& operator=(const TNetSocketHandle&) = delete;

  bool HasSocket() const { return fd_ >= 0; }
  int Handle() const { return fd_; }

  // A stream socket of the internet family; raises ENetInvalidSocket when none can be made.
  void CreateSocket();
  // Shuts down sending, closes, and clears the ends (the local ones too).
  void ReleaseSocket();
  void Clear(bool local_too);

  // Connects to the dotted `address` and `port`, waiting no longer than the deadline, then reads
  // both ends back; raises ENetTimedOut or ENetCancelled when the wait ends first.
  void ConnectPeer(const std::string& address, int port, const TNetDeadline& deadline);

  enum class Wait { Ready, NotReady, DeadlinePassed, Cancelled };
  // Waits until the socket is readable (or writable), at most `wait` and never past `deadline`;
  // asks the deadline's cancel test before the wait and at every slice of it.
  Wait WaitFor(bool readable, std::chrono::milliseconds wait, const TNetDeadline& deadline) const;

  // One recv / send; EINTR is retried. -1 with errno set on failure (EAGAIN included).
  // `more_follows` lets the system hold the bytes for the next send, as Nagle would.
  ssize_t Receive(char* data, std::size_t count) const;
  ssize_t Send(const char* data, std::size_t count, bool more_follows = false) const;

  // The local end and the peer's, as dotted addresses and port numbers.
  const std::string& IP() const { return ip_; }
  int Port() const { return port_; }
  const std::string& PeerAddress() const { return peer_address_; }
  int PeerPortNumber() const { return peer_port_number_; }

 private:
  void ReadBackEnds();
  int fd_ = -1;
  std::string ip_;
  int port_ = 0;
  std::string peer_address_;
  int peer_port_number_ = 0;
};

}  // namespace quillmark::net
