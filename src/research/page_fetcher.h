#pragma once
// How the research code gets a page: a URL in, the page and how its fetch went out. The real one
// is FetchPage with a cancel test made by CancelOnStop (stop_request.h); the window may run it on
// a worker thread; tests serve pages from memory.

#include <functional>
#include <string>

#include "net/fetch_result.h"

namespace quillmark {

// The body of whatever reply arrived (an error reply's too) and whether the fetch completed. It
// may throw only when the network cannot be used at all.
using PageFetcher = std::function<FetchResult(const std::string& url)>;

}  // namespace quillmark
