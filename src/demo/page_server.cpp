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

#include "base/ascii.h"
#include "demo/demo_limits.h"

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

// A request as read from its head. `status` is not 0 when the head cannot be answered as a page
// request; the reply is then that status.
struct Request {
  int status = 0;
  bool head_only = false;  // HEAD: the reply without its body
  std::string target;
  std::vector<std::pair<std::string, std::string>> headers;  // names lower-cased, values trimmed

  std::vector<std::string_view> Values(std::string_view name) const {
    std::vector<std::string_view> values;
    for (const auto& [key, value] : headers)
      if (key == name) values.emplace_back(value);
    return values;
  }
};

Request Refused(int status) {
  Request request;
  request.status = status;
  return request;
}

// The end of the head in `data` (after its empty line), or 0 while it has not all arrived.
// Lines may end in LF alone.
std::size_t HeadEnd(std::string_view data) {
  for (std::size_t at = data.find('\n'); at != std::string_view::npos;
       at = data.find('\n', at + 1)) {
    if (at + 1 < data.size() && data[at + 1] == '\n') return at + 2;
    if (at + 2 < data.size() && data[at + 1] == '\r' && data[at + 2] == '\n') return at + 3;
  }
  return 0;
}

// RFC 9112 section 3: method SP request-target SP HTTP-version, then field lines up to an
// empty line. Only the origin form of a target ("/path?query") is a page request; its bytes are
// kept as sent, so that a "?" inside a query value stays data for the handler's reader.
Request ParseHead(std::string_view head) {
  Request request;
  std::vector<std::string_view> lines;
  while (!head.empty()) {
    const std::size_t end = head.find('\n');
    std::string_view line = head.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 1);
  }
  // Leading empty lines before a request line are allowed (RFC 9112 section 2.2).
  std::size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  if (first == lines.size()) return Refused(400);
  const std::string_view line = lines[first];
  const std::size_t space = line.find(' ');
  const std::size_t last_space = line.rfind(' ');
  if (space == std::string_view::npos || last_space == space) return Refused(400);
  const std::string_view method = line.substr(0, space);
  const std::string_view target = line.substr(space + 1, last_space - space - 1);
  const std::string_view version = line.substr(last_space + 1);
  if (version.rfind("HTTP/1.", 0) != 0 || target.empty() || target.front() != '/')
    return Refused(400);
  for (const char c : target)
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return Refused(400);
  request.target = std::string(target);
  for (std::size_t i = first + 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    const std::size_t colon = lines[i].find(':');
    // A folded line (RFC 9112 section 5.2) or a line without a name: not ours to read.
    if (colon == std::string_view::npos || colon == 0 || ascii::IsSpaceOrControl(lines[i][0]))
      continue;
    request.headers.emplace_back(ascii::ToLower(lines[i].substr(0, colon)),
                                 std::string(ascii::Trim(lines[i].substr(colon + 1))));
  }
  if (method == "HEAD") {
    request.head_only = true;
  } else if (method != "GET") {
    request.status = 405;
  }
  return request;
}

// The length of a body that follows the head: what Content-Length says, nullopt when the
// request cannot be read (a chunked body, a length that is no number or too large for us).
std::optional<std::size_t> BodyLength(const Request& request) {
  if (!request.Values("transfer-encoding").empty()) return std::nullopt;
  const auto lengths = request.Values("content-length");
  if (lengths.empty()) return 0;
  if (lengths.size() > 1 || lengths[0].empty() || lengths[0].size() > 9) return std::nullopt;
  std::size_t length = 0;
  for (const char c : lengths[0]) {
    if (c < '0' || c > '9') return std::nullopt;
    length = length * 10 + static_cast<std::size_t>(c - '0');
  }
  if (length > kMaxRequestBody) return std::nullopt;
  return length;
}

// Whether a program on this machine asked, rather than a page in a browser or a name that was
// made to resolve here (see PageServerOptions::this_machine_only).
bool FromThisMachine(const Request& request, int port) {
  const auto hosts = request.Values("host");
  if (hosts.size() != 1) return false;
  const std::string host = ascii::ToLower(hosts[0]);
  const std::string with_port = ":" + std::to_string(port);
  bool known = false;
  for (const std::string_view name : {"127.0.0.1", "localhost"})
    known = known || host == name || host == std::string(name) + with_port;
  if (!known || !request.Values("origin").empty()) return false;
  for (const std::string_view site : request.Values("sec-fetch-site"))
    if (ascii::ToLower(site) != "none") return false;
  return true;
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
  Request request;
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
      Hand(std::move(in.fd), Refused(431));
      return true;
    }
    if (head_end > kMaxHeadBytes) {
      Hand(std::move(in.fd), Refused(431));
      return true;
    }
    Request request = ParseHead(std::string_view(in.data).substr(0, head_end));
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

  void Hand(Fd fd, Request request) {
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

  PageReply Reply(const Request& request) {
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
