#include "imaging/jpeg_decode.h"

#include <csetjmp>
#include <cstdio>
#include <limits>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>

namespace quillmark::imaging {
namespace {

// The library's default error handler ends the process. Ours jumps back to the decoder, which
// turns the jump into an exception once it is back in frames that may unwind. Everything the
// library touches lives here, in the caller's frame, so nothing in the frame that jumps back
// holds a value that the jump could leave stale.
struct Decoder {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* decoder = static_cast<Decoder*>(info->client_data);
  (*info->err->format_message)(info, decoder->message);
  std::longjmp(decoder->jump, 1);
}

// Level -1 is a warning: the data is corrupt and the library would go on with made-up pixels.
// Trace messages (levels above 0) are dropped rather than printed to the terminal.
void EmitMessage(j_common_ptr info, int level) {
  if (level < 0) ErrorExit(info);
}

void Fail(Decoder* decoder, const char* message) {
  std::snprintf(decoder->message, sizeof decoder->message, "%s", message);
}

// Only plain data lives in this frame, so jumping back into it skips no destructor. The pixels
// are the caller's and are only resized between library calls.
bool DecodeInto(const unsigned char* data, unsigned long size, Decoder* decoder,
                JpegPixels* pixels) {
  jpeg_decompress_struct* info = &decoder->info;
  info->err = jpeg_std_error(&decoder->errors);
  decoder->errors.error_exit = ErrorExit;
  decoder->errors.emit_message = EmitMessage;
  info->client_data = decoder;
  decoder->message[0] = '\0';
  if (setjmp(decoder->jump) != 0) {
    jpeg_destroy_decompress(info);
    return false;
  }
  // Keeps the client data; an error inside it finds the rest of the struct zeroed.
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, size);
  jpeg_read_header(info, TRUE);
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  const unsigned long long pixel_count =
      static_cast<unsigned long long>(info->output_width) * info->output_height;
  if (pixel_count > kMaxJpegPixels || info->output_components != 3) {
    Fail(decoder, "unsupported picture size or colours");
    jpeg_destroy_decompress(info);
    return false;
  }
  const std::size_t row_bytes = static_cast<std::size_t>(info->output_width) * 3;
  try {
    pixels->rgb.resize(row_bytes * info->output_height);
  } catch (const std::bad_alloc&) {
    Fail(decoder, "out of memory for the picture");
    jpeg_destroy_decompress(info);
    return false;
  }
  pixels->width = static_cast<int>(info->output_width);
  pixels->height = static_cast<int>(info->output_height);
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = pixels->rgb.data() + row_bytes * info->output_scanline;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  jpeg_destroy_decompress(info);
  return true;
}

}  // namespace

JpegPixels DecodeJpegPixels(const unsigned char* data, std::size_t size) {
  if (size == 0) throw JpegError("empty picture data");
  if (size > std::numeric_limits<unsigned long>::max()) throw JpegError("picture data too long");
  Decoder decoder{};
  JpegPixels pixels;
  if (!DecodeInto(data, static_cast<unsigned long>(size), &decoder, &pixels))
    throw JpegError(decoder.message);
  return pixels;
}

}  // namespace quillmark::imaging
