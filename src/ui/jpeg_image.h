#pragma once
// Decodes the JPEG pictures of the windows (the banner, the About picture) with libjpeg.

#include <QByteArray>
#include <QImage>
#include <stdexcept>

namespace quillmark::ui {

// Corrupt or truncated data: the library's own message.
class JpegError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws JpegError instead of letting the library end the process.
QImage DecodeJpeg(const QByteArray& data);
// The JPEG of a resource or file path; an empty image when it cannot be read or decoded.
QImage LoadJpeg(const QString& path) noexcept;

}  // namespace quillmark::ui
