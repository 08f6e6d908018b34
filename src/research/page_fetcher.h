#pragma once
// How the research code gets a page: a URL in, the page text out. The real one is FetchPage;
// tests serve pages from memory.

#include <functional>
#include <string>

namespace quillmark {

// Returns the body of whatever reply arrived (an error reply's too), or "" when none arrived.
// It may throw only when the network cannot be used at all.
using PageFetcher = std::function<std::string(const std::string& url)>;

}  // namespace quillmark
