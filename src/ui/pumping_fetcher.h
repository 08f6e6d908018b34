#pragma once
// Runs one page fetch on a helper thread while the window's thread keeps pumping its events,
// so a slow or silent server never freezes the window. Commands run nested inside the wait
// exactly as they do between a run's steps.

#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

class QAbstractEventDispatcher;

namespace quillmark::ui {

class PumpingFetcher {
 public:
  // `pump` runs pending events, waiting for the next one when there are none; the default is
  // QCoreApplication::processEvents with WaitForMoreEvents. It is also woken every few dozen
  // milliseconds, so a cancel test is seen even when no event comes.
  explicit PumpingFetcher(std::function<void()> pump = {});

  // Runs `work` on a helper thread and pumps until it is done or `cancelled` holds (tested
  // after every pump). A cancelled wait returns `if_cancelled` at once; the abandoned work
  // finishes on its own thread and its result is dropped. A failure of `work` is rethrown.
  template <typename Result>
  Result Wait(std::function<Result()> work, const std::function<bool()>& cancelled,
              Result if_cancelled) {
    auto result = std::make_shared<std::optional<Result>>();
    const std::shared_ptr<Job> job = Start([work = std::move(work), result] { *result = work(); });
    if (!PumpUntilDone(*job, cancelled)) return if_cancelled;
    if (job->failure) std::rethrow_exception(job->failure);
    return std::move(**result);
  }

 private:
  // Shared by the waiting thread and the helper; `done`, `abandoned` and the work's result are
  // handed over under `mutex`.
  struct Job {
    std::mutex mutex;
    bool done = false;
    bool abandoned = false;
    std::exception_ptr failure;
    QAbstractEventDispatcher* dispatcher = nullptr;  // woken when done, unless abandoned
  };

  std::shared_ptr<Job> Start(std::function<void()> work);
  // Pumps until the job is done (true), or marks it abandoned once cancelled (false).
  bool PumpUntilDone(Job& job, const std::function<bool()>& cancelled);

  std::function<void()> pump_;
};

}  // namespace quillmark::ui
