#pragma once
// An HTTP server on a background thread that answers GET requests with pages from a handler: the
// stand-in service's generated pages, or the bridge's pages fetched from a source. The handler
// gets each request's target as sent, still encoded, and reads it the way the research code
// wrote it (a "?" or "/" inside a query value is data). Every reply carries Content-Length and
// closes its connection.
//
// It holds up under clients that send slowly or not at all: one thread reads the request heads
// of all connections, each within a deadline, and hands only complete requests to the workers;
// connections are bounded in number; Stop closes every connection that is open.

#include <functional>
#include <memory>
#include <string>

namespace quillmark::demo {

struct PageReply {
  int status = 200;
  // A reply of status 400 or more without a body gets a short page naming the server.
  std::string body;
  std::string content_type = "text/html; charset=ISO-8859-1";
};

// Called with a request's path and query as sent, on the server's worker threads, several at
// once.
using PageHandler = std::function<PageReply(const std::string& target)>;

struct PageServerOptions {
  std::string bind = "127.0.0.1";
  int port = 0;        // 0 = any free port
  int latency_ms = 0;  // delay before every reply of the handler
  // Names the server in its errors and in the body of an error reply.
  std::string name = "Quillmark demo service";
  // Answers only programs on this machine, 403 to anything else: the Host must be 127.0.0.1 or
  // localhost (with the server's port or none), and the request must carry no header by which a
  // browser marks a request that another site's page made (Origin, Sec-Fetch-Site other than
  // "none"). A web page, or a name that resolves to this machine, cannot use the server.
  bool this_machine_only = false;
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
  // Stops taking requests and returns at once: connections whose request has not arrived are
  // closed, requests waiting for a worker are answered 503 ("stopping") without the handler,
  // replies held back by the latency are woken. Requests being answered go on. Idempotent.
  void StopTaking();
  // StopTaking, then waits for the requests being answered (a reply the client does not take is
  // given up after a moment); idempotent.
  void Stop();

 private:
  struct Impl;
  PageServerOptions options_;
  PageHandler handler_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quillmark::demo
