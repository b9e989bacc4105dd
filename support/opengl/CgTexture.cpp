#include "support/opengl/CgTexture.h"

#include <GL/gl.h>

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

// libjpeg's headers need FILE and size_t declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "platform/Paths.h"
#include "platform/RegularFile.h"
#include "support/opengl/CgTypes.h"

#ifndef GL_CLAMP
#define GL_CLAMP 0x2900
#endif

namespace {

// Largest picture side accepted (a texture of it stays within 256 MiB);
// checked from the header before the decoder allocates anything.
constexpr int kMaxPictureSide = 8192;
// Largest file read into memory.
constexpr std::size_t kMaxFileBytes = 64u << 20;

std::atomic<long> g_uploads{0};

// ---- JPEG decoding ----------------------------------------------------------

struct DecodedPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // top row first, 3 bytes a pixel
};

struct JpegErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

// The decoder's state lives on the heap so that nothing the decoder changes
// is an automatic variable of the frame that calls setjmp.
struct JpegState {
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
};

// Every decoder error comes back here: never exit(), never print.
[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings are silent, except a file that ends early: libjpeg would pad it
// with grey and call it a picture, but it is a broken file.
void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0) {
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(cinfo);
    cinfo->err->num_warnings++;
  }
}

void JpegOutputMessage(j_common_ptr) {}

// Decodes a JPEG held in memory. On failure fills error and returns false;
// the decoder's memory is always released. libjpeg reports errors by a
// longjmp back into this function, which skips destructors: so between
// setjmp and the last decoder call no local here has a destructor (the
// picture lives in the caller's frame, the row buffer in the decoder's
// pool).
bool DecodeJpeg(JpegState* st, const std::vector<unsigned char>& file, DecodedPicture* out, std::string* error) {
  jpeg_decompress_struct* cinfo = &st->cinfo;
  cinfo->err = jpeg_std_error(&st->err.pub);
  st->err.pub.error_exit = JpegErrorExit;
  st->err.pub.emit_message = JpegEmitMessage;
  st->err.pub.output_message = JpegOutputMessage;
  st->err.message[0] = '\0';
  if (setjmp(st->err.jump)) {
    jpeg_destroy_decompress(cinfo);
    *error = st->err.message;
    return false;
  }
  jpeg_create_decompress(cinfo);
  jpeg_mem_src(cinfo, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(cinfo, TRUE);

  const unsigned w = cinfo->image_width, h = cinfo->image_height;
  if (w < 1 || h < 1 || w > unsigned{kMaxPictureSide} || h > unsigned{kMaxPictureSide}) {
    jpeg_destroy_decompress(cinfo);
    *error = "picture of " + std::to_string(w) + " x " + std::to_string(h) + " pixels is too large";
    return false;
  }
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  cinfo->scale_num = 1;
  cinfo->scale_denom = 1;
  // The decoder's own working memory is bounded too.
  cinfo->mem->max_memory_to_use = 256L << 20;

  const std::size_t rowBytes = static_cast<std::size_t>(w) * (cmyk ? 4u : 3u);
  try {
    out->rgb.assign(static_cast<std::size_t>(w) * h * 3u, 0);
  } catch (...) {
    jpeg_destroy_decompress(cinfo);
    *error = "out of memory";
    return false;
  }
  out->width = static_cast<int>(w);
  out->height = static_cast<int>(h);

  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != w || cinfo->output_height != h ||
      cinfo->output_components != (cmyk ? 4 : 3)) {
    jpeg_destroy_decompress(cinfo);
    *error = "unexpected output format";
    return false;
  }
  // The row buffer comes from the decoder's own pool, which
  // jpeg_destroy_decompress frees on every path, the error jump included.
  JSAMPARRAY pooled = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                  static_cast<JDIMENSION>(rowBytes), 1);
  std::uint8_t* const rowPtr = pooled[0];
  while (cinfo->output_scanline < h) {
    const unsigned y = cinfo->output_scanline;
    JSAMPROW rows[1] = {rowPtr};
    if (jpeg_read_scanlines(cinfo, rows, 1) != 1) break;
    std::uint8_t* dst = out->rgb.data() + static_cast<std::size_t>(y) * w * 3u;
    if (!cmyk) {
      std::memcpy(dst, rowPtr, rowBytes);
    } else {
      // Adobe's CMYK JPEGs store the inks inverted: each channel is
      // already "amount of white", so RGB = C * K / 255.
      for (unsigned x = 0; x < w; ++x) {
        const unsigned k = rowPtr[x * 4 + 3];
        for (unsigned c = 0; c < 3; ++c) dst[x * 3 + c] = static_cast<std::uint8_t>(rowPtr[x * 4 + c] * k / 255u);
      }
    }
  }
  jpeg_finish_decompress(cinfo);
  jpeg_destroy_decompress(cinfo);
  return true;
}

// Only a regular file is read: anything else in its place counts as missing.
bool ReadWholeFile(const std::string& path, std::vector<unsigned char>* data) {
  std::string bytes;
  if (platform::ReadRegularFile(path, bytes, kMaxFileBytes) != platform::ReadResult::Ok) return false;
  data->assign(bytes.begin(), bytes.end());
  return true;
}

}  // namespace

bool IsPowerOfTwo(int N) { return N > 0 && (N & (N - 1)) == 0; }

// ---- TCGImage ---------------------------------------------------------------

TCGImage::TCGImage() { SetElementSize(4); }

void TCGImage::SetWidth(int W) {
  if (W < 0) W = 0;
  const int old = width_;
  auto px = [this] { return static_cast<std::uint32_t*>(TDArray::Data()); };
  if (height_ > 0 && W < old) {
    // Keep the left part of every row: move rows down, first row first.
    for (int row = 1; row < height_; ++row)
      std::memmove(px() + static_cast<std::size_t>(row) * W, px() + static_cast<std::size_t>(row) * old,
                   static_cast<std::size_t>(W) * 4u);
  }
  SetCount(static_cast<int>(std::min<long long>(static_cast<long long>(W) * height_, 0x7FFFFFFF)));
  width_ = W;
  if (height_ > 0 && W > old && old > 0) {
    // Move every row to its new start, last row first.
    for (int row = height_ - 1; row >= 1; --row)
      std::memmove(px() + static_cast<std::size_t>(row) * W, px() + static_cast<std::size_t>(row) * old,
                   static_cast<std::size_t>(old) * 4u);
  }
}

void TCGImage::SetHeight(int H) {
  if (H < 0) H = 0;
  const long long n = static_cast<long long>(H) * width_;
  if (n > 0x7FFFFFFF) throw std::length_error("image too large");
  height_ = H;
  SetCount(static_cast<int>(n));
}

void TCGImage::SetPixel(int X, int Y, std::uint32_t Value) {
  const long long i = static_cast<long long>(X) + static_cast<long long>(Y) * width_;
  if (i < 0 || i > 0x7FFFFFFF) return;
  SetItem(static_cast<int>(i), &Value);
}

std::uint32_t* TCGImage::PixelAddress(int X, int Y) {
  return static_cast<std::uint32_t*>(Data()) + (static_cast<std::ptrdiff_t>(X) + static_cast<std::ptrdiff_t>(Y) * width_);
}

std::uint32_t TCGImage::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= width_ || Y >= height_) return 0;
  const long long i = static_cast<long long>(X) + static_cast<long long>(Y) * width_;
  if (i >= Count()) return 0;
  return static_cast<const std::uint32_t*>(Data())[i];
}

void TCGImage::LoadFromRGB(int PictureWidth, int PictureHeight, const std::uint8_t* TopDownRgb) {
  if (PictureWidth < 0) PictureWidth = 0;
  if (PictureHeight < 0) PictureHeight = 0;
  SetWidth(PictureWidth);
  SetHeight(PictureHeight);
  // Points outside the picture read as the invalid colour -1.
  const std::uint32_t outside = ColorToRGBA(-1, 255);
  auto* px = static_cast<std::uint32_t*>(Data());
  for (int i = 0; i < height_; ++i) {          // picture row, from the top
    std::uint32_t* dst = px + static_cast<std::size_t>(height_ - 1 - i) * width_;
    for (int j = 0; j < width_; ++j) {
      if (i < PictureHeight && j < PictureWidth && TopDownRgb) {
        const std::uint8_t* s = TopDownRgb + (static_cast<std::size_t>(i) * PictureWidth + j) * 3u;
        dst[j] = ColorToRGBA(s[0] | (s[1] << 8) | (s[2] << 16), 255);
      } else {
        dst[j] = outside;
      }
    }
  }
}

void TCGImage::LoadFromJPEG(const std::string& FileName) {
  const std::string path = platform::ResolvePath(FileName);
  std::vector<unsigned char> file;
  if (!ReadWholeFile(path, &file)) throw EFOpenError("Cannot open file \"" + FileName + "\"");
  DecodedPicture picture;
  std::string error;
  auto state = std::make_unique<JpegState>();
  if (!DecodeJpeg(state.get(), file, &picture, &error))
    throw EJPEG("JPEG error in \"" + FileName + "\": " + error);
  LoadFromRGB(picture.width, picture.height, picture.rgb.data());
}

// ---- TCGTexture -------------------------------------------------------------

TCGTexture::TCGTexture() {
  glGenTextures(1, &name_);
  SetWrapS(true);
  SetWrapT(true);
  SetMinFilter(false);
  SetMagFilter(false);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

TCGTexture::~TCGTexture() {
  if (name_ != 0) glDeleteTextures(1, &name_);
}

static int RoundUpToPowerOfTwo(int v) {
  if (v < 1) return 1;
  if (IsPowerOfTwo(v)) return v;
  if (v > (1 << 30)) return 1 << 30;
  int p = 1;
  while (p < v) p <<= 1;
  return p;
}

void TCGTexture::SetWidth(int W) { TCGImage::SetWidth(RoundUpToPowerOfTwo(W)); }
void TCGTexture::SetHeight(int H) { TCGImage::SetHeight(RoundUpToPowerOfTwo(H)); }

// The parameters belong to this texture's object; the binding in use is
// left as it was.
void TCGTexture::SetParameter(unsigned pname, int value) {
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glBindTexture(GL_TEXTURE_2D, name_);
  glTexParameteri(GL_TEXTURE_2D, pname, value);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
}

void TCGTexture::SetWrapS(bool B) {
  SetParameter(GL_TEXTURE_WRAP_S, B ? GL_REPEAT : GL_CLAMP);
  wrapS_ = B;
}
void TCGTexture::SetWrapT(bool B) {
  SetParameter(GL_TEXTURE_WRAP_T, B ? GL_REPEAT : GL_CLAMP);
  wrapT_ = B;
}
void TCGTexture::SetMinFilter(bool B) {
  SetParameter(GL_TEXTURE_MIN_FILTER, B ? GL_LINEAR : GL_NEAREST);
  minFilter_ = B;
}
void TCGTexture::SetMagFilter(bool B) {
  SetParameter(GL_TEXTURE_MAG_FILTER, B ? GL_LINEAR : GL_NEAREST);
  magFilter_ = B;
}

void TCGTexture::Enable() {
  glBindTexture(GL_TEXTURE_2D, name_);
  const void* pixels = static_cast<const TDArray&>(*this).Data();
  if (dirty_ && pixels != nullptr && Width() > 0 && Height() > 0) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, Width(), Height(), 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    glPopClientAttrib();
    dirty_ = false;
    ++g_uploads;
  }
  glEnable(GL_TEXTURE_2D);
}

void TCGTexture::Disable() { glDisable(GL_TEXTURE_2D); }

long TCGTexture::UploadCount() { return g_uploads.load(); }
