#include "net/fetch_page.h"

#include "net/deadline.h"
#include "net/http_client.h"
#include "net/net_buffer.h"

namespace quillmark::net {

std::string FetchPage(const std::string& url, std::chrono::milliseconds timeout) {
  TNetBuffer sink;
  {
    TNetHTTP client;
    client.SetDeadline(TNetDeadline::After(timeout));
    try {
      client.GetDocument(url, sink);
    } catch (...) {
      // Whatever went wrong, the page is what arrived of the body; the client closes the socket.
    }
  }
  return sink.TakeString();
}

}  // namespace quillmark::net
