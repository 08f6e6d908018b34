#pragma once
// TNetTCPConnection: a blocking-style TCP connection with its own receive buffer, line reading
// and counted reading. Every wait is bounded by the connection's deadline when one is set; when
// it passes, the socket is dropped and ENetTimedOut raised.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/deadline.h"
#include "net/in_buffer.h"
#include "net/net_buffer.h"
#include "net/net_component.h"
#include "net/net_limits.h"
#include "net/socket_handle.h"

namespace quillmark::net {

class TNetTCPConnection : public TNetComponent {
 public:
  TNetTCPConnection() = default;
  ~TNetTCPConnection() override = default;

  std::function<void(TNetTCPConnection&)> OnDisconnected;

  // The socket and its two ends.
  const TNetSocketHandle& Socket() const { return socket_; }
  // The last receive got 0 bytes, the last send sent 0 bytes, or the socket was dropped.
  bool ClosedByPeer() const { return closed_by_peer_; }
  // The last ReceiveLine ended without a line.
  bool LineTimedOut() const { return line_timed_out_; }

  // The deadline every later wait, connect and send is measured against.
  void SetDeadline(const TNetDeadline& deadline) { deadline_ = deadline; }
  const TNetDeadline& Deadline() const { return deadline_; }

  // A line up to `terminator` (LF when empty), without it; with the default terminator a CR
  // before the LF is cut too. Empty with LineTimedOut set when the wait ends first or the peer
  // closed mid-line. A line longer than kMaxHeaderLine raises ENetReplyTooLarge.
  std::string ReceiveLine(std::string_view terminator = {},
                          std::chrono::milliseconds wait = kWaitForever);
  // Exactly `count` bytes into the sink (taken from InBuffer first). An orderly close before the
  // count raises ENetConnClosedGracefully; the sink keeps what arrived. A negative count raises.
  void ReceiveIntoSink(TNetBuffer& sink, std::int64_t count);
  // Everything until the peer closes, but at most `limit` bytes; returns true when the limit
  // stopped the read.
  bool ReceiveUntilClose(TNetBuffer& sink, std::int64_t limit = kMaxBody);
  void ReceiveExact(char* data, std::int64_t count);
  std::string TakeBytes(std::size_t count);
  // Bytes received and not yet consumed.
  std::size_t PendingCount() const { return in_buffer_.Size(); }

  // `more_follows`: more of the same message comes in the next send, so the system may merge
  // them into one segment instead of sending a small one and waiting for its ACK (Nagle).
  void SendBytes(const char* data, std::int64_t count, bool more_follows = false);
  void SendText(std::string_view text, bool more_follows = false);
  // The text and CR LF in one send.
  void SendLine(std::string_view text, bool more_follows = false);

  bool IsOpen();
  void VerifyOpen(bool raise, bool ignore_buffer);
  // Notices an orderly close by the peer without raising; bytes that arrive stay in InBuffer.
  void ProbeForClose(bool raise, std::chrono::milliseconds wait = std::chrono::milliseconds{1});
  void CloseConnection() { DropSocket(); }
  void DropSocket();
  // One receive into `target` (or InBuffer when null); 0 when the wait ended without data.
  std::int64_t PullFromSocket(bool raise, std::chrono::milliseconds wait, char* target = nullptr,
                              std::size_t target_size = 0);

 protected:
  TNetSocketHandle& MutableSocket() { return socket_; }
  // Before a new connection: no socket, nothing buffered, not closed.
  void ResetConnection();
  // Drops the socket and raises ENetCancelled when the cancel test says stop, ENetTimedOut when
  // the deadline has passed.
  void CheckDeadline();
  // The same for a wait that ended without the socket being ready.
  void EndWait(TNetSocketHandle::Wait outcome);

 private:
  // Both read modes: at most `remaining` bytes; returns what is left of it.
  std::int64_t ReceiveInto(TNetBuffer& sink, std::int64_t remaining, bool raise_on_close,
                           std::int64_t expected);
  void SendAll(const char* data, std::int64_t count, bool more_follows);
  std::int64_t ReceiveBlocks(TNetBuffer& sink, std::int64_t remaining, bool raise_on_close);
  TNetSocketHandle socket_;
  TNetInBuffer in_buffer_;  // oldest first
  bool closed_by_peer_ = false;
  bool line_timed_out_ = false;
  TNetDeadline deadline_;
};

}  // namespace quillmark::net
