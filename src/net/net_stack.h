#pragma once
// The shared socket layer: name resolution, address texts and the socket error texts. It exists
// while at least one network component is alive (see TNetComponent). On POSIX there is no socket
// library to load, so bringing it up never fails.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "net/deadline.h"

namespace quillmark::net {

// What the socket library told us when it came up.
struct TNetStackVersion {
  std::uint16_t Version = 0x0101;
  std::uint16_t HighVersion = 0x0101;
  std::string Description = "POSIX sockets";
  std::string SystemStatus = "Running";
  std::uint16_t MaxSockets = 0;
  std::uint16_t MaxUdpDg = 0;
  std::string Name = "Winsock stack";
};

// Codes of failed name lookups, in the Windows Sockets numbering (outside the message table).
inline constexpr int kHostNotFound = 11001;
inline constexpr int kTryAgain = 11002;
inline constexpr int kNoRecovery = 11003;
inline constexpr int kNoData = 11004;

class TNetStack {
 public:
  TNetStack();
  ~TNetStack();
  TNetStack(const TNetStack&) = delete;
  TNetStack& operator=(const TNetStack&) = delete;

  const TNetStackVersion& Version() const { return version_; }

  // Host text to dotted address text: "localhost" in any case and dotted quads need no lookup.
  std::string LookupAddress(const std::string& host) const;
  // The same, but a name lookup that has not answered by the deadline raises ENetTimedOut.
  std::string LookupAddress(const std::string& host, const TNetDeadline& deadline) const;
  static bool IsDottedQuad(std::string_view text);
  static std::string AddressToText(const std::array<std::uint8_t, 4>& address);
  // Raises EConvertError for a part that is not a number.
  static std::array<std::uint8_t, 4> TextToAddress(const std::string& text);

  // True when `result` is a failure whose code is tolerated, false when it is no failure; any
  // other failure raises ENetSocketError. The code is taken from errno.
  static bool CheckSocketResult(long result, std::initializer_list<int> tolerated = {});
  static std::string SocketErrorText(int code);

 private:
  TNetStackVersion version_;
};

// errno of a failed socket call, in the Windows Sockets numbering.
int WinsockCode(int posix_errno);

}  // namespace quillmark::net
