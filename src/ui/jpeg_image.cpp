#include "ui/jpeg_image.h"

#include <QFile>
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace quillmark::ui {
namespace {

// A picture larger than this is refused before anything is allocated for it.
constexpr unsigned long long kMaxPixels = 64ull * 1024 * 1024;

// The library's default error handler ends the process. Ours jumps back to the decoder, which
// turns the jump into an exception once it is back in frames that may unwind.
struct ErrorManager {
  jpeg_error_mgr library;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, manager->message);
  std::longjmp(manager->jump, 1);
}

// Warnings (a corrupt but readable picture) are not printed to the terminal.
void NoOutput(j_common_ptr) {}

// Only plain data lives in this frame, so jumping back into it skips no destructor. The image
// is the caller's and is only assigned between library calls.
bool DecodeInto(const unsigned char* data, unsigned long size, QImage* image,
                ErrorManager* errors) {
  jpeg_decompress_struct info;
  info.err = jpeg_std_error(&errors->library);
  errors->library.error_exit = ErrorExit;
  errors->library.output_message = NoOutput;
  errors->message[0] = '\0';
  if (setjmp(errors->jump) != 0) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  if (static_cast<unsigned long long>(info.output_width) * info.output_height > kMaxPixels ||
      info.output_components != 3) {
    std::snprintf(errors->message, sizeof errors->message, "unsupported picture size or colours");
    jpeg_destroy_decompress(&info);
    return false;
  }
  *image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                  QImage::Format_RGB888);
  if (image->isNull()) {
    std::snprintf(errors->message, sizeof errors->message, "out of memory for the picture");
    jpeg_destroy_decompress(&info);
    return false;
  }
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = image->scanLine(static_cast<int>(info.output_scanline));
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const QByteArray& data) {
  if (data.isEmpty()) throw JpegError("empty picture data");
  QImage image;
  ErrorManager errors;
  if (!DecodeInto(reinterpret_cast<const unsigned char*>(data.constData()),
                  static_cast<unsigned long>(data.size()), &image, &errors))
    throw JpegError(errors.message);
  return image;
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
