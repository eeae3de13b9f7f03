#include "assets/JpegDecoder.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>

namespace {

// libjpeg reports errors by calling error_exit, whose default ends the process. Ours jumps
// back to the decoding step that was running, which tears the decoder down and fails.
struct JpegReader {
  jpeg_decompress_struct info;
  jpeg_error_mgr errors;
  std::jmp_buf failure;
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegReader*>(info->client_data)->failure, 1);
}

// Warnings (level -1) are how libjpeg reports a truncated or damaged stream that it would
// otherwise pad with grey; an embedded picture must be whole, so they fail too. Trace
// messages (levels >= 0) are ignored.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) OnJpegError(info);
}

void IgnoreJpegOutput(j_common_ptr) {}

// Our pictures are a few hundred pixels wide; a header that claims a huge picture is damaged,
// and trying to allocate it would only fail later or exhaust memory.
constexpr unsigned long kMaxPixels = 16UL * 1024 * 1024;

bool FitsInMemory(const jpeg_decompress_struct& info) {
  return static_cast<unsigned long long>(info.output_width) * info.output_height <= kMaxPixels;
}

// Each step below calls setjmp itself and keeps only trivial locals, so the longjmp skips no
// destructor. On failure the decoder is destroyed before returning false.
bool ReadHeader(JpegReader& reader, const unsigned char* data, std::size_t size) {
  if (setjmp(reader.failure)) {
    jpeg_destroy_decompress(&reader.info);
    return false;
  }
  jpeg_create_decompress(&reader.info);
  jpeg_mem_src(&reader.info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&reader.info, TRUE);
  reader.info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&reader.info);
  if (reader.info.output_components == 3 && FitsInMemory(reader.info)) return true;
  jpeg_destroy_decompress(&reader.info);
  return false;
}

bool ReadPixels(JpegReader& reader, uchar* bits, qsizetype bytes_per_line) {
  if (setjmp(reader.failure)) {
    jpeg_destroy_decompress(&reader.info);
    return false;
  }
  while (reader.info.output_scanline < reader.info.output_height) {
    JSAMPROW row = bits + bytes_per_line * reader.info.output_scanline;
    jpeg_read_scanlines(&reader.info, &row, 1);
  }
  jpeg_finish_decompress(&reader.info);
  jpeg_destroy_decompress(&reader.info);
  return true;
}

}  // namespace

QImage DecodeJpeg(const unsigned char* data, std::size_t size) {
  static_assert(sizeof(std::size_t) <= sizeof(unsigned long), "jpeg_mem_src takes the size");
  if (data == nullptr || size == 0) return {};
  JpegReader reader{};
  reader.info.err = jpeg_std_error(&reader.errors);
  reader.errors.error_exit = OnJpegError;
  reader.errors.emit_message = OnJpegMessage;
  reader.errors.output_message = IgnoreJpegOutput;
  reader.info.client_data = &reader;
  if (!ReadHeader(reader, data, size)) return {};
  QImage image(static_cast<int>(reader.info.output_width),
               static_cast<int>(reader.info.output_height), QImage::Format_RGB888);
  if (image.isNull()) {  // out of memory
    jpeg_destroy_decompress(&reader.info);
    return {};
  }
  if (!ReadPixels(reader, image.bits(), image.bytesPerLine())) return {};
  return image;
}
