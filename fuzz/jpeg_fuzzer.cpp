// Arbitrary bytes as a JPEG picture: decoding either gives a whole picture or throws JpegError;
// it never ends the process, reads outside the data or leaves a half-filled picture.

#include <cstddef>
#include <cstdint>

#include "imaging/jpeg_decode.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillmark::imaging;
  try {
    const JpegPixels pixels = DecodeJpegPixels(data, size);
    Check(pixels.width > 0 && pixels.height > 0);
    Check(static_cast<unsigned long long>(pixels.width) * pixels.height <= kMaxJpegPixels);
    Check(pixels.rgb.size() == static_cast<std::size_t>(pixels.width) * pixels.height * 3);
  } catch (const JpegError&) {
  }
  return 0;
}
