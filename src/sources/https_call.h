#pragma once
// One request to a data provider over HTTPS (or plain HTTP on loopback for tests) through
// libcurl: peer and host verification on, the system's CA store, no redirects, a bounded reply,
// the whole call within a deadline and cancelled at once when the caller says stop.

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

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
};

enum class HttpsOutcome { kReplied, kFailed, kCancelled };

struct HttpsReply {
  HttpsOutcome outcome = HttpsOutcome::kFailed;
  long status = 0;  // the HTTP status of a reply
  std::string body;
  std::string retry_after;  // the Retry-After header of the reply, if any
  std::string error;        // why there was no reply, for a person
};

using Clock = std::chrono::steady_clock;

// Polls `cancelled` (when set) about every kCancelPoll while the call is in flight.
HttpsReply HttpsCall(const HttpsRequest& request, Clock::time_point deadline,
                     const Cancellation& cancelled);

}  // namespace quillmark::sources
