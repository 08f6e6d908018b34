#include "ui/pumping_fetcher.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <chrono>

namespace quillmark::ui {
namespace {

// How often a wait without events still looks at its cancel test.
constexpr std::chrono::milliseconds kWakeInterval{25};

void WaitForEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

PumpingFetcher::PumpingFetcher(session::FetchPool& pool, std::function<void()> pump)
    : pool_(pool), pump_(pump ? std::move(pump) : std::function<void()>(WaitForEvents)) {
  wake_.setSingleShot(true);
}

std::function<void()> PumpingFetcher::Wake() const {
  // The pool outlives no event loop it wakes: the session that owns it ends before the
  // application does, and a fetch given up is never woken for.
  QAbstractEventDispatcher* dispatcher =
      QAbstractEventDispatcher::instance(QThread::currentThread());
  return [dispatcher] {
    if (dispatcher != nullptr) dispatcher->wakeUp();
  };
}

void PumpingFetcher::Wait() {
  wake_.start(kWakeInterval);
  pump_();
}

FetchResult PumpingFetcher::Fetch(const PooledFetch& fetch, const std::string& url,
                                  const std::function<bool()>& given_up,
                                  const FetchResult& if_given_up) {
  const auto job = pool_.Submit(
      [fetch, url](const session::CancelTest& cancelled) { return fetch(url, cancelled); }, Wake());
  QTimer wake;
  wake.start(kWakeInterval);
  while (!job->Done()) {
    pump_();
    // The test runs outside the job: it may look at anything the pump changed.
    if (given_up && given_up() && !job->Done()) {
      job->Cancel();
      return if_given_up;
    }
  }
  return job->Take();
}

}  // namespace quillmark::ui
