#include "tools/make-bitmaps/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include <jpeglib.h>

namespace bitmaps {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1);
}
void OutputMessage(j_common_ptr) {}

// Kept on the heap: nothing the encoder changes is an automatic variable of
// the frame that calls setjmp.
struct EncoderState {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

bool Encode(EncoderState* st, const Picture& picture, int quality) {
  jpeg_compress_struct* cinfo = &st->cinfo;
  cinfo->err = jpeg_std_error(&st->err.pub);
  st->err.pub.error_exit = ErrorExit;
  st->err.pub.output_message = OutputMessage;
  if (setjmp(st->err.jump)) {
    jpeg_destroy_compress(cinfo);
    return false;
  }
  jpeg_create_compress(cinfo);
  jpeg_mem_dest(cinfo, &st->buffer, &st->size);
  cinfo->image_width = static_cast<JDIMENSION>(picture.width);
  cinfo->image_height = static_cast<JDIMENSION>(picture.height);
  cinfo->input_components = 3;
  cinfo->in_color_space = JCS_RGB;
  jpeg_set_defaults(cinfo);
  jpeg_set_quality(cinfo, quality, TRUE);
  // Full-resolution colour keeps thin coloured lines crisp.
  for (int c = 0; c < cinfo->num_components; ++c) {
    cinfo->comp_info[c].h_samp_factor = 1;
    cinfo->comp_info[c].v_samp_factor = 1;
  }
  jpeg_start_compress(cinfo, TRUE);
  while (cinfo->next_scanline < cinfo->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(picture.rgb.data() +
                                        static_cast<std::size_t>(cinfo->next_scanline) * picture.width * 3);
    jpeg_write_scanlines(cinfo, &row, 1);
  }
  jpeg_finish_compress(cinfo);
  jpeg_destroy_compress(cinfo);
  return true;
}

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality) {
  if (picture.width < 1 || picture.height < 1 ||
      picture.rgb.size() != static_cast<std::size_t>(picture.width) * picture.height * 3)
    return {};
  auto st = std::make_unique<EncoderState>();
  std::vector<std::uint8_t> bytes;
  if (Encode(st.get(), picture, quality) && st->buffer) bytes.assign(st->buffer, st->buffer + st->size);
  std::free(st->buffer);
  return bytes;
}

bool WriteJpeg(const std::string& path, const Picture& picture, int quality) {
  const std::vector<std::uint8_t> bytes = EncodeJpeg(picture, quality);
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace bitmaps
