#include "session/fetch_ahead.h"

#include <exception>
#include <mutex>
#include <utility>

#include "research/stop_request.h"

namespace quillmark::session {
namespace {

// Whether a given-up fetch had its page, decided once whichever of the two comes last: the
// fetch's end on its worker or the run's giving up on its own thread.
class Fate {
 public:
  explicit Fate(std::shared_ptr<std::atomic<int>> not_used) : not_used_(std::move(not_used)) {}
  void Ended(bool page_came) {
    const std::lock_guard lock(mutex_);
    page_came_ = page_came;
    if (given_up_ && page_came_) ++*not_used_;
  }
  void GiveUp() {
    const std::lock_guard lock(mutex_);
    given_up_ = true;
    if (page_came_) ++*not_used_;
  }

 private:
  std::mutex mutex_;
  bool page_came_ = false;
  bool given_up_ = false;
  std::shared_ptr<std::atomic<int>> not_used_;
};

}  // namespace

class FetchAhead::Started final : public StartedFetch {
 public:
  Started(std::shared_ptr<FetchPool::Job> job, std::shared_ptr<Fate> fate, std::string url,
          const Report& report)
      : job_(std::move(job)), fate_(std::move(fate)), url_(std::move(url)), report_(report) {}
  ~Started() override {
    if (taken_) return;
    job_->Cancel();
    fate_->GiveUp();
  }

  bool Ready() const override { return collected_ || job_->Done(); }
  const FetchResult* Peek() override {
    Collect();
    return failure_ ? nullptr : &result_;
  }
  FetchResult Take() override {
    Collect();
    taken_ = true;
    if (failure_) std::rethrow_exception(failure_);
    if (report_) report_(url_, result_);
    return std::move(result_);
  }

 private:
  void Collect() {
    if (collected_) return;
    try {
      result_ = job_->Take();
    } catch (...) {
      failure_ = std::current_exception();
    }
    collected_ = true;
  }

  std::shared_ptr<FetchPool::Job> job_;
  std::shared_ptr<Fate> fate_;
  std::string url_;
  const Report& report_;
  bool collected_ = false;
  bool taken_ = false;
  FetchResult result_;
  std::exception_ptr failure_;
};

FetchAhead::FetchAhead(FetchPool& pool, CancellableFetch fetch, std::function<void()> wake,
                       Report report)
    : pool_(pool), fetch_(std::move(fetch)), wake_(std::move(wake)), report_(std::move(report)) {}

FetchStarter FetchAhead::Starter() {
  return [this](const std::string& url) -> std::unique_ptr<StartedFetch> {
    auto fate = std::make_shared<Fate>(not_used_);
    // Held by the worker, which may still run after the run gave the fetch up: by value.
    auto job = pool_.Submit(
        [fetch = fetch_, url, fate, stopped = CancelOnStop()](const CancelTest& cancelled) {
          FetchResult result = fetch(url, [&] { return cancelled() || stopped(); });
          fate->Ended(result.status != FetchStatus::kCancelled);
          return result;
        },
        wake_);
    return std::make_unique<Started>(std::move(job), std::move(fate), url, report_);
  };
}

}  // namespace quillmark::session
