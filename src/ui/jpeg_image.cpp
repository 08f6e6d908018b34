#include "ui/jpeg_image.h"

#include <QFile>

namespace quillmark::ui {

QImage DecodeJpeg(const QByteArray& data) {
  const imaging::JpegPixels pixels =
      imaging::DecodeJpegPixels(reinterpret_cast<const unsigned char*>(data.constData()),
                                static_cast<std::size_t>(data.size()));
  // A view of the rows, copied into an image of Qt's own row alignment.
  return QImage(pixels.rgb.data(), pixels.width, pixels.height, pixels.width * 3,
                QImage::Format_RGB888)
      .copy();
}

QImage LoadJpeg(const QString& path) noexcept {
  try {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return DecodeJpeg(file.readAll());
  } catch (...) {
    return {};
  }
}

}  // namespace quillmark::ui
