#include "net/tcp_connection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "net/net_errors.h"
#include "net/net_stack.h"

namespace quillmark::net {

namespace {

constexpr int kClosedSocketCode = 10058;

}  // namespace

void TNetTCPConnection::CheckDeadline() {
  if (deadline_.Cancelled()) {
    DropSocket();
    throw ENetCancelled();
  }
  if (!deadline_.Expired()) return;
  DropSocket();
  throw ENetTimedOut();
}

void TNetTCPConnection::EndWait(TNetSocketHandle::Wait outcome) {
  if (outcome == TNetSocketHandle::Wait::Cancelled) {
    DropSocket();
    throw ENetCancelled();
  }
  if (outcome == TNetSocketHandle::Wait::DeadlinePassed) {
    DropSocket();
    throw ENetTimedOut();
  }
}

void TNetTCPConnection::VerifyOpen(bool raise, bool ignore_buffer) {
  if (!ClosedByPeer && Socket.HasSocket()) return;
  if (Socket.HasSocket()) DropSocket();
  if (raise && (InBuffer.Empty() || ignore_buffer)) throw ENetConnClosedGracefully();
}

bool TNetTCPConnection::IsOpen() {
  VerifyOpen(false, false);
  return Socket.HasSocket();
}

void TNetTCPConnection::DropSocket() {
  if (!Socket.HasSocket()) return;
  DoStatus(TNetStatus::hsDisconnecting, Socket.PeerAddress);
  Socket.ReleaseSocket();
  ClosedByPeer = true;
  DoStatus(TNetStatus::hsDisconnected);
  if (OnDisconnected) OnDisconnected(*this);
}

std::int64_t TNetTCPConnection::PullFromSocket(bool raise, std::chrono::milliseconds wait,
                                               char* target, std::size_t target_size) {
  VerifyOpen(raise, false);
  if (!IsOpen()) return 0;
  const bool into_buffer = target == nullptr;
  ssize_t got = -1;
  // The receive is tried before any wait: while data keeps arriving, one system call per block
  // is enough. The deadline and the cancel test are still asked every time.
  for (bool waited = false;; waited = true) {
    if (!Socket.HasSocket()) throw ENetConnClosedGracefully();
    if (waited) {
      const TNetSocketHandle::Wait outcome = Socket.WaitFor(true, wait, deadline_);
      if (outcome == TNetSocketHandle::Wait::NotReady) return 0;
      EndWait(outcome);
    } else {
      CheckDeadline();
    }
    if (into_buffer) {
      target_size = static_cast<std::size_t>(RecvBufferSize);
      target = InBuffer.PrepareAppend(target_size);
    }
    got = Socket.Receive(target, target_size);
    const int error = errno;
    if (into_buffer) InBuffer.CommitAppend(got > 0 ? static_cast<std::size_t>(got) : 0);
    // Nothing there yet (or a spurious readiness): wait for it.
    if (got == -1 && (error == EAGAIN || error == EWOULDBLOCK)) continue;
    errno = error;
    break;
  }
  ClosedByPeer = got == 0;
  if (got == -1) {
    const int code = WinsockCode(errno);
    if (code != kClosedSocketCode) throw ENetSocketError(code);
    DropSocket();
    if (InBuffer.Empty()) throw ENetSocketError(code);
    got = 0;
  }
  if (!into_buffer) DoWork(TNetWorkMode::wmRead, got);
  VerifyOpen(raise, false);
  return got;
}

std::string TNetTCPConnection::ReceiveLine(std::string_view terminator,
                                           std::chrono::milliseconds wait) {
  const bool default_terminator = terminator.empty();
  if (default_terminator) terminator = "\n";
  LineTimedOut = false;
  // Bytes before `scanned` are known not to start the terminator, so each arrival is searched
  // once rather than the whole buffer again.
  std::size_t scanned = 0;
  std::size_t found = std::string_view::npos;
  for (;;) {
    if (!InBuffer.Empty()) {
      found = InBuffer.View().find(terminator, scanned);
      if (found != std::string_view::npos) break;
      if (InBuffer.Size() > kMaxHeaderLine) {
        DropSocket();
        throw ENetReplyTooLarge("reply line longer than the limit");
      }
      scanned = InBuffer.Size() - std::min(InBuffer.Size(), terminator.size() - 1);
    }
    VerifyOpen(true, true);
    if (PullFromSocket(true, wait) == 0) {
      LineTimedOut = true;
      return {};
    }
  }
  if (found > kMaxHeaderLine) {
    DropSocket();
    throw ENetReplyTooLarge("reply line longer than the limit");
  }
  std::string line = TakeBytes(found + terminator.size());
  line.resize(found);
  if (default_terminator && !line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::int64_t TNetTCPConnection::ReceiveBlocks(TNetBuffer& sink, std::int64_t remaining,
                                              bool raise_on_close) {
  const std::size_t from_buffer =
      static_cast<std::size_t>(std::min<std::int64_t>(remaining, InBuffer.Size()));
  if (from_buffer > 0) {
    sink.Write(InBuffer.View().data(), from_buffer);
    InBuffer.Consume(from_buffer);
    DoWork(TNetWorkMode::wmRead, static_cast<std::int64_t>(from_buffer));
    remaining -= static_cast<std::int64_t>(from_buffer);
  }
  // Straight into the sink, one receive block at a time: the sink grows with what arrives, never
  // with what the peer announced.
  while (remaining > 0 && IsOpen()) {
    const auto block = static_cast<std::size_t>(std::min<std::int64_t>(remaining, RecvBufferSize));
    char* target = sink.PrepareWrite(block);
    std::int64_t got = 0;
    try {
      got = PullFromSocket(raise_on_close, kWaitForever, target, block);
    } catch (...) {
      sink.CommitWrite(0);
      throw;
    }
    sink.CommitWrite(static_cast<std::size_t>(got));
    remaining -= got;
  }
  return remaining;
}

std::int64_t TNetTCPConnection::ReceiveInto(TNetBuffer& sink, std::int64_t remaining,
                                            bool raise_on_close, std::int64_t expected) {
  // However the read ends, the sink holds exactly the bytes written into it.
  BeginWork(TNetWorkMode::wmRead, expected);
  try {
    remaining = ReceiveBlocks(sink, remaining, raise_on_close);
  } catch (...) {
    EndWork(TNetWorkMode::wmRead);
    sink.SetSize(sink.Position());
    throw;
  }
  EndWork(TNetWorkMode::wmRead);
  sink.SetSize(sink.Position());
  return remaining;
}

void TNetTCPConnection::ReceiveIntoSink(TNetBuffer& sink, std::int64_t count) {
  if (count < 0) throw ENetInvalidByteCount();
  ReceiveInto(sink, count, true, count);
}

bool TNetTCPConnection::ReceiveUntilClose(TNetBuffer& sink, std::int64_t limit) {
  return ReceiveInto(sink, limit, false, 0) == 0;
}

void TNetTCPConnection::ReceiveExact(char* data, std::int64_t count) {
  if (count <= 0) return;
  while (InBuffer.Size() < static_cast<std::size_t>(count)) {
    // A peer that closed while some bytes are still buffered never sends the rest; without this
    // the pull would keep answering 0 without raising.
    if (PullFromSocket(true, kWaitForever) == 0 && !Socket.HasSocket()) {
      throw ENetConnClosedGracefully();
    }
  }
  std::memcpy(data, InBuffer.View().data(), static_cast<std::size_t>(count));
  InBuffer.Consume(static_cast<std::size_t>(count));
  DoWork(TNetWorkMode::wmRead, count);
}

std::string TNetTCPConnection::TakeBytes(std::size_t count) {
  if (count > InBuffer.Size()) throw ENetNotEnoughDataInBuffer();
  DoWork(TNetWorkMode::wmRead, static_cast<std::int64_t>(count));
  return InBuffer.Take(count);
}

void TNetTCPConnection::SendBytes(const char* data, std::int64_t count, bool more_follows) {
  if (count <= 0) return;
  VerifyOpen(true, true);
  BeginWork(TNetWorkMode::wmWrite, count);
  try {
    SendAll(data, count, more_follows);
  } catch (...) {
    EndWork(TNetWorkMode::wmWrite);
    throw;
  }
  EndWork(TNetWorkMode::wmWrite);
}

void TNetTCPConnection::SendAll(const char* data, std::int64_t count, bool more_follows) {
  std::int64_t sent = 0;
  while (sent < count) {
    CheckDeadline();
    const ssize_t rc =
        Socket.Send(data + sent, static_cast<std::size_t>(count - sent), more_follows);
    const int error = errno;
    ClosedByPeer = rc == 0;
    VerifyOpen(true, false);
    if (rc == -1) {
      if (error == EAGAIN || error == EWOULDBLOCK) {
        // The peer is not reading: wait for room, but never past the deadline.
        EndWait(Socket.WaitFor(false, kWaitForever, deadline_));
        continue;
      }
      const int code = WinsockCode(error);
      if (code == kClosedSocketCode) DropSocket();
      throw ENetSocketError(code);
    }
    DoWork(TNetWorkMode::wmWrite, rc);
    sent += rc;
  }
}

void TNetTCPConnection::SendText(std::string_view text, bool more_follows) {
  SendBytes(text.data(), static_cast<std::int64_t>(text.size()), more_follows);
}

void TNetTCPConnection::SendLine(std::string_view text, bool more_follows) {
  std::string line;
  line.reserve(text.size() + 2);
  line.append(text).append("\r\n");
  SendText(line, more_follows);
}

void TNetTCPConnection::ProbeForClose(bool raise, std::chrono::milliseconds wait) {
  PullFromSocket(raise, wait);
}

}  // namespace quillmark::net
