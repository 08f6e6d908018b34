#pragma once
// Runs one page fetch on a worker of the session's pool while the window's thread keeps pumping
// its events, so a slow or silent server never freezes the window. Commands run nested inside
// the wait exactly as they do between a run's steps.

#include <functional>
#include <string>

#include "net/fetch_result.h"
#include "session/fetch_pool.h"

namespace quillmark::ui {

using PooledFetch = session::CancellableFetch;

class PumpingFetcher {
 public:
  // `pump` runs pending events, waiting for the next one when there are none; the default is
  // QCoreApplication::processEvents with WaitForMoreEvents. It is also woken every few dozen
  // milliseconds, so a cancel test is seen even when no event comes.
  explicit PumpingFetcher(session::FetchPool& pool, std::function<void()> pump = {});

  // Runs `fetch` for `url` on a worker and pumps until its result is there or `given_up` holds
  // (tested after every pump). A wait given up returns `if_given_up` at once and cancels the
  // fetch, which lets go of its connection within moments. A failure of the fetch is rethrown.
  FetchResult Fetch(const PooledFetch& fetch, const std::string& url,
                    const std::function<bool()>& given_up, const FetchResult& if_given_up);

 private:
  session::FetchPool& pool_;
  std::function<void()> pump_;
};

}  // namespace quillmark::ui
