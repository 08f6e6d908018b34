#pragma once
// An HTTP server that answers the three endpoints' requests (suggestion page, search page, top
// searches page) on a background thread, with pages from a handler: the stand-in service's
// generated pages, or the bridge's pages fetched from a source. It decodes each request the way
// the research code encodes it, so every handler sees the seed or phrase itself. Every reply
// carries Content-Length and closes its connection.

#include <functional>
#include <memory>
#include <string>

namespace quillmark::demo {

enum class PageKind {
  kSuggestion,  // "/d/searchinventory/suggestion/?term=SEED&..."
  kSearch,      // "/search?p=%22PHRASE%22", with "&b=OFFSET" for a page of ranked results
  kTop,         // "/top"
};

struct PageRequest {
  PageKind kind = PageKind::kTop;
  // The seed, or the search phrase as sent (its double quotes included).
  std::string phrase;
  // Search pages: the 1-based result offset of "b", or 0 when the request has no "b" (the
  // supply search).
  int offset = 0;
  // The request's path and query as sent, still encoded.
  std::string target;
};

struct PageReply {
  int status = 200;
  std::string body;
  std::string content_type = "text/html; charset=ISO-8859-1";
};

// Called on the server's threads, possibly several at once.
using PageHandler = std::function<PageReply(const PageRequest& request)>;

struct PageServerOptions {
  std::string bind = "127.0.0.1";
  int port = 0;        // 0 = any free port
  int latency_ms = 0;  // delay before every reply
  // Names the server in its errors and in the body of a reply to an unknown path.
  std::string name = "Quillmark demo service";
};

class PageServer {
 public:
  PageServer(PageServerOptions options, PageHandler handler);
  ~PageServer();
  PageServer(const PageServer&) = delete;
  PageServer& operator=(const PageServer&) = delete;

  // Binds and starts serving; returns once the socket is listening. Throws std::invalid_argument
  // for a port or latency out of range, std::runtime_error when the address cannot be bound,
  // std::logic_error when already started. A stopped server may be started again.
  void Start();
  // The port being listened on (the chosen one when the options asked for 0); 0 when stopped.
  int Port() const;
  // Stops serving, waking replies held back by the latency; idempotent. Replies in progress are
  // waited for.
  void Stop();

 private:
  struct Impl;
  PageServerOptions options_;
  PageHandler handler_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmark::demo
