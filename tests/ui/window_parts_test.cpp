// The window's small parts that can fail on their own: the JPEG decoder.

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

}  // namespace
}  // namespace quillmark::testing
