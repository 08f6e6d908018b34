#pragma once
// What one page fetch gives back: the body that arrived and whether the exchange completed; and
// how a fetch is told that it is no longer wanted. Depends on nothing, so the research code can
// name them without linking the web layer.

#include <functional>
#include <string>

namespace quillmark::net {

enum class FetchStatus {
  kComplete,   // a whole reply arrived (a redirect or 4xx reply counts: it is a page too)
  kFailed,     // no connection, no reply, a reply cut short, the time limit, a reply over a
               // bound, a server error (5xx) reply
  kCancelled,  // the caller's cancel test said stop; the connection was closed at once
};

struct FetchResult {
  // The body bytes that arrived, one character per byte (what there was of it on a failure).
  std::string body = {};
  FetchStatus status = FetchStatus::kComplete;
  // Why the fetch did not complete, in words for a person: the socket error text, "time limit
  // reached", "reply cut short", "stopped". Empty for a complete fetch.
  std::string reason = {};

  bool Complete() const { return status == FetchStatus::kComplete; }
};

// Polled by a fetch at least every 50 ms while it waits, from the fetching thread; true ends the
// fetch at once as kCancelled. Must be thread-safe. An empty one never says stop.
using Cancellation = std::function<bool()>;

}  // namespace quillmark::net

namespace quillmark {
using net::Cancellation;
using net::FetchResult;
using net::FetchStatus;
}  // namespace quillmark
