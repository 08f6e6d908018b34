#pragma once
// What one page fetch gives back: the body that arrived and whether the exchange completed.
// Depends on nothing, so the research code can name it without linking the web layer.

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

}  // namespace quillmark::net

namespace quillmark {
using net::FetchResult;
using net::FetchStatus;
}  // namespace quillmark
