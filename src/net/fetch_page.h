#pragma once
// FetchPage: the one network operation the rest of the program uses. One HTTP GET over a fresh
// connection, bounded by a whole-fetch time limit and cancellable from another thread. It says
// how the fetch went beside the body: an error reply (404, 500) is a page like any other, while
// no connection, no reply, a reply cut short, the time limit or a reply over a bound is a fetch
// that failed. It never raises for a failed exchange.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "net/fetch_result.h"

namespace quillmark::net {

inline constexpr std::chrono::milliseconds kDefaultFetchTimeout{60000};

struct FetchOptions {
  std::chrono::milliseconds timeout = kDefaultFetchTimeout;
  // Also asked before each step; a cancelled fetch closes its connection at once.
  Cancellation cancelled = {};
};

// Takes the body's bytes as they arrive; false when they could not be kept, which ends the
// fetch as failed.
using BodySink = std::function<bool(std::string_view bytes)>;

FetchResult FetchPage(const std::string& url, const FetchOptions& options = {});
// The same, but the body goes to `sink` block by block as it arrives, so memory stays flat
// however large it is; the result's body is empty.
FetchResult FetchPageTo(const std::string& url, const FetchOptions& options, const BodySink& sink);

// Why FetchPage would refuse the URL without connecting (unsafe bytes in its host, port or
// target, a port outside 1-65535), or "" when it would not.
std::string UnsafeUrlReason(const std::string& url);

}  // namespace quillmark::net

namespace quillmark {
using net::FetchOptions;
using net::FetchPage;
using net::kDefaultFetchTimeout;
}  // namespace quillmark
