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

void TNetTCPConnection::ResetConnection() {
  socket_.Clear(true);
  in_buffer_.Clear();
  closed_by_peer_ = false;
}

void TNetTCPConnection::VerifyOpen(bool raise, bool ignore_buffer) {
  if (!closed_by_peer_ && socket_.HasSocket()) return;
  if (socket_.HasSocket()) DropSocket();
  if (raise && (in_buffer_.Empty() || ignore_buffer)) throw ENetConnClosedGracefully();
}

bool TNetTCPConnection::IsOpen() {
  VerifyOpen(false, false);
  return socket_.HasSocket();
}

void TNetTCPConnection::DropSocket() {
  if (!socket_.HasSocket()) return;
  DoStatus(TNetStatus::hsDisconnecting, socket_.PeerAddress());
  socket_.ReleaseSocket();
  closed_by_peer_ = true;
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
    if (!socket_.HasSocket()) throw ENetConnClosedGracefully();
    if (waited) {
      const TNetSocketHandle::Wait outcome = socket_.WaitFor(true, wait, deadline_);
      if (outcome == TNetSocketHandle::Wait::NotReady) return 0;
      EndWait(outcome);
    } else {
      CheckDeadline();
    }
    if (into_buffer) {
      target_size = static_cast<std::size_t>(kRecvBufferSize);
      target = in_buffer_.PrepareAppend(target_size);
    }
    got = socket_.Receive(target, target_size);
    const int error = errno;
    if (into_buffer) in_buffer_.CommitAppend(got > 0 ? static_cast<std::size_t>(got) : 0);
    // Nothing there yet (or a spurious readiness): wait for it.
    if (got == -1 && (error == EAGAIN || error == EWOULDBLOCK)) continue;
    errno = error;
    break;
  }
  closed_by_peer_ = got == 0;
  if (got == -1) {
    const int code = WinsockCode(errno);
    if (code != kClosedSocketCode) throw ENetSocketError(code);
    DropSocket();
    if (in_buffer_.Empty()) throw ENetSocketError(code);
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
  line_timed_out_ = false;
  // Bytes before `scanned` are known not to start the terminator, so each arrival is searched
  // once rather than the whole buffer again.
  std::size_t scanned = 0;
  std::size_t found = std::string_view::npos;
  for (;;) {
    if (!in_buffer_.Empty()) {
      found = in_buffer_.View().find(terminator, scanned);
      if (found != std::string_view::npos) break;
      if (in_buffer_.Size() > kMaxHeaderLine) {
        DropSocket();
        throw ENetReplyTooLarge("reply line longer than the limit");
      }
      scanned = in_buffer_.Size() - std::min(in_buffer_.Size(), terminator.size() - 1);
    }
    VerifyOpen(true, true);
    if (PullFromSocket(true, wait) == 0) {
      line_timed_out_ = true;
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
      static_cast<std::size_t>(std::min<std::int64_t>(remaining, in_buffer_.Size()));
  if (from_buffer > 0) {
    sink.Write(in_buffer_.View().data(), from_buffer);
    in_buffer_.Consume(from_buffer);
    DoWork(TNetWorkMode::wmRead, static_cast<std::int64_t>(from_buffer));
    remaining -= static_cast<std::int64_t>(from_buffer);
  }
  // Straight into the sink, one receive block at a time: the sink grows with what arrives, never
  // with what the peer announced.
  while (remaining > 0 && IsOpen()) {
    const auto block = static_cast<std::size_t>(std::min<std::int64_t>(remaining, kRecvBufferSize));
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
  while (in_buffer_.Size() < static_cast<std::size_t>(count)) {
    // A peer that closed while some bytes are still buffered never sends the rest; without this
    // the pull would keep answering 0 without raising.
    if (PullFromSocket(true, kWaitForever) == 0 && !socket_.HasSocket()) {
      throw ENetConnClosedGracefully();
    }
  }
  std::memcpy(data, in_buffer_.View().data(), static_cast<std::size_t>(count));
  in_buffer_.Consume(static_cast<std::size_t>(count));
  DoWork(TNetWorkMode::wmRead, count);
}

std::string TNetTCPConnection::TakeBytes(std::size_t count) {
  if (count > in_buffer_.Size()) throw ENetNotEnoughDataInBuffer();
  DoWork(TNetWorkMode::wmRead, static_cast<std::int64_t>(count));
  return in_buffer_.Take(count);
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
        socket_.Send(data + sent, static_cast<std::size_t>(count - sent), more_follows);
    const int error = errno;
    closed_by_peer_ = rc == 0;
    VerifyOpen(true, false);
    if (rc == -1) {
      if (error == EAGAIN || error == EWOULDBLOCK) {
        // The peer is not reading: wait for room, but never past the deadline.
        EndWait(socket_.WaitFor(false, kWaitForever, deadline_));
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
