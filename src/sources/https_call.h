#pragma once
// One request to a data provider over HTTPS (or plain HTTP on loopback for tests) through
// libcurl: peer and host verification on, the system's CA store, no redirects, a bounded reply,
// the whole call within a deadline and cancelled at once when the caller says stop.

#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

// Connections to a provider kept open between its calls: each call takes a transfer that made
// one before (libcurl's connection cache goes with it) and gives it back after, so a provider
// that keeps its connections open answers without a new TCP and TLS handshake per call. A
// transfer serves one call at a time, so no more connections are opened than calls were in
// flight at once. They close when the pool goes: a source owns its pool. Safe to use from several
// threads at once.
class ConnectionPool {
 public:
  ConnectionPool();
  ~ConnectionPool();
  ConnectionPool(const ConnectionPool&) = delete;
  ConnectionPool& operator=(const ConnectionPool&) = delete;

  struct Transfer;  // the libcurl handles of one call at a time
  std::unique_ptr<Transfer> Take();
  void Give(std::unique_ptr<Transfer> transfer);

 private:
  std::mutex mutex_;
  std::vector<std::unique_ptr<Transfer>> idle_;
};

struct HttpsRequest {
  std::string method = "GET";  // "GET" or "POST"
  std::string url;
  std::string body;                  // sent with POST
  std::vector<std::string> headers;  // "Name: value" lines
  // HTTP Basic credentials, handed to libcurl only: they never enter a text we keep or show.
  std::string login;
  std::string password;
  // A longer reply is refused (a failure, "reply too large").
  std::size_t max_reply_bytes = kMaxReplyBytes;
  // Where the call takes its connection from; none: a connection of its own, closed after it.
  ConnectionPool* connections = nullptr;
};

enum class HttpsOutcome { kReplied, kFailed, kCancelled };

struct HttpsReply {
  HttpsOutcome outcome = HttpsOutcome::kFailed;
  long status = 0;  // the HTTP status of a reply
  std::string body;
  std::string retry_after;  // the Retry-After header of the reply, if any
  std::string error;        // why there was no reply, for a person
  // The body's share of the reply budget (reply_budget.h), given back when the reply goes.
  std::shared_ptr<void> budget_share;
};

using Clock = std::chrono::steady_clock;

// Polls `cancelled` (when set) about every kCancelPoll while the call is in flight. The body
// takes its bytes from ReplyBudget::Shared() as it arrives, and waits when they are spent.
HttpsReply HttpsCall(const HttpsRequest& request, Clock::time_point deadline,
                     const Cancellation& cancelled);

}  // namespace quillmark::sources
