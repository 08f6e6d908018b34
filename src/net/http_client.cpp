#include "net/http_client.h"

#include <charconv>

#include "net/ascii_text.h"
#include "net/net_errors.h"
#include "net/net_limits.h"
#include "net/net_uri.h"
#include "net/number_text.h"

namespace quillmark::net {

namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

// The URL's port text as a port number; -1 when it is absent or not a usable port.
std::int32_t PortNumber(std::string_view text) {
  std::int32_t port = -1;
  return ReadDecimal(text, port) && port >= 0 && port <= 65535 ? port : -1;
}

}  // namespace

void TNetHTTP::GetDocument(const std::string& url, TNetBuffer& sink) {
  PerformRequest("GET", url, nullptr, &sink);
}

bool TNetHTTP::ChooseEndpoint(const std::string& scheme, const std::string& host,
                              std::int32_t port) {
  if (!Request.ProxyServer.empty()) {
    Host = Request.ProxyServer;
    Port = Request.ProxyPort;
    if (!host.empty()) RequestHost = host;
    if (!scheme.empty()) SchemeText = scheme;
    return true;
  }
  // No secure channel exists in this program, so https is refused before any connection.
  if (SameTextNoCase(scheme, "HTTPS")) throw ENetInterceptPropInvalid();
  if (!host.empty()) {
    if (Socket.HasSocket() && (!SameTextNoCase(host, Host) || port != Port)) CloseConnection();
    Host = host;
    RequestHost = host;
    if (!scheme.empty()) SchemeText = scheme;
  } else {
    RequestHost = Host;
  }
  Port = port == -1 ? kDefaultHttpPort : port;
  return false;
}

bool TNetHTTP::AskRedirect(std::string& dest, std::int32_t& depth) {
  bool handled = HandleRedirects;
  if (OnRedirect) OnRedirect(*this, dest, depth, handled);
  return handled;
}

void TNetHTTP::PerformRequest(std::string_view method, const std::string& url, TNetBuffer* source,
                              TNetBuffer* sink) {
  ++RedirectDepth;
  const TNetUrlParts parts = TNetURI::SplitUrl(url);
  if (std::string reason = UnsafeUrlReason(parts); !reason.empty()) throw ENetUnsafeUrl(reason);
  std::string target = parts.Path + parts.Document;
  if (ChooseEndpoint(parts.Scheme, parts.Host, PortNumber(parts.Port))) {
    target = (parts.Scheme.empty() ? SchemeText : parts.Scheme) + "://" +
             (parts.Host.empty() ? RequestHost : parts.Host) + target;
  }

  if (ClosedByPeer && Socket.HasSocket()) DropSocket();
  if (!Socket.HasSocket()) OpenConnection();

  WireHeaders.Clear();
  const bool sends_body = method == "POST" && source != nullptr;
  Request.ContentLength = sends_body ? static_cast<std::int32_t>(source->Size()) : 0;
  Request.ComposeRequestLines(WireHeaders);
  const char* version = ProtocolVersion == TNetHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1";
  // One send per line; all but the last say more follows, so the request leaves as one segment.
  SendLine(std::string(method) + " " + target + " HTTP/" + version, true);
  SendLine("Host: " + RequestHost, true);
  for (const std::string& line : WireHeaders.Lines()) SendLine(line, true);
  SendLine("", sends_body);
  if (sends_body) SendText(source->View());

  bool spoke_1_0 = false;
  bool headers_whole = true;
  // Interim replies (1xx) come before the final reply and are skipped (RFC 9110, 15.2).
  for (int interim = 0;; ++interim) {
    const std::string status = ReceiveLine();
    if (status.empty() && LineTimedOut) throw ENetConnClosedGracefully();
    spoke_1_0 = status.size() >= 8 && SameTextNoCase(status.substr(5, 3), "1.0");
    ReplyText = status;
    TNetURI::CutAt(ReplyText, " ", true);
    std::string code_text = ReplyText;
    ReplyCode = ToDecimal<std::int32_t>(TNetURI::CutAt(code_text, " ", false));
    headers_whole = ReadReplyHeaders();
    if (ReplyCode / 100 != 1 || !headers_whole) break;
    if (interim == kMaxInterimReplies) {
      DropSocket();
      throw ENetReplyTooLarge("more interim replies than the limit");
    }
  }

  // A HEAD reply announces a body it does not carry; 204 and 304 replies never have one
  // (RFC 9112, 6.3), so their end is not waited for.
  TNetBuffer* body_sink = method == "HEAD" || ReplyCode == 204 || ReplyCode == 304 ? nullptr : sink;
  if (!headers_whole) {
    // The peer closed in the middle of a header line: what came after the last whole line is
    // kept as the body, but the reply is not whole.
    ReadReplyBody(body_sink);
    throw ENetConnClosedGracefully();
  }
  const std::int32_t status_class = ReplyCode / 100;
  if ((status_class == 3 && ReplyCode != 304) || !Reply.Location.empty()) {
    ReadReplyBody(body_sink);
    std::string dest = Reply.Location;
    std::int32_t depth = RedirectDepth;
    if (HandleRedirects && RedirectDepth < RedirectMaximum) {
      if (sink) sink->SetPosition(0);
      if (!AskRedirect(dest, depth)) throw ENetProtocolReplyError(ReplyCode, ReplyText);
      if (ProtocolVersion == TNetHTTPProtocolVersion::pv1_0 || spoke_1_0) CloseConnection();
      PerformRequest(method, dest, source, sink);
      return;
    }
    if (!AskRedirect(dest, depth)) throw ENetProtocolReplyError(ReplyCode, ReplyText);
    Reply.Location = dest;
  } else {
    ReadReplyBody(body_sink);
    if (status_class != 2) throw ENetProtocolReplyError(ReplyCode, ReplyText);
  }
  Finish(spoke_1_0);
}

bool TNetHTTP::ReadReplyHeaders() {
  WireHeaders.Clear();
  std::size_t total = 0;
  bool whole = true;
  for (;;) {
    std::string line = ReceiveLine();
    if (line.empty()) {
      whole = !LineTimedOut;
      break;
    }
    total += line.size() + 2;
    if (total > kMaxHeaderTotal) {
      DropSocket();
      throw ENetReplyTooLarge("reply header larger than the limit");
    }
    WireHeaders.Add(std::move(line));
  }
  Reply.AbsorbReplyLines(WireHeaders);
  return whole;
}

void TNetHTTP::Finish(bool server_spoke_1_0) {
  if (ProtocolVersion == TNetHTTPProtocolVersion::pv1_0 || server_spoke_1_0) {
    CloseConnection();
  } else if (SameTextNoCase(Trim(Reply.Connection), "CLOSE") && Socket.HasSocket()) {
    CloseConnection();
  } else {
    // The reply is complete: a reset seen by the probe only means the connection is gone.
    try {
      ProbeForClose(false, kCloseProbeWait);
    } catch (const ENetException&) {
      DropSocket();
    }
  }
  RedirectDepth = 0;
}

void TNetHTTP::ReceiveBodyPart(TNetBuffer& sink, std::int64_t count, std::size_t body_start) {
  const std::int64_t budget = kMaxBody - static_cast<std::int64_t>(sink.Position() - body_start);
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
  if (Reply.ContentLength != 0) {
    ReceiveBodyPart(*sink, Reply.ContentLength, body_start);
    return;
  }
  // Deliberately case-sensitive, as the client always was: "Chunked" reads until close.
  if (Reply.ExtraHeaders.ValueOf("Transfer-Encoding").find("chunked") != std::string::npos) {
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
  if (Reply.HasContentLength) return;
  if (ReceiveUntilClose(*sink, kMaxBody) && IsOpen()) {
    DropSocket();
    throw ENetReplyTooLarge("reply body larger than 64 MiB");
  }
}

std::int64_t TNetHTTP::ParseChunkLine() {
  std::string line = ReceiveLine();
  // A close in the middle of a chunk-size line is a body cut short, not its last chunk.
  if (LineTimedOut) throw ENetConnClosedGracefully();
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
