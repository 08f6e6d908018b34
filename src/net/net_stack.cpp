#include "net/net_stack.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "net/ascii_text.h"
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

int LookupErrorCode(int gai_result) {
  switch (gai_result) {
    case EAI_AGAIN:
      return kTryAgain;
    case EAI_FAIL:
      return kNoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
      return kNoData;
#endif
    case EAI_SYSTEM:
      return WinsockCode(errno);
    default:
      return kHostNotFound;
  }
}

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

// What one name lookup found: its getaddrinfo result code and the first IPv4 address.
struct NameLookup {
  int rc = EAI_FAIL;
  std::array<std::uint8_t, 4> address{};
};

NameLookup ResolveName(const std::string& host) {
  NameLookup result;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  result.rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (result.rc == 0 && found == nullptr) result.rc = EAI_NONAME;
  if (result.rc != 0) return result;
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> guard(found, &freeaddrinfo);
  const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
  const auto* b = reinterpret_cast<const std::uint8_t*>(&in->sin_addr.s_addr);
  result.address = {b[0], b[1], b[2], b[3]};
  return result;
}

// A lookup left behind at the deadline finishes on its own thread and drops this then.
struct PendingLookup {
  std::mutex mutex;
  std::condition_variable done_signal;
  bool done = false;
  NameLookup result;
};

}  // namespace

std::string TNetStack::LookupAddress(const std::string& host) const {
  return LookupAddress(host, TNetDeadline());
}

std::string TNetStack::LookupAddress(const std::string& host, const TNetDeadline& deadline) const {
  if (SameTextNoCase(host, "LOCALHOST")) return "127.0.0.1";
  if (IsDottedQuad(host)) return host;

  NameLookup found;
  if (!deadline.IsSet()) {
    found = ResolveName(host);
  } else {
    if (deadline.Expired()) throw ENetTimedOut();
    // getaddrinfo cannot be interrupted, so it runs on a thread of its own and the fetch waits
    // for it only until the deadline; a late answer is dropped by that thread.
    auto pending = std::make_shared<PendingLookup>();
    std::thread([pending, host] {
      NameLookup result = ResolveName(host);
      std::lock_guard lock(pending->mutex);
      pending->result = result;
      pending->done = true;
      pending->done_signal.notify_all();
    }).detach();
    std::unique_lock lock(pending->mutex);
    if (!pending->done_signal.wait_until(lock, deadline.At(), [&] { return pending->done; }))
      throw ENetTimedOut();
    found = pending->result;
  }
  if (found.rc != 0) throw ENetSocketError(LookupErrorCode(found.rc));
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
