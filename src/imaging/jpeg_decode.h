#pragma once
// Decodes JPEG data into RGB pixels with libjpeg. Needs no Qt, so the fuzzers reach it in a
// build without the window.

#include <cstddef>
#include <stdexcept>
#include <vector>

namespace quillmark::imaging {

// Corrupt, truncated or unsupported data: the library's own message.
class JpegError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoded picture: `height` rows of `width` RGB triples, top row first, no padding.
struct JpegPixels {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

// A picture larger than this is refused before anything is allocated for it; the windows'
// own pictures are a few hundred pixels wide.
inline constexpr unsigned long long kMaxJpegPixels = 4096ull * 4096;

// Throws JpegError instead of letting the library end the process. A picture the library can
// read only in part (it warns and fills the rest with grey) counts as corrupt too.
JpegPixels DecodeJpegPixels(const unsigned char* data, std::size_t size);

}  // namespace quillmark::imaging
