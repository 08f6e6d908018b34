#pragma once
// Every bound the web-access code places on a peer, in one place. A server is never trusted to
// keep its lines, headers or bodies small, nor to answer at all.

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace quillmark::net {

// Longest reply line (status, header or chunk-size line) we hold while looking for its end.
inline constexpr std::size_t kMaxHeaderLine = 64 * 1024;
// Sum of all reply header line lengths of one reply.
inline constexpr std::size_t kMaxHeaderTotal = 1024 * 1024;
// Largest body one fetch keeps; the rest is never read.
inline constexpr std::int64_t kMaxBody = 64 * 1024 * 1024;
// One receive asks for at most this many bytes.
inline constexpr std::int32_t kRecvBufferSize = 32768;

// Wait times: a negative value waits without a limit of its own (the fetch deadline still applies).
inline constexpr std::chrono::milliseconds kWaitForever{-1};
// The close probe after an exchange. A zero wait sees a close that has already arrived just as a
// 1 ms wait would, and does not cost a keep-alive server's idle millisecond on every fetch.
inline constexpr std::chrono::milliseconds kCloseProbeWait{0};

// While a cancel test is set, no wait sleeps longer than this before asking it again.
inline constexpr std::chrono::milliseconds kCancelCheckInterval{40};
// Interim (1xx) replies skipped before the final reply; a peer sending more is refused.
inline constexpr int kMaxInterimReplies = 32;

inline constexpr std::int32_t kDefaultHttpPort = 80;

}  // namespace quillmark::net
