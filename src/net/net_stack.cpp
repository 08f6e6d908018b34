#include "net/net_stack.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <deque>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "base/ascii.h"
#include "net/net_errors.h"
#include "net/number_text.h"

namespace quillmark::net {

namespace {

struct ErrorEntry {
  int code;
  const char* text;
};

constexpr ErrorEntry kErrorTexts[] = {
    {10004, "Interrupted system call."},
    {10009, "Bad file number."},
    {10013, "Access denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Operation would block. "},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on non-socket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported on socket."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Net dropped connection or reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send or receive after socket is closed."},
    {10059, "Too many references, cannot splice."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10062, "Too many levels of symbolic links."},
    {10063, "File name too long."},
    {10064, "Host is down."},
    {10065, "No route to host."},
    {10066, "Directory not empty"},
};

}  // namespace

int WinsockCode(int e) {
  switch (e) {
    case EINTR:
      return 10004;
    case EBADF:
      return 10009;
    case EACCES:
    case EPERM:
      return 10013;
    case EFAULT:
      return 10014;
    case EINVAL:
      return 10022;
    case EMFILE:
    case ENFILE:
      return 10024;
    case EWOULDBLOCK:
      return 10035;
    case EINPROGRESS:
      return 10036;
    case EALREADY:
      return 10037;
    case ENOTSOCK:
      return 10038;
    case EDESTADDRREQ:
      return 10039;
    case EMSGSIZE:
      return 10040;
    case EPROTOTYPE:
      return 10041;
    case ENOPROTOOPT:
      return 10042;
    case EPROTONOSUPPORT:
      return 10043;
    case ESOCKTNOSUPPORT:
      return 10044;
    case EOPNOTSUPP:
      return 10045;
    case EPFNOSUPPORT:
      return 10046;
    case EAFNOSUPPORT:
      return 10047;
    case EADDRINUSE:
      return 10048;
    case EADDRNOTAVAIL:
      return 10049;
    case ENETDOWN:
      return 10050;
    case ENETUNREACH:
      return 10051;
    case ENETRESET:
      return 10052;
    case ECONNABORTED:
      return 10053;
    case ECONNRESET:
      return 10054;
    case ENOBUFS:
    case ENOMEM:
      return 10055;
    case EISCONN:
      return 10056;
    case ENOTCONN:
      return 10057;
    case EPIPE:
    case ESHUTDOWN:
      return 10058;
    case ETOOMANYREFS:
      return 10059;
    case ETIMEDOUT:
      return 10060;
    case ECONNREFUSED:
      return 10061;
    case ELOOP:
      return 10062;
    case ENAMETOOLONG:
      return 10063;
    case EHOSTDOWN:
      return 10064;
    case EHOSTUNREACH:
      return 10065;
    case ENOTEMPTY:
      return 10066;
    default:
      return 10000 + e;  // outside the table: the message carries the number alone
  }
}

TNetStack::TNetStack() = default;
TNetStack::~TNetStack() = default;

namespace {

// What one name lookup found: its getaddrinfo result code, the errno of an EAI_SYSTEM failure
// (read on the thread that failed, where it belongs) and the first IPv4 address.
struct NameLookup {
  int rc = EAI_FAIL;
  int system_errno = 0;
  std::array<std::uint8_t, 4> address{};
};

NameLookup ResolveName(const std::string& host) {
  NameLookup result;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  errno = 0;
  result.rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result.rc == EAI_SYSTEM) result.system_errno = errno;
  if (result.rc == 0 && found == nullptr) result.rc = EAI_NONAME;
  if (result.rc != 0) return result;
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> guard(found, &freeaddrinfo);
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const auto* b = reinterpret_cast<const std::uint8_t*>(&in->sin_addr.s_addr);
  result.address = {b[0], b[1], b[2], b[3]};
  return result;
}

int LookupErrorCode(const NameLookup& found) {
  switch (found.rc) {
    case EAI_AGAIN:
      return kTryAgain;
    case EAI_FAIL:
      return kNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return kNoData;
#endif
    case EAI_SYSTEM:
      return WinsockCode(found.system_errno);
    default:
      return kHostNotFound;
  }
}

// getaddrinfo cannot be interrupted, so lookups run on one helper thread of their own while the
// fetch waits only until its deadline or its cancel test. The helper is started on first use and
// kept for the next lookup; lookups queue for it one at a time, so a lookup that hangs holds that
// one thread and nothing more. A lookup whose fetch has given up is dropped unasked, or, when it
// is already running, its late answer is dropped.
class NameResolver : public std::enable_shared_from_this<NameResolver> {
 public:
  static NameResolver& Instance() {
    // The helper thread holds its own reference, so it may outlive this one at exit.
    static const std::shared_ptr<NameResolver> instance = std::make_shared<NameResolver>();
    return *instance;
  }

  NameLookup Resolve(const std::string& host, const TNetDeadline& deadline) {
    auto job = std::make_shared<Job>();
    job->host = host;
    std::unique_lock lock(mutex_);
    queue_.push_back(job);
    if (!helper_started_) {
      std::thread([self = shared_from_this()] { self->Serve(); }).detach();
      helper_started_ = true;
    }
    work_ready_.notify_one();
    for (;;) {
      if (job->done) return job->result;
      if (deadline.Cancelled() || deadline.Expired()) {
        job->abandoned = true;
        queue_.erase(std::remove(queue_.begin(), queue_.end(), job), queue_.end());
        if (deadline.Cancelled()) throw ENetCancelled();
        throw ENetTimedOut();
      }
      const TNetDeadline::Clock::time_point until = deadline.NextCheck(deadline.At());
      if (until == TNetDeadline::Clock::time_point::max()) {
        job_done_.wait(lock);
      } else {
        job_done_.wait_until(lock, until);
      }
    }
  }

 private:
  struct Job {
    std::string host;
    bool done = false;
    bool abandoned = false;
    NameLookup result;
  };

  void Serve() {
    // Signals such as Ctrl-C belong to the threads that act on them.
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    std::unique_lock lock(mutex_);
    for (;;) {
      work_ready_.wait(lock, [this] { return !queue_.empty(); });
      const std::shared_ptr<Job> job = queue_.front();
      queue_.pop_front();
      if (job->abandoned) continue;
      lock.unlock();
      NameLookup result = ResolveName(job->host);
      lock.lock();
      job->result = result;
      job->done = true;
      job_done_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable work_ready_;
  std::condition_variable job_done_;
  std::deque<std::shared_ptr<Job>> queue_;
  bool helper_started_ = false;
};

}  // namespace

std::string TNetStack::LookupAddress(const std::string& host) const {
  return LookupAddress(host, TNetDeadline());
}

std::string TNetStack::LookupAddress(const std::string& host, const TNetDeadline& deadline) const {
  if (ascii::EqualNoCase(host, "LOCALHOST")) return "127.0.0.1";
  if (IsDottedQuad(host)) return host;
  if (deadline.Cancelled()) throw ENetCancelled();
  if (deadline.Expired()) throw ENetTimedOut();
  const NameLookup found = NameResolver::Instance().Resolve(host, deadline);
  if (found.rc != 0) throw ENetSocketError(LookupErrorCode(found));
  return AddressToText(found.address);
}

bool TNetStack::IsDottedQuad(std::string_view text) {
  auto part_ok = [](std::string_view part) {
    long long v = 0;
    return ReadDecimal(part, v) && v >= 0 && v <= 255;
  };
  for (int i = 0; i < 3; ++i) {
    const std::size_t dot = text.find('.');
    const std::string_view part = text.substr(0, dot);
    text = dot == std::string_view::npos ? std::string_view{} : text.substr(dot + 1);
    if (!part_ok(part)) return false;
  }
  return part_ok(text);
}

std::string TNetStack::AddressToText(const std::array<std::uint8_t, 4>& a) {
  return std::to_string(a[0]) + "." + std::to_string(a[1]) + "." + std::to_string(a[2]) + "." +
         std::to_string(a[3]);
}

std::array<std::uint8_t, 4> TNetStack::TextToAddress(const std::string& text) {
  std::array<std::uint8_t, 4> out{};
  std::string_view rest = text;
  for (int i = 0; i < 4; ++i) {
    const std::size_t dot = rest.find('.');
    const std::string_view part = i < 3 ? rest.substr(0, dot) : rest;
    rest = dot == std::string_view::npos ? std::string_view{} : rest.substr(dot + 1);
    const auto v = ToDecimal<long long>(part);
    out[i] =
        static_cast<std::uint8_t>(v);  // the byte of the number, as the address record takes it
  }
  return out;
}

bool TNetStack::CheckSocketResult(long result, std::initializer_list<int> tolerated) {
  if (result != -1) return false;
  const int code = WinsockCode(errno);
  for (int t : tolerated) {
    if (t == code) return true;
  }
  throw ENetSocketError(code);
}

std::string TNetStack::SocketErrorText(int code) {
  for (const auto& e : kErrorTexts) {
    if (e.code == code) return e.text;
  }
  return {};
}

}  // namespace quillmark::net
