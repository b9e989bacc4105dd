// RGBA images loaded from JPEG files and OpenGL textures made from them.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

#include "support/opengl/DArrays.h"

// The file could not be opened or read.
class EFOpenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file is not a JPEG image the decoder accepts (corrupt, truncated or
// too large).
class EJPEG : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True for 1, 2, 4, 8, ...; false for 0, negative numbers and every other value.
bool IsPowerOfTwo(int N);

// An image of 32-bit pixels (red in the lowest byte, then green, blue,
// alpha). Pixel (x, y) is element x + y * Width; row 0 is the bottom row.
class TCGImage : public TDArray {
 public:
  TCGImage();
  ~TCGImage() override = default;

  int Width() const { return width_; }
  int Height() const { return height_; }
  virtual void SetWidth(int W);
  virtual void SetHeight(int H);

  void SetPixel(int X, int Y, std::uint32_t Value);
  std::uint32_t* PixelAddress(int X, int Y);
  std::uint32_t Pixel(int X, int Y) const;

  // Loads a JPEG file (any path form ResolvePath accepts, e.g.
  // "bitmaps\\frame.jpg"). The image is sized through SetWidth/SetHeight,
  // so a texture rounds up to powers of two; the picture fills the top
  // left, upright, and the extra pixels are opaque red. Throws EFOpenError
  // for a missing or unreadable file and EJPEG for a corrupt, truncated or
  // oversized one; the image is then left exactly as it was.
  void LoadFromJPEG(const std::string& FileName);

  // Fills the image from a top-down RGB picture (3 bytes a pixel), the way
  // LoadFromJPEG does with the decoded picture.
  void LoadFromRGB(int PictureWidth, int PictureHeight, const std::uint8_t* TopDownRgb);

 private:
  int width_ = 0;
  int height_ = 0;
};

// An image uploaded as an OpenGL 2D texture. It owns one texture object:
// the pixels are uploaded at the first Enable after they change and the
// object is only bound after that. Create, use and destroy it while the
// rendering context is current.
class TCGTexture : public TCGImage {
 public:
  TCGTexture();
  ~TCGTexture() override;
  TCGTexture(const TCGTexture&) = delete;
  TCGTexture& operator=(const TCGTexture&) = delete;

  // Round up to the next power of two (values below 1 become 1).
  void SetWidth(int W) override;
  void SetHeight(int H) override;

  // true: GL_REPEAT / GL_LINEAR; false: GL_CLAMP / GL_NEAREST.
  bool WrapS() const { return wrapS_; }
  bool WrapT() const { return wrapT_; }
  bool MinFilter() const { return minFilter_; }
  bool MagFilter() const { return magFilter_; }
  void SetWrapS(bool B);
  void SetWrapT(bool B);
  void SetMinFilter(bool B);
  void SetMagFilter(bool B);

  // Binds the texture (uploading the pixels first when they changed) and
  // enables 2D texturing.
  void Enable();
  // Disables 2D texturing.
  void Disable();

  unsigned TextureName() const { return name_; }
  // Number of pixel uploads done by all textures, for tests.
  static long UploadCount();

 protected:
  void Modified() override { dirty_ = true; }

 private:
  void SetParameter(unsigned pname, int value);
  unsigned name_ = 0;
  bool dirty_ = true;
  bool wrapS_ = true, wrapT_ = true, minFilter_ = false, magFilter_ = false;
};
