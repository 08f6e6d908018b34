#pragma once
// How the research code gets a page: a URL in, the page and how its fetch went out. A run's
// session fetches it on a worker while the run's thread waits (see session/research_run.h);
// tests serve pages from memory. A run may also start fetches ahead of need and collect them
// later, so that several are in flight while it fills the row in hand.

#include <functional>
#include <memory>
#include <string>

#include "net/fetch_result.h"

namespace quillmark {

// The body of whatever reply arrived (an error reply's too) and whether the fetch completed. It
// may throw only when the network cannot be used at all.
using PageFetcher = std::function<FetchResult(const std::string& url)>;

// A page fetch under way on another thread, owned by the run's thread. Dropping it untaken gives
// it up: a fetch still in flight is cancelled at once, a page already there is thrown away.
class StartedFetch {
 public:
  virtual ~StartedFetch() = default;
  // Whether the fetch has ended, so Peek and Take do not wait.
  virtual bool Ready() const = 0;
  // The run waits for this fetch now: it must not wait behind fetches read ahead.
  virtual void Hurry() {}
  // The fetch's outcome, to look at without taking it; nullptr when the fetch threw. Waits for
  // the end.
  virtual const FetchResult* Peek() = 0;
  // The outcome, for the run's use: the page now counts as asked for by the run. Waits for the
  // end; the fetch's failure is rethrown. Once only.
  virtual FetchResult Take() = 0;
};

// Starts fetching `url` and returns at once. A stop of the run cancels it.
using FetchStarter = std::function<std::unique_ptr<StartedFetch>(const std::string& url)>;

}  // namespace quillmark
