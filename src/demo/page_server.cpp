#include "demo/page_server.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "demo/demo_limits.h"
#include "demo/request_head.h"

namespace quillmark::demo {
namespace {

using Clock = std::chrono::steady_clock;

// A request head (request line and header lines) must arrive within this time and size; a
// client that sends it a byte at a time holds no worker meanwhile.
constexpr auto kHeadDeadline = std::chrono::seconds(5);
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
// Connections open at once: heads being read, requests waiting for a worker or being answered.
// Beyond it new connections wait in the listen queue.
constexpr std::size_t kMaxConnections = 64;
// Requests answered at once.
constexpr std::size_t kWorkers = 8;
// A reply the client does not take in this time is given up; after Stop, in this one.
constexpr auto kWriteDeadline = std::chrono::seconds(10);
constexpr auto kStopGrace = std::chrono::milliseconds(500);
// How often a wait looks whether the server stops.
constexpr auto kPollSlice = std::chrono::milliseconds(50);

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  int get() const { return fd_; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

int Millis(Clock::duration duration) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(duration).count();
  return static_cast<int>(std::clamp<long long>(ms, 0, 60'000));
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 400:
      return "Bad Request";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 411:
      return "Length Required";
    case 413:
      return "Payload Too Large";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 502:
      return "Bad Gateway";
    case 503:
      return "Service Unavailable";
    default:
      return status < 400 ? "OK" : "Error";
  }
}

std::string ErrorPage(int status, const std::string& name, const char* what) {
  return "<html><body><h1>" + std::to_string(status) + "</h1><p>" + name + ": " + what +
         "</p></body></html>\n";
}

std::string ErrorText(int status) {
  switch (status) {
    case 403:
      return "only programs on this machine may ask here, not web pages.";
    case 405:
      return "only GET is answered here.";
    case 411:
    case 413:
      return "a request body is not read here.";
    case 431:
      return "the request is too large.";
    case 404:
      return "nothing here.";
    default:
      return "the request cannot be read.";
  }
}

// A connection whose request head is still arriving.
struct Incoming {
  Fd fd;
  std::string data;
  Clock::time_point deadline;
};

// A connection whose request has arrived, waiting for a worker.
struct Arrived {
  Fd fd;
  RequestHead request;
};

}  // namespace

struct PageServer::Impl {
  PageServerOptions options;
  PageHandler handler;
  Fd listener;
  Fd wake_read;
  Fd wake_write;
  int port = 0;
  std::thread reader;
  std::vector<std::thread> workers;

  std::mutex mutex;
  std::condition_variable changed;  // an arrival, a worker done, the stop
  std::deque<Arrived> arrived;
  std::size_t answering = 0;  // connections the workers hold
  bool stopping = false;
  Clock::time_point stop_deadline;

  // Holds a reply back for the configured latency, or until the server stops.
  void Delay() {
    if (options.latency_ms <= 0) return;
    std::unique_lock lock(mutex);
    changed.wait_for(lock, std::chrono::milliseconds(options.latency_ms),
                     [this] { return stopping; });
  }

  void Wake() {
    const char byte = 1;
    const ssize_t ignored = ::write(wake_write.get(), &byte, 1);
    static_cast<void>(ignored);
  }

  // Reads request heads until Stop: every connection within its deadline, none holding a
  // worker before its request is whole.
  void ReadHeads() {
    std::vector<Incoming> incoming;
    std::vector<pollfd> polled;
    for (;;) {
      std::size_t held = 0;
      {
        std::lock_guard lock(mutex);
        if (stopping) break;
        held = arrived.size() + answering;
      }
      const Clock::time_point now = Clock::now();
      // Connections past their deadline are closed unanswered.
      std::erase_if(incoming, [now](const Incoming& in) { return in.deadline <= now; });
      Clock::time_point next = now + std::chrono::seconds(60);
      for (const Incoming& in : incoming) next = std::min(next, in.deadline);

      polled.clear();
      polled.push_back({wake_read.get(), POLLIN, 0});
      const bool accepting = incoming.size() + held < kMaxConnections;
      polled.push_back({accepting ? listener.get() : -1, POLLIN, 0});
      for (const Incoming& in : incoming) polled.push_back({in.fd.get(), POLLIN, 0});
      // A worker that frees a place wakes this wait, as Stop does.
      if (::poll(polled.data(), polled.size(), Millis(next - now)) < 0 && errno != EINTR) break;

      if (polled[0].revents != 0) {
        char bytes[64];
        while (::read(wake_read.get(), bytes, sizeof bytes) > 0) {
        }
      }
      std::vector<Incoming> still;
      for (std::size_t i = 0; i < incoming.size(); ++i) {
        if (polled[i + 2].revents == 0 || !Receive(incoming[i]))
          still.push_back(std::move(incoming[i]));
      }
      incoming = std::move(still);
      if (polled[1].revents != 0) Accept(incoming, held);
    }
  }

  void Accept(std::vector<Incoming>& incoming, std::size_t held) {
    while (incoming.size() + held < kMaxConnections) {
      const int fd = ::accept4(listener.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      incoming.push_back({Fd(fd), {}, Clock::now() + kHeadDeadline});
    }
  }

  // Reads what arrived on a connection; true once it is done with here (handed on or closed).
  bool Receive(Incoming& in) {
    char buffer[4096];
    // A client may end its side once its request is sent: what came before the end counts.
    bool ended = false;
    for (;;) {
      const ssize_t n = ::recv(in.fd.get(), buffer, sizeof buffer, 0);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
      if (n <= 0) {
        ended = true;
        break;
      }
      in.data.append(buffer, static_cast<std::size_t>(n));
      if (in.data.size() > kMaxHeadBytes + kMaxRequestBody) break;
    }
    const std::size_t head_end = HeadEnd(in.data);
    if (head_end == 0) {
      if (ended) return true;  // closed before its request was whole
      if (in.data.size() <= kMaxHeadBytes) return false;
      Hand(std::move(in.fd), RefusedHead(431));
      return true;
    }
    if (head_end > kMaxHeadBytes) {
      Hand(std::move(in.fd), RefusedHead(431));
      return true;
    }
    RequestHead request = ParseHead(std::string_view(in.data).substr(0, head_end));
    const std::optional<std::size_t> body = BodyLength(request);
    if (!body) {
      request.status = request.Values("transfer-encoding").empty() ? 413 : 411;
    } else if (in.data.size() < head_end + *body) {
      // The body is read, and dropped, before the reply: an unread one would make the close
      // reset the connection under the reply.
      return ended;
    }
    Hand(std::move(in.fd), std::move(request));
    return true;
  }

  void Hand(Fd fd, RequestHead request) {
    {
      std::lock_guard lock(mutex);
      arrived.push_back({std::move(fd), std::move(request)});
    }
    changed.notify_all();
  }

  // The reply to a request that arrived once the server stops taking requests.
  PageReply Stopping() const {
    return {503, options.name + ": stopping\n", "text/plain; charset=ISO-8859-1"};
  }

  // Answers arrived requests until the server stops; one that arrives after is refused.
  void Answer() {
    for (;;) {
      Arrived next;
      bool refused = false;
      {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return stopping || !arrived.empty(); });
        if (arrived.empty()) return;
        next = std::move(arrived.front());
        arrived.pop_front();
        ++answering;
        refused = stopping;
      }
      Send(next.fd.get(), refused ? Stopping() : Reply(next.request), next.request.head_only);
      next.fd.Reset();
      {
        std::lock_guard lock(mutex);
        --answering;
      }
      Wake();
    }
  }

  PageReply Reply(const RequestHead& request) {
    int status = request.status;
    if (status == 0 && options.this_machine_only && !FromThisMachine(request, port)) status = 403;
    PageReply reply;
    if (status != 0) {
      reply.status = status;
    } else {
      Delay();
      try {
        reply = handler(request.target);
      } catch (const std::exception& e) {
        reply = {500, options.name + ": " + e.what() + "\n", "text/plain; charset=ISO-8859-1"};
      }
    }
    if (reply.status >= 400 && reply.body.empty()) {
      reply.body = ErrorPage(reply.status, options.name, ErrorText(reply.status).c_str());
      reply.content_type = "text/html; charset=ISO-8859-1";
    }
    return reply;
  }

  // Writes the reply within its deadline; a client that does not take it is left.
  void Send(int fd, const PageReply& reply, bool head_only) {
    std::string text =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) +
        "\r\nConnection: close\r\nContent-Length: " + std::to_string(reply.body.size()) +
        "\r\nContent-Type: " + reply.content_type + "\r\n\r\n";
    if (!head_only) text += reply.body;
    std::string_view rest = text;
    const Clock::time_point deadline = Clock::now() + kWriteDeadline;
    while (!rest.empty()) {
      const ssize_t n = ::send(fd, rest.data(), rest.size(), MSG_NOSIGNAL);
      if (n > 0) {
        rest.remove_prefix(static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
      Clock::time_point until = deadline;
      {
        std::lock_guard lock(mutex);
        if (stopping) until = std::min(until, stop_deadline);
      }
      const Clock::time_point now = Clock::now();
      if (now >= until) return;
      pollfd writable{fd, POLLOUT, 0};
      ::poll(&writable, 1, Millis(std::min<Clock::duration>(until - now, kPollSlice)));
    }
    // The client learns the end from the length, and then from the close.
    ::shutdown(fd, SHUT_WR);
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
  const std::runtime_error cannot_listen(options_.name + " cannot listen on " + options_.bind +
                                         ":" + std::to_string(options_.port) +
                                         " (address in use, not local, or not permitted)");

  auto impl = std::make_unique<Impl>();
  impl->options = options_;
  impl->handler = handler_;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  if (::getaddrinfo(options_.bind.c_str(), std::to_string(options_.port).c_str(), &hints, &found) !=
      0)
    throw cannot_listen;
  for (const addrinfo* at = found; at != nullptr && impl->listener.get() < 0; at = at->ai_next) {
    Fd fd(::socket(at->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    // SO_REUSEADDR alone: a quick restart on the same port, but never a second server sharing
    // a busy one (SO_REUSEPORT would split the requests between them).
    int yes = 1;
    if (fd.get() < 0 || ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(fd.get(), at->ai_addr, at->ai_addrlen) != 0 ||
        ::listen(fd.get(), kListenBacklog) != 0)
      continue;
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) continue;
    impl->port =
        ntohs(bound.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&bound)->sin6_port
                                          : reinterpret_cast<const sockaddr_in*>(&bound)->sin_port);
    impl->listener = std::move(fd);
  }
  ::freeaddrinfo(found);
  if (impl->listener.get() < 0) throw cannot_listen;
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::runtime_error(options_.name + " cannot start: out of file descriptors");
  impl->wake_read = Fd(pipe_ends[0]);
  impl->wake_write = Fd(pipe_ends[1]);

  Impl* self = impl.get();
  impl->reader = std::thread([self] { self->ReadHeads(); });
  for (std::size_t i = 0; i < kWorkers; ++i) impl->workers.emplace_back([self] { self->Answer(); });
  impl_ = std::move(impl);
}

int PageServer::Port() const {
  return impl_ ? impl_->port : 0;
}

void PageServer::StopTaking() {
  if (!impl_) return;
  std::deque<Arrived> waiting;
  {
    std::lock_guard lock(impl_->mutex);
    if (impl_->stopping) return;
    impl_->stopping = true;
    impl_->stop_deadline = Clock::now() + kStopGrace;
    waiting.swap(impl_->arrived);
  }
  impl_->changed.notify_all();
  impl_->Wake();
  // Not left to the workers, who may all be held by requests under way.
  for (Arrived& refused : waiting)
    impl_->Send(refused.fd.get(), impl_->Stopping(), refused.request.head_only);
}

void PageServer::Stop() {
  if (!impl_) return;
  StopTaking();
  impl_->reader.join();
  for (std::thread& worker : impl_->workers) worker.join();
  impl_.reset();
}

}  // namespace quillmark::demo
