#include "demo/demo_service.h"

#include <httplib.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/request_query.h"

namespace quillmark::demo {

namespace {

constexpr auto kStartPoll = std::chrono::milliseconds(1);
constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr const char* kHtml = "text/html; charset=ISO-8859-1";

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

struct DemoService::Impl {
  httplib::Server server;
  std::thread thread;
  int port = 0;
  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;

  // Holds a reply back for the configured latency, or until the service stops.
  void Delay(int latency_ms) {
    if (latency_ms <= 0) return;
    std::unique_lock lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(latency_ms), [this] { return stopping; });
  }
};

DemoService::DemoService(DemoOptions options) : options_(std::move(options)) {}

DemoService::~DemoService() {
  Stop();
}

void DemoService::Start() {
  if (impl_) throw std::logic_error("demo service already started");
  if (options_.port < 0 || options_.port > 65535) {
    throw std::invalid_argument("demo service port out of range 0-65535: " +
                                std::to_string(options_.port));
  }
  if (options_.latency_ms < 0 || options_.latency_ms > kMaxLatencyMs) {
    throw std::invalid_argument("demo service latency out of range 0-" +
                                std::to_string(kMaxLatencyMs) + " ms");
  }

  auto impl = std::make_unique<Impl>();
  Impl* self = impl.get();
  const int latency = options_.latency_ms;
  const int suggestions = options_.suggestions;
  httplib::Server& server = impl->server;

  // One request per connection: every reply says "Connection: close" and the peer sees the end.
  server.set_keep_alive_max_count(1);
  server.set_payload_max_length(kMaxRequestBody);
  // The library's default SO_REUSEPORT would let a second service share a busy port and split
  // the requests between them; SO_REUSEADDR alone still allows a quick restart on the same port.
  server.set_socket_options([](socket_t sock) {
    int yes = 1;
    setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
  server.set_pre_routing_handler([self, latency](const httplib::Request&, httplib::Response&) {
    self->Delay(latency);
    return httplib::Server::HandlerResponse::Unhandled;
  });

  // The raw target is decoded here, not by the library: the two request kinds encode "+"
  // differently (see request_query.h).
  server.Get("/d/searchinventory/suggestion/?", [suggestions](const httplib::Request& req,
                                                              httplib::Response& res) {
    auto term = FindQueryValue(req.target, "term");
    res.set_content(DemoSuggestionPage(DecodeQueryValue(term.value_or(""), false), suggestions),
                    kHtml);
  });
  server.Get("/search", [](const httplib::Request& req, httplib::Response& res) {
    auto phrase = FindQueryValue(req.target, "p");
    auto offset = FindQueryValue(req.target, "b");
    res.set_content(DemoSearchPage(DecodeQueryValue(phrase.value_or(""), true),
                                   offset ? ParseOffset(*offset) : 0),
                    kHtml);
  });
  server.Get("/top", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(DemoTopPage(TodayUtc()), kHtml);
  });
  server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    res.set_content("<html><body><h1>" + std::to_string(res.status) +
                        "</h1><p>Quillmark demo service: nothing here.</p></body></html>\n",
                    kHtml);
  });

  if (options_.port == 0) {
    impl->port = server.bind_to_any_port(options_.bind);
  } else {
    impl->port = server.bind_to_port(options_.bind, options_.port) ? options_.port : -1;
  }
  if (impl->port <= 0) {
    throw std::runtime_error("Quillmark demo service cannot listen on " + options_.bind + ":" +
                             std::to_string(options_.port) +
                             " (address in use, not local, or not permitted)");
  }

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
    throw std::runtime_error("Quillmark demo service did not start");
  }
  impl_ = std::move(impl);
}

int DemoService::Port() const {
  return impl_ ? impl_->port : 0;
}

void DemoService::Stop() {
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
