#pragma once
// TNetHTTP: the HTTP/1.1 client of one page fetch. One exchange: split the URL, connect, send the
// request lines, read the status and header lines, read the body into the sink, and raise for any
// status that is not a success (after the body has been read). Redirects are never followed and
// no proxy is ever used: a redirect reply is a page like any other, with its own body.

#include <cstdint>
#include <string>
#include <string_view>

#include "net/header_info.h"
#include "net/header_list.h"
#include "net/net_buffer.h"
#include "net/tcp_client.h"

namespace quillmark::net {

enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };

class TNetHTTP : public TNetTCPClient {
 public:
  TNetHTTP() { SetPort(kDefaultHttpPort); }

  // A GET of `url`; the reply body goes into `sink` at its position.
  void GetDocument(const std::string& url, TNetBuffer& sink);

  // Sets Host, Port and RequestHost for the URL's parts (port -1: none named). Raises
  // ENetInterceptPropInvalid for https, before any connection is made.
  void ChooseEndpoint(const std::string& scheme, const std::string& host, std::int32_t port);

  // Every request is written as HTTP/1.1; a server that answers in 1.0 closes after its reply.
  TNetHTTPProtocolVersion ProtocolVersion() const { return TNetHTTPProtocolVersion::pv1_1; }
  // The fields that become the request header lines.
  const TNetHeaderInfo& Request() const { return request_; }
  // The fields of the last reply's header lines.
  const TNetHeaderInfo& Reply() const { return reply_; }
  // First the composed request header lines, then the raw reply header lines.
  const TNetHeaderList& WireHeaders() const { return wire_headers_; }
  std::int32_t ReplyCode() const { return reply_code_; }
  // The last status line without its first word: the code and the reason phrase.
  const std::string& ReplyText() const { return reply_text_; }
  // The host text sent in the Host line.
  const std::string& RequestHost() const { return request_host_; }

 private:
  // One exchange with `method` ("GET"); the body goes into `sink` (nothing is read when null).
  void PerformRequest(std::string_view method, const std::string& url, TNetBuffer* sink);
  // False when the peer closed in the middle of a header line, ending the block there.
  bool ReadReplyHeaders();
  void ReadReplyBody(TNetBuffer* sink);
  // Size of the next chunk; 0 for the last chunk and for a line that is not a hex number.
  std::int64_t ParseChunkLine();
  // Reads a counted body part, stopping (and closing) at the body bound.
  void ReceiveBodyPart(TNetBuffer& sink, std::int64_t count, std::size_t body_start);
  void Finish(bool server_spoke_1_0);

  TNetHeaderInfo request_;
  TNetHeaderInfo reply_;
  TNetHeaderList wire_headers_;
  std::int32_t reply_code_ = 0;
  std::string reply_text_;
  std::string request_host_;
};

}  // namespace quillmark::net
