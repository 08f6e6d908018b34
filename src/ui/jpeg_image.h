#pragma once
// The JPEG pictures of the windows (the banner, the About picture) as Qt images.

#include <QByteArray>
#include <QImage>

#include "imaging/jpeg_decode.h"

namespace quillmark::ui {

// Throws imaging::JpegError on corrupt or truncated data.
QImage DecodeJpeg(const QByteArray& data);
// The JPEG of a resource or file path; an empty image when it cannot be read or decoded.
QImage LoadJpeg(const QString& path) noexcept;

}  // namespace quillmark::ui
