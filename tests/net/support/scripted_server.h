#pragma once
// A raw-bytes HTTP peer on 127.0.0.1 for tests: it records what clients send and answers each
// connection by a script of byte-level steps (send, drip, sleep, close, reset, hold, ...), or by a
// handler that maps a request target to a whole reply. It runs on its own thread and every wait
// polls a wake-up pipe, so destroying it never hangs a test, whatever the client does.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace quillmark::testing {

// Owns one file descriptor.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

// What one connection does, step by step. By default the connection first reads one request
// (its header block, plus a body when it announces a Content-Length) and records it; call
// NoRequest() for a script that answers without reading. After the last step the connection is
// closed in an orderly way unless a step already closed, reset or held it.
class Script {
 public:
  enum class Kind {
    kReadRequest,
    kSend,
    kDrip,
    kRepeat,
    kSleep,
    kClose,
    kReset,
    kHold,
    kShutWrite
  };
  struct Step {
    Kind kind;
    std::string bytes;
    std::size_t piece = 0;    // drip: bytes per send
    std::uint64_t times = 0;  // repeat: how often `bytes` is sent
    std::chrono::milliseconds pause{0};
  };

  Script& NoRequest() {
    read_first_request_ = false;
    return *this;
  }
  // Reads and records another request on the same connection (keep-alive).
  Script& ReadRequest() { return Add({Kind::kReadRequest, {}}); }
  Script& Send(std::string bytes) { return Add({Kind::kSend, std::move(bytes)}); }
  // Sends `bytes` in pieces of `piece` bytes with `pause` between them.
  Script& Drip(std::string bytes, std::size_t piece, std::chrono::milliseconds pause) {
    return Add({Kind::kDrip, std::move(bytes), std::max<std::size_t>(piece, 1), 0, pause});
  }
  // Sends `bytes` `times` times, stopping early once the client goes away: a stream of any length.
  Script& Repeat(std::string bytes, std::uint64_t times) {
    return Add({Kind::kRepeat, std::move(bytes), 0, times});
  }
  Script& Sleep(std::chrono::milliseconds pause) { return Add({Kind::kSleep, {}, 0, 0, pause}); }
  Script& Close() { return Add({Kind::kClose, {}}); }
  // Aborts the connection: the client sees a reset instead of an orderly close.
  Script& Reset() { return Add({Kind::kReset, {}}); }
  // Keeps the connection open and silent until the server stops.
  Script& Hold() { return Add({Kind::kHold, {}}); }
  Script& ShutWrite() { return Add({Kind::kShutWrite, {}}); }

  bool read_first_request() const { return read_first_request_; }
  const std::vector<Step>& steps() const { return steps_; }

 private:
  Script& Add(Step step) {
    steps_.push_back(std::move(step));
    return *this;
  }
  bool read_first_request_ = true;
  std::vector<Step> steps_;
};

// A whole HTTP/1.1 reply with a Content-Length, e.g. Reply("200 OK", "<html>...").
inline std::string Reply(std::string_view status, std::string_view body,
                         std::string_view extra_headers = {}) {
  std::string out = "HTTP/1.1 ";
  out.append(status).append("\r\nContent-Length: ").append(std::to_string(body.size()));
  out.append("\r\n").append(extra_headers).append("\r\n").append(body);
  return out;
}

// The request target of a recorded request: the second word of its first line.
inline std::string TargetOf(std::string_view request) {
  const auto first = request.find(' ');
  if (first == std::string_view::npos) return {};
  const auto end = request.find_first_of(" \r\n", first + 1);
  return std::string(request.substr(
      first + 1, end == std::string_view::npos ? std::string_view::npos : end - first - 1));
}

class ScriptedServer {
 public:
  // Maps a request target ("/path?query") to the raw reply bytes.
  using Handler = std::function<std::string(const std::string& target)>;

  // Connection i runs scripts[i]; connections past the end run the last script again.
  explicit ScriptedServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
    if (scripts_.empty()) scripts_.emplace_back();
    Start();
  }
  explicit ScriptedServer(Script script) : ScriptedServer(std::vector<Script>{std::move(script)}) {}
  // Answers every request by `handler` and closes the connection after each reply, so a client
  // reading until close finishes too.
  explicit ScriptedServer(Handler handler) : handler_(std::move(handler)) { Start(); }

  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  ~ScriptedServer() { Stop(); }

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + target.
  std::string Url(std::string_view target = "/") const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
  }
  // The raw bytes of every request received so far, in arrival order.
  std::vector<std::string> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int Connections() const { return connections_.load(); }
  // How many connections clients had made before this call. Connections() may miss one still
  // waiting in the listen queue for the server thread; this connects a probe of its own and
  // waits, up to `bound`, until the server has taken it. The queue hands connections out in the
  // order they were made, so by then every earlier one has been taken. The probe is not counted
  // here (Connections() counts it). Throws when the probe is not taken in time, e.g. because a
  // held connection keeps the server busy.
  int ConnectionsMadeSoFar(std::chrono::milliseconds bound = std::chrono::seconds(10)) const {
    UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!probe) Fail("socket");
    sockaddr_in address = Loopback(port_);
    if (::connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      Fail("connect");
    }
    socklen_t length = sizeof address;
    if (::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      Fail("getsockname");
    }
    const int probe_port = ntohs(address.sin_port);
    std::unique_lock lock(mutex_);
    const auto probe_at = [&] {
      return std::find(client_ports_.rbegin(), client_ports_.rend(), probe_port);
    };
    if (!taken_.wait_for(lock, bound, [&] { return probe_at() != client_ports_.rend(); })) {
      throw std::runtime_error("the server did not take a probe connection in time");
    }
    return static_cast<int>(client_ports_.rend() - probe_at()) - 1;
  }

  // Stops serving; connections that are held or mid-script are closed. Idempotent.
  void Stop() {
    if (!thread_.joinable()) return;
    stopping_.store(true);
    const char byte = 1;
    [[maybe_unused]] auto written = ::write(wake_write_.get(), &byte, 1);
    ::shutdown(listener_.get(), SHUT_RDWR);
    thread_.join();
  }

 private:
  static constexpr std::size_t kReceiveBlock = 65536;
  static constexpr std::size_t kMaxRecordedRequest = 16 * 1024 * 1024;

  void Start() {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC | O_NONBLOCK) != 0) Fail("pipe2");
    wake_read_.Reset(pipe_fds[0]);
    wake_write_.Reset(pipe_fds[1]);

    listener_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_) Fail("socket");
    sockaddr_in address = Loopback(0);
    if (::bind(listener_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      Fail("bind");
    }
    if (::listen(listener_.get(), 64) != 0) Fail("listen");
    socklen_t length = sizeof address;
    ::getsockname(listener_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  static sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
  }

  [[noreturn]] static void Fail(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
  }

  // Waits until `fd` is ready for `events`; false on timeout or when the server is stopping.
  bool WaitFor(int fd, short events, int timeout_ms = -1) const {
    for (;;) {
      if (stopping_.load()) return false;
      pollfd fds[2] = {{fd, events, 0}, {wake_read_.get(), POLLIN, 0}};
      const int ready = ::poll(fds, 2, timeout_ms);
      if (ready < 0 && errno == EINTR) continue;
      return ready > 0 && fds[1].revents == 0;
    }
  }

  // Sleeps, waking early when the server stops; false when stopping.
  bool Pause(std::chrono::milliseconds pause) const {
    const auto deadline = std::chrono::steady_clock::now() + pause;
    for (;;) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return !stopping_.load();
      pollfd wake{wake_read_.get(), POLLIN, 0};
      const int ready = ::poll(&wake, 1, static_cast<int>(left.count()));
      if (ready > 0 || stopping_.load()) return false;
    }
  }

  void Serve() {
    for (std::size_t index = 0;; ++index) {
      if (!WaitFor(listener_.get(), POLLIN)) return;
      sockaddr_in client{};
      socklen_t length = sizeof client;
      UniqueFd connection(::accept4(listener_.get(), reinterpret_cast<sockaddr*>(&client), &length,
                                    SOCK_CLOEXEC | SOCK_NONBLOCK));
      if (!connection) {
        if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED) continue;
        return;
      }
      {
        std::lock_guard lock(mutex_);
        client_ports_.push_back(ntohs(client.sin_port));
        connections_.fetch_add(1);
      }
      taken_.notify_all();
      if (handler_) {
        ServeByHandler(std::move(connection));
      } else {
        RunScript(scripts_[std::min(index, scripts_.size() - 1)], std::move(connection));
      }
    }
  }

  // Sends all of `bytes`; false when the client is gone or the server stops.
  bool SendAll(int fd, std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent > 0) {
        bytes.remove_prefix(static_cast<std::size_t>(sent));
      } else if (sent < 0 && (errno == EAGAIN || errno == EINTR)) {
        if (!WaitFor(fd, POLLOUT)) return false;
      } else {
        return false;
      }
    }
    return true;
  }

  // Reads one request (header block, then a counted body if announced) into `pending`'s front;
  // returns it, or an empty text when the client closed or the server stops first. Bytes past
  // the request stay in `pending`.
  std::string ReadRequestFrom(int fd, std::string& pending) const {
    for (;;) {
      std::size_t head_end = pending.find("\r\n\r\n");
      std::size_t terminator = 4;
      const std::size_t bare = pending.find("\n\n");
      if (bare != std::string::npos && (head_end == std::string::npos || bare < head_end)) {
        head_end = bare;
        terminator = 2;
      }
      if (head_end != std::string::npos) {
        const std::size_t total = head_end + terminator + BodyLength(pending.substr(0, head_end));
        if (pending.size() >= total) {
          std::string request = pending.substr(0, total);
          pending.erase(0, total);
          return request;
        }
      }
      if (pending.size() > kMaxRecordedRequest || !ReceiveMore(fd, pending)) {
        // Whatever arrived before the close still counts as (part of) a request.
        return std::exchange(pending, {});
      }
    }
  }

  bool ReceiveMore(int fd, std::string& pending) const {
    char block[kReceiveBlock];
    for (;;) {
      const ssize_t got = ::recv(fd, block, sizeof block, 0);
      if (got > 0) {
        pending.append(block, static_cast<std::size_t>(got));
        return true;
      }
      if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
        if (!WaitFor(fd, POLLIN)) return false;
        continue;
      }
      return false;
    }
  }

  static std::size_t BodyLength(std::string_view head) {
    std::string lower(head);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto at = lower.find("\ncontent-length:");
    if (at == std::string::npos) return 0;
    std::size_t length = 0;
    for (std::size_t i = at + 16; i < lower.size(); ++i) {
      const char c = lower[i];
      if (c == ' ' || c == '\t') continue;
      if (c < '0' || c > '9') break;
      length = std::min<std::size_t>(length * 10 + static_cast<std::size_t>(c - '0'),
                                     kMaxRecordedRequest);
    }
    return length;
  }

  void Record(std::string request) {
    if (request.empty()) return;
    std::lock_guard lock(mutex_);
    requests_.push_back(std::move(request));
  }

  void RunScript(const Script& script, UniqueFd connection) {
    const int fd = connection.get();
    std::string pending;
    if (script.read_first_request()) Record(ReadRequestFrom(fd, pending));
    for (const Script::Step& step : script.steps()) {
      switch (step.kind) {
        case Script::Kind::kReadRequest:
          Record(ReadRequestFrom(fd, pending));
          break;
        case Script::Kind::kSend:
          if (!SendAll(fd, step.bytes)) return;
          break;
        case Script::Kind::kDrip:
          for (std::size_t at = 0; at < step.bytes.size(); at += step.piece) {
            if (at > 0 && !Pause(step.pause)) return;
            if (!SendAll(fd, std::string_view(step.bytes).substr(at, step.piece))) return;
          }
          break;
        case Script::Kind::kRepeat:
          for (std::uint64_t i = 0; i < step.times; ++i) {
            if (!SendAll(fd, step.bytes)) return;
          }
          break;
        case Script::Kind::kSleep:
          if (!Pause(step.pause)) return;
          break;
        case Script::Kind::kClose:
          CloseOrderly(std::move(connection));
          return;
        case Script::Kind::kReset: {
          const linger abort{1, 0};
          ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
          return;  // closing with a zero linger sends RST
        }
        case Script::Kind::kHold:
          while (WaitFor(fd, POLLIN)) {
            // Keep draining so the client never blocks on a full buffer; stop when it leaves.
            if (!ReceiveMore(fd, pending)) break;
          }
          return;
        case Script::Kind::kShutWrite:
          ::shutdown(fd, SHUT_WR);
          break;
      }
    }
    CloseOrderly(std::move(connection));
  }

  // Ends our side with a FIN, then waits briefly for the client to close, so unread request
  // bytes on our side never turn the close into a reset the client might see first.
  void CloseOrderly(UniqueFd connection) const {
    const int fd = connection.get();
    ::shutdown(fd, SHUT_WR);
    std::string discard;
    const auto deadline = std::chrono::steady_clock::now() + kLingerOnClose;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (!WaitFor(fd, POLLIN, static_cast<int>(left.count()) + 1)) break;
      discard.clear();
      if (!ReceiveMore(fd, discard)) break;
    }
  }
  static constexpr std::chrono::milliseconds kLingerOnClose{200};

  void ServeByHandler(UniqueFd connection) {
    const int fd = connection.get();
    std::string pending;
    std::string request = ReadRequestFrom(fd, pending);
    if (request.empty()) return;
    const std::string target = TargetOf(request);
    Record(std::move(request));
    std::string reply;
    try {
      reply = handler_(target);
    } catch (const std::exception& e) {
      // A throwing handler must fail the test that wrote it, not terminate the whole program.
      reply = Reply("500 Handler Failed", e.what());
    }
    if (!SendAll(fd, reply)) return;
    CloseOrderly(std::move(connection));
  }

  std::vector<Script> scripts_;
  Handler handler_;
  UniqueFd listener_;
  UniqueFd wake_read_;
  UniqueFd wake_write_;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  mutable std::condition_variable taken_;
  std::vector<std::string> requests_;
  std::vector<int> client_ports_;  // of every connection taken, in order
  std::thread thread_;
};

}  // namespace quillmark::testing
