#include "net/http_client.h"

#include <algorithm>
#include <charconv>

#include "base/ascii.h"
#include "net/net_errors.h"
#include "net/net_limits.h"
#include "net/net_uri.h"
#include "net/number_text.h"

namespace quillmark::net {

namespace {

// The URL's port text as a port number; -1 when it is absent or not a usable port.
std::int32_t PortNumber(std::string_view text) {
  std::int32_t port = -1;
  return ReadDecimal(text, port) && port >= 0 && port <= 65535 ? port : -1;
}

}  // namespace

void TNetHTTP::GetDocument(const std::string& url, TNetBuffer& sink) {
  PerformRequest("GET", url, &sink);
}

void TNetHTTP::ChooseEndpoint(const std::string& scheme, const std::string& host,
                              std::int32_t port) {
  // No secure channel exists in this program, so https is refused before any connection.
  if (ascii::EqualNoCase(scheme, "HTTPS")) throw ENetInterceptPropInvalid();
  if (!host.empty()) {
    if (Socket().HasSocket() && (!ascii::EqualNoCase(host, Host()) || port != Port())) {
      CloseConnection();
    }
    SetHost(host);
    request_host_ = host;
  } else {
    request_host_ = Host();
  }
  SetPort(port == -1 ? kDefaultHttpPort : port);
}

void TNetHTTP::PerformRequest(std::string_view method, const std::string& url, TNetBuffer* sink) {
  const TNetUrlParts parts = TNetURI::SplitUrl(url);
  if (std::string reason = UnsafeUrlReason(parts); !reason.empty()) throw ENetUnsafeUrl(reason);
  ChooseEndpoint(parts.Scheme, parts.Host, PortNumber(parts.Port));

  if (ClosedByPeer() && Socket().HasSocket()) DropSocket();
  if (!Socket().HasSocket()) OpenConnection();

  request_.ContentLength = 0;
  request_.ComposeRequestLines(wire_headers_);
  // One send per line; all but the last say more follows, so the request leaves as one segment.
  SendLine(std::string(method) + " " + parts.Path + parts.Document + " HTTP/1.1", true);
  SendLine("Host: " + request_host_, true);
  for (const std::string& line : wire_headers_.Lines()) SendLine(line, true);
  SendLine("");

  bool spoke_1_0 = false;
  bool headers_whole = true;
  // Interim replies (1xx) come before the final reply and are skipped (RFC 9110, 15.2).
  for (int interim = 0;; ++interim) {
    const std::string status = ReceiveLine();
    if (status.empty() && LineTimedOut()) throw ENetConnClosedGracefully();
    spoke_1_0 = status.size() >= 8 && ascii::EqualNoCase(status.substr(5, 3), "1.0");
    reply_text_ = status;
    TNetURI::CutAt(reply_text_, " ", true);
    std::string code_text = reply_text_;
    reply_code_ = ToDecimal<std::int32_t>(TNetURI::CutAt(code_text, " ", false));
    headers_whole = ReadReplyHeaders();
    if (reply_code_ / 100 != 1 || !headers_whole) break;
    if (interim == kMaxInterimReplies) {
      DropSocket();
      throw ENetReplyTooLarge("more interim replies than the limit");
    }
  }

  // 204 and 304 replies never have a body (RFC 9112, 6.3), so their end is not waited for.
  TNetBuffer* body_sink = reply_code_ == 204 || reply_code_ == 304 ? nullptr : sink;
  if (!headers_whole) {
    // The peer closed in the middle of a header line: what came after the last whole line is
    // kept as the body, but the reply is not whole.
    ReadReplyBody(body_sink);
    throw ENetConnClosedGracefully();
  }
  // Any status but a success raises once its body is in the sink; a redirect (or any reply
  // naming a Location) is not followed, and its own body is the page.
  ReadReplyBody(body_sink);
  if (reply_code_ / 100 != 2 || !reply_.Location.empty()) {
    throw ENetProtocolReplyError(reply_code_, reply_text_);
  }
  Finish(spoke_1_0);
}

bool TNetHTTP::ReadReplyHeaders() {
  wire_headers_.Clear();
  std::size_t total = 0;
  bool whole = true;
  for (;;) {
    std::string line = ReceiveLine();
    if (line.empty()) {
      whole = !LineTimedOut();
      break;
    }
    total += line.size() + 2;
    if (total > kMaxHeaderTotal) {
      DropSocket();
      throw ENetReplyTooLarge("reply header larger than the limit");
    }
    wire_headers_.Add(std::move(line));
  }
  reply_.AbsorbReplyLines(wire_headers_);
  return whole;
}

void TNetHTTP::Finish(bool server_spoke_1_0) {
  if (server_spoke_1_0) {
    CloseConnection();
  } else if (ascii::EqualNoCase(ascii::Trim(reply_.Connection), "CLOSE") && Socket().HasSocket()) {
    CloseConnection();
  } else {
    // The reply is complete: a reset seen by the probe only means the connection is gone.
    try {
      ProbeForClose(false, kCloseProbeWait);
    } catch (const ENetException&) {
      DropSocket();
    }
  }
}

void TNetHTTP::ReceiveBodyPart(TNetBuffer& sink, std::int64_t count, std::size_t body_start) {
  const std::int64_t budget = kMaxBody - static_cast<std::int64_t>(sink.Position() - body_start);
  // The announced length, within the bound, is taken once: growing block by block would copy the
  // body again at every doubling and touch fresh memory each time. Pages that no bytes arrive for
  // are never touched.
  sink.Reserve(sink.Position() +
               static_cast<std::size_t>(std::max<std::int64_t>(0, std::min(count, budget))));
  if (count <= budget) {
    ReceiveIntoSink(sink, count);
    return;
  }
  ReceiveIntoSink(sink, budget);
  DropSocket();
  throw ENetReplyTooLarge("reply body larger than 64 MiB");
}

void TNetHTTP::ReadReplyBody(TNetBuffer* sink) {
  if (sink == nullptr) return;
  const std::size_t body_start = sink->Position();
  if (reply_.ContentLength != 0) {
    ReceiveBodyPart(*sink, reply_.ContentLength, body_start);
    return;
  }
  // Deliberately case-sensitive, as the client always was: "Chunked" reads until close.
  if (reply_.ExtraHeaders.ValueOf("Transfer-Encoding").find("chunked") != std::string::npos) {
    DoStatus(TNetStatus::hsText, "Chunk Started");
    for (std::int64_t size = ParseChunkLine(); size > 0; size = ParseChunkLine()) {
      ReceiveBodyPart(*sink, size, body_start);
      ReceiveLine();  // the line end after the chunk data
    }
    // The body is whole once the last chunk's line has come; a close before the empty line
    // after it loses nothing.
    try {
      ReceiveLine();
    } catch (const ENetConnClosedGracefully&) {
    }
    return;
  }
  // An announced empty body is empty: reading it until close would leave a keep-alive server's
  // reply hanging until the time limit.
  if (reply_.HasContentLength) return;
  if (ReceiveUntilClose(*sink, kMaxBody) && IsOpen()) {
    DropSocket();
    throw ENetReplyTooLarge("reply body larger than 64 MiB");
  }
}

std::int64_t TNetHTTP::ParseChunkLine() {
  std::string line = ReceiveLine();
  // A close in the middle of a chunk-size line is a body cut short, not its last chunk.
  if (LineTimedOut()) throw ENetConnClosedGracefully();
  const std::string size_text = TNetURI::CutAt(line, " ", false);
  // A size that is not plain hex (an extension after ";", say) or does not fit in 63 bits counts
  // as the last chunk.
  std::int64_t size = 0;
  const auto [end, ec] =
      std::from_chars(size_text.data(), size_text.data() + size_text.size(), size, 16);
  if (size_text.empty() || ec != std::errc() || end != size_text.data() + size_text.size() ||
      size < 0 || size_text.front() == '-' || size_text.front() == '+') {
    return 0;
  }
  return size;
}

}  // namespace quillmark::net
