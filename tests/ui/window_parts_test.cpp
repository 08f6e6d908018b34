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
  for (const QByteArray& bytes : broken) EXPECT_THROW(ui::DecodeJpeg(bytes), ui::JpegError);
  EXPECT_TRUE(ui::LoadJpeg(QStringLiteral(":/no/such.jpg")).isNull());
}

TEST(PumpingFetcherTest, ReturnsTheResultOrTheFailureAndGivesUpWhenCancelled) {
  ui::PumpingFetcher fetcher;
  std::atomic<int> timer_ticks = 0;
  QTimer ticking;
  QObject::connect(&ticking, &QTimer::timeout, [&] { ++timer_ticks; });
  ticking.start(1);

  EXPECT_EQ(fetcher.Wait<std::string>(
                [] {
                  std::this_thread::sleep_for(std::chrono::milliseconds(50));
                  return std::string("page");
                },
                {}, "cancelled"),
            "page");
  EXPECT_GT(timer_ticks, 0) << "events must run while the work waits";

  EXPECT_THROW(
      fetcher.Wait<std::string>([]() -> std::string { throw std::runtime_error("x"); }, {}, ""),
      std::runtime_error);

  // The work blocks until released; the cancelled wait must return without it.
  auto release = std::make_shared<std::atomic<bool>>(false);
  int pumps = 0;
  const std::string result = fetcher.Wait<std::string>(
      [release] {
        while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::string("late");
      },
      [&pumps] { return ++pumps >= 3; }, "cancelled");
  EXPECT_EQ(result, "cancelled");
  *release = true;
}

}  // namespace
}  // namespace quillmark::testing
