#pragma once
// FetchPage: the one network operation the rest of the program uses. One HTTP GET over a fresh
// connection; the body of whatever reply arrived (an error reply's too), or what of it arrived
// before the connection broke or the time limit passed. It never raises for a failed exchange.

#include <chrono>
#include <string>

namespace quillmark::net {

inline constexpr std::chrono::milliseconds kDefaultFetchTimeout{60000};

std::string FetchPage(const std::string& url,
                      std::chrono::milliseconds timeout = kDefaultFetchTimeout);

}  // namespace quillmark::net

namespace quillmark {
using net::FetchPage;
using net::kDefaultFetchTimeout;
}  // namespace quillmark
