#pragma once
// The research run's fetches started ahead of need on the session's pool of workers. Each wakes
// the run's thread as it ends; the front end hears of a page only when the run takes it, on the
// run's thread; pages the run gives up unread (those of rows it never reached) are counted.

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "research/page_fetcher.h"
#include "session/fetch_pool.h"

namespace quillmark::session {

// The most fetches one research keeps in flight, and how many unless told otherwise.
inline constexpr int kMaxParallelFetches = 32;
inline constexpr int kDefaultParallelFetches = 8;

class FetchAhead {
 public:
  using Report = std::function<void(const std::string& url, const FetchResult& result)>;

  // `fetch` runs on the workers of `pool`; `wake`, called on a worker as each fetch ends, wakes
  // the thread that waits for it; `report`, when set, is told of each page the run takes.
  FetchAhead(FetchPool& pool, CancellableFetch fetch, std::function<void()> wake,
             Report report = {});
  FetchAhead(const FetchAhead&) = delete;
  FetchAhead& operator=(const FetchAhead&) = delete;

  // Starts a fetch on the pool. Its cancel test is made now: a Stop request raised from now on
  // ends it. The starter refers to this object.
  FetchStarter Starter();
  // Pages that came (whole or not) and were given up unread.
  int PagesNotUsed() const { return not_used_->load(); }

 private:
  class Started;

  FetchPool& pool_;
  CancellableFetch fetch_;
  std::function<void()> wake_;
  Report report_;
  // Shared with the fetches, which may end after the run gave them up.
  std::shared_ptr<std::atomic<int>> not_used_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace quillmark::session
