#pragma once
// Runs one page fetch on a worker of the session's pool while the window's thread keeps pumping
// its events, so a slow or silent server never freezes the window. Commands run nested inside
// the wait exactly as they do between a run's steps.

#include <QTimer>
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
  // Pumps once, waiting for the next event, but no longer than a few dozen milliseconds: what a
  // run does while the fetches it started on the pool are on their way. A fetch woken for ends
  // the wait as it ends.
  void Wait();
  // What a fetch on the pool calls as it ends so that Wait returns.
  std::function<void()> Wake() const;

 private:
  session::FetchPool& pool_;
  std::function<void()> pump_;
  QTimer wake_;
};

}  // namespace quillmark::ui
