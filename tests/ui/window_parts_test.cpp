// The window's small parts that can fail on their own: the JPEG decoder and the pumping wait.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <thread>

#include "ui/jpeg_image.h"
#include "ui/pictures.h"
#include "ui/pumping_fetcher.h"

namespace quillmark::testing {
namespace {

TEST(JpegImageTest, DecodesTheBannerAndRefusesBrokenData) {
  ui::RegisterPictures();
  QFile banner(QStringLiteral(":/pictures/banner.jpg"));
  ASSERT_TRUE(banner.open(QIODevice::ReadOnly));
  const QByteArray data = banner.readAll();
  const QImage decoded = ui::DecodeJpeg(data);
  ASSERT_EQ(decoded.size(), QSize(490, 55));
  // Rows of 490 pixels are not a multiple of four bytes: a slip in the row copy shows against
  // Qt's own reader, where that is installed.
  const QImage reference =
      QImage(QStringLiteral(":/pictures/banner.jpg")).convertToFormat(decoded.format());
  if (!reference.isNull()) {
    int worst = 0;
    for (int y = 0; y < decoded.height(); ++y)
      for (int x = 0; x < decoded.width(); ++x) {
        const QColor a = decoded.pixelColor(x, y), b = reference.pixelColor(x, y);
        worst = std::max({worst, std::abs(a.red() - b.red()), std::abs(a.green() - b.green()),
                          std::abs(a.blue() - b.blue())});
      }
    EXPECT_LE(worst, 4);
  }

  // Cut short in its header or in its pixels: the library would fill the missing rows with grey.
  const QByteArray broken[] = {QByteArray(), QByteArray("not a picture at all"), data.left(20),
                               data.left(data.size() / 2)};
  for (const QByteArray& bytes : broken) EXPECT_THROW(ui::DecodeJpeg(bytes), imaging::JpegError);
  EXPECT_TRUE(ui::LoadJpeg(QStringLiteral(":/no/such.jpg")).isNull());
}

TEST(PumpingFetcherTest, ReturnsTheResultOrTheFailureAndCancelsAFetchGivenUp) {
  session::FetchPool pool(1);
  ui::PumpingFetcher fetcher(pool);
  std::atomic<int> timer_ticks = 0;
  QTimer ticking;
  QObject::connect(&ticking, &QTimer::timeout, [&] { ++timer_ticks; });
  ticking.start(1);
  const FetchResult given_up{{}, FetchStatus::kCancelled, "stopped"};

  const ui::PooledFetch slow = [](const std::string& url, const session::CancelTest&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return FetchResult{url};
  };
  EXPECT_EQ(fetcher.Fetch(slow, "page", {}, given_up).body, "page");
  EXPECT_GT(timer_ticks, 0) << "events must run while the fetch waits";

  const ui::PooledFetch failing = [](const std::string&,
                                     const session::CancelTest&) -> FetchResult {
    throw std::runtime_error("x");
  };
  EXPECT_THROW(fetcher.Fetch(failing, "page", {}, given_up), std::runtime_error);

  // The fetch holds until told to stop; the wait given up returns without it and tells it.
  // Given up only once the fetch runs: one cancelled before a worker takes it never runs.
  std::atomic<bool> running = false;
  std::atomic<bool> told_to_stop = false;
  int pumps = 0;
  const ui::PooledFetch held = [&running, &told_to_stop](const std::string&,
                                                         const session::CancelTest& cancelled) {
    running = true;
    while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    told_to_stop = true;
    return FetchResult{"late"};
  };
  EXPECT_EQ(fetcher
                .Fetch(
                    held, "page", [&] { return running && ++pumps >= 3; }, given_up)
                .body,
            "");
  pool.Shutdown();
  EXPECT_TRUE(told_to_stop);
}

}  // namespace
}  // namespace quillmark::testing
