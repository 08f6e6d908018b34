#pragma once
// TNetHTTP: the HTTP/1.1 client of one page fetch. One PerformRequest is one exchange: split the
// URL, connect, send the request lines, read the status and header lines, read the body into the
// sink, and raise for any status that is not a success (after the body has been read).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "net/header_info.h"
#include "net/header_list.h"
#include "net/net_buffer.h"
#include "net/tcp_client.h"

namespace quillmark::net {

enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };

class TNetHTTP;
using TNetHTTPOnRedirectEvent = std::function<void(TNetHTTP& sender, std::string& dest,
                                                   std::int32_t& num_redirect, bool& handled)>;

class TNetHTTP : public TNetTCPClient {
 public:
  TNetHTTP() { Port = kDefaultHttpPort; }

  TNetHTTPProtocolVersion ProtocolVersion = TNetHTTPProtocolVersion::pv1_1;
  bool HandleRedirects = false;
  std::int32_t RedirectMaximum = kDefaultRedirectMaximum;
  TNetHTTPOnRedirectEvent OnRedirect;
  TNetHeaderInfo Request;
  TNetHeaderInfo Reply;
  TNetHeaderList WireHeaders;
  std::int32_t ReplyCode = 0;
  std::string ReplyText;
  std::string RequestHost;
  std::string SchemeText;
  std::int32_t RedirectDepth = 0;

  // One exchange. `method` is "GET", "HEAD" or "POST"; `source` (may be null) is the request
  // body; the reply body goes into `sink` (may be null) at its position.
  void PerformRequest(std::string_view method, const std::string& url, TNetBuffer* source,
                      TNetBuffer* sink);
  void GetDocument(const std::string& url, TNetBuffer& sink);

  // Sets Host, Port, RequestHost and SchemeText for the URL's parts; true when the request goes
  // to a proxy with an absolute target. Raises ENetInterceptPropInvalid for https.
  bool ChooseEndpoint(const std::string& scheme, const std::string& host, std::int32_t port);
  void ReadReplyBody(TNetBuffer* sink);
  // Size of the next chunk; 0 for the last chunk and for a line that is not a hex number.
  std::int64_t ParseChunkLine();
  bool AskRedirect(std::string& dest, std::int32_t& depth);

 private:
  // False when the peer closed in the middle of a header line, ending the block there.
  bool ReadReplyHeaders();
  void Finish(bool server_spoke_1_0);
  // Reads a counted body part, stopping (and closing) at the body bound.
  void ReceiveBodyPart(TNetBuffer& sink, std::int64_t count, std::size_t body_start);
};

}  // namespace quillmark::net
