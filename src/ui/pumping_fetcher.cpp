#include "ui/pumping_fetcher.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <thread>

namespace quillmark::ui {
namespace {

// How often a wait without events still looks at its cancel test.
constexpr std::chrono::milliseconds kWakeInterval{25};

void WaitForEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace

PumpingFetcher::PumpingFetcher(std::function<void()> pump)
    : pump_(pump ? std::move(pump) : std::function<void()>(WaitForEvents)) {}

std::shared_ptr<PumpingFetcher::Job> PumpingFetcher::Start(std::function<void()> work) {
  auto job = std::make_shared<Job>();
  job->dispatcher = QAbstractEventDispatcher::instance(QThread::currentThread());
  std::thread([job, work = std::move(work)] {
    std::exception_ptr failure;
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    const std::lock_guard lock(job->mutex);
    job->failure = failure;
    job->done = true;
    // An abandoned job's waiter may be gone, and with it the event loop.
    if (!job->abandoned && job->dispatcher != nullptr) job->dispatcher->wakeUp();
  }).detach();
  return job;
}

bool PumpingFetcher::PumpUntilDone(Job& job, const std::function<bool()>& cancelled) {
  QTimer wake;
  wake.start(kWakeInterval);
  for (;;) {
    {
      const std::lock_guard lock(job.mutex);
      if (job.done) return true;
    }
    pump_();
    // The test runs outside the lock: it may look at anything the pump changed.
    if (cancelled && cancelled()) {
      const std::lock_guard lock(job.mutex);
      if (job.done) return true;
      job.abandoned = true;
      return false;
    }
  }
}

}  // namespace quillmark::ui
