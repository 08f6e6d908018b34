#include "demo/page_server.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "demo/demo_limits.h"
#include "pages/page_format.h"
#include "pages/request_query.h"

namespace quillmark::demo {

namespace {

constexpr auto kStartPoll = std::chrono::milliseconds(1);
constexpr auto kStartTimeout = std::chrono::seconds(10);

int ParseOffset(std::string_view raw) {
  long long value = 0;
  bool any = false;
  for (char c : raw) {
    if (c < '0' || c > '9') break;
    any = true;
    value = value * 10 + (c - '0');
    if (value > kMaxResultOffset) return kMaxResultOffset;
  }
  // A "b" that is not a number still asks for results; treat it as the first page.
  return any && value > 0 ? static_cast<int>(value) : 1;
}

}  // namespace

struct PageServer::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  socket_t listener = INVALID_SOCKET;
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;

  // Holds a reply back for the configured latency, or until the server stops.
  void Delay(int latency_ms) {
    if (latency_ms <= 0) return;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(latency_ms), [this] { return stopping; });
  }
};

PageServer::PageServer(PageServerOptions options, PageHandler handler)
    : options_(std::move(options)), handler_(std::move(handler)) {}

PageServer::~PageServer() {
  Stop();
}

void PageServer::Start() {
  if (impl_) throw std::logic_error(options_.name + " already started");
  if (options_.port < 0 || options_.port > 65535) {
    throw std::invalid_argument(options_.name +
                                " port out of range 0-65535: " + std::to_string(options_.port));
  }
  if (options_.latency_ms < 0 || options_.latency_ms > kMaxLatencyMs) {
    throw std::invalid_argument(options_.name + " latency out of range 0-" +
                                std::to_string(kMaxLatencyMs) + " ms");
  }

  auto impl = std::make_unique<Impl>();
  Impl* self = impl.get();
  const int latency = options_.latency_ms;
  httplib::Server& server = impl->server;

  // One request per connection: every reply says "Connection: close" and the peer sees the end.
  server.set_keep_alive_max_count(1);
  server.set_payload_max_length(kMaxRequestBody);
  // The library's default SO_REUSEPORT would let a second server share a busy port and split
  // the requests between them; SO_REUSEADDR alone still allows a quick restart on the same port.
  server.set_socket_options([self](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    self->listener = sock;
  });
  server.set_pre_routing_handler([self, latency](const httplib::Request&, httplib::Response&) {
    self->Delay(latency);
    return httplib::Server::HandlerResponse::Unhandled;
  });

  const auto answer = [handler = handler_, name = options_.name](const PageRequest& request,
                                                                 httplib::Response& res) {
    PageReply reply;
    try {
      reply = handler(request);
    } catch (const std::exception& e) {
      reply = {500, name + ": " + e.what() + "\n", "text/plain; charset=ISO-8859-1"};
    }
    res.status = reply.status;
    res.set_content(reply.body, reply.content_type);
  };
  // The raw target is decoded here, not by the library: the two request kinds encode "+"
  // differently (see pages/request_query.h). Routes are regular expressions: the suggestion
  // path is taken with or without its final slash.
  const std::string suggestion_route = std::string(pages::kSuggestionPath) + "?";
  server.Get(suggestion_route, [answer](const httplib::Request& req, httplib::Response& res) {
    auto term = pages::FindQueryValue(req.target, "term");
    answer(
        {PageKind::kSuggestion, pages::DecodeQueryValue(term.value_or(""), false), 0, req.target},
        res);
  });
  server.Get(std::string(pages::kSearchPath),
             [answer](const httplib::Request& req, httplib::Response& res) {
               auto phrase = pages::FindQueryValue(req.target, "p");
               auto offset = pages::FindQueryValue(req.target, "b");
               answer({PageKind::kSearch, pages::DecodeQueryValue(phrase.value_or(""), true),
                       offset ? ParseOffset(*offset) : 0, req.target},
                      res);
             });
  server.Get(std::string(pages::kTopPath),
             [answer](const httplib::Request& req, httplib::Response& res) {
               answer({PageKind::kTop, {}, 0, req.target}, res);
             });
  server.set_error_handler([name = options_.name](const httplib::Request&, httplib::Response& res) {
    // A reply the handler made keeps its own body.
    if (!res.body.empty()) return;
    res.set_content("<html><body><h1>" + std::to_string(res.status) + "</h1><p>" + name +
                        ": nothing here.</p></body></html>\n",
                    "text/html; charset=ISO-8859-1");
  });

  if (options_.port == 0) {
    impl->port = server.bind_to_any_port(options_.bind);
  } else {
    impl->port = server.bind_to_port(options_.bind, options_.port) ? options_.port : -1;
  }
  if (impl->port <= 0) {
    throw std::runtime_error(options_.name + " cannot listen on " + options_.bind + ":" +
                             std::to_string(options_.port) +
                             " (address in use, not local, or not permitted)");
  }
  // The library listens with a queue of 5, too short for a research's fetches arriving together;
  // listening again on the bound socket lengthens it.
  ::listen(impl->listener, kListenBacklog);

  impl->thread = std::thread([&server] { server.listen_after_bind(); });
  // listen_after_bind marks the server running only once its loop starts; a stop() before that
  // would be lost and the join below would hang.
  const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
  while (!server.is_running() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(kStartPoll);
  }
  if (!server.is_running()) {
    server.stop();
    impl->thread.join();
    throw std::runtime_error(options_.name + " did not start");
  }
  impl_ = std::move(impl);
}

int PageServer::Port() const {
  return impl_ ? impl_->port : 0;
}

void PageServer::Stop() {
  if (!impl_) return;
  {
    std::lock_guard lock(impl_->mutex);
    impl_->stopping = true;
  }
  impl_->wake.notify_all();
  impl_->server.stop();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_.reset();
}

}  // namespace quillmark::demo
