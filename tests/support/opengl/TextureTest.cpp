// Images and textures: JPEG loading (size, row order, bytes, padding),
// failures that leave the image untouched, and texture uploads.
#include <GL/gl.h>

#include <cstdio>
#include <cstring>

#include "platform/Paths.h"
#include "support/opengl/CgTexture.h"
#include "support/opengl/CgTypes.h"
#include "support/opengl/CgUtils.h"
#include "tests/common/TestSupport.h"
#include "tools/make-bitmaps/JpegWriter.h"

namespace {

using bitmaps::Picture;

// A picture with four solid quadrants: red top left, green top right,
// blue bottom left, white bottom right. Solid areas survive JPEG well.
Picture Quadrants(int w, int h) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const bool top = y < h / 2, left = x < w / 2;
      if (top && left) p.Set(x, y, 255, 0, 0);
      else if (top) p.Set(x, y, 0, 255, 0);
      else if (left) p.Set(x, y, 0, 0, 255);
      else p.Set(x, y, 255, 255, 255);
    }
  return p;
}

void ExpectNear(std::uint32_t px, int r, int g, int b, const char* where) {
  const int pr = px & 0xFF, pg = (px >> 8) & 0xFF, pb = (px >> 16) & 0xFF, pa = px >> 24;
  EXPECT_NEAR(pr, r, 24) << where;
  EXPECT_NEAR(pg, g, 24) << where;
  EXPECT_NEAR(pb, b, 24) << where;
  EXPECT_EQ(pa, 255) << where;
}

std::string WriteQuadrantJpeg(const testsupport::TempDir& dir, const std::string& name, int w, int h) {
  const std::string path = dir.File(name);
  EXPECT_TRUE(bitmaps::WriteJpeg(path, Quadrants(w, h), 95));
  return path;
}

TEST(Helpers, PackingPowersAndArrays) {
  EXPECT_EQ(ColorToRGBA(0x563412, 255), 0xFF563412u);
  EXPECT_EQ(ColorToRGBA(-1, 255), 0xFF0000FFu);  // the invalid colour is opaque red
  EXPECT_FLOAT_EQ(CgPower(2, -2), 0.25f);
  EXPECT_FLOAT_EQ(CgPower(7.5f, 0), 1.0f);
  EXPECT_FLOAT_EQ(CgPower(0, 0), 1.0f);
  EXPECT_FLOAT_EQ(CgPower(-2, 3), -8.0f);
  EXPECT_FLOAT_EQ(CgPower(-2, 2000000001), -std::numeric_limits<float>::infinity());
  EXPECT_TRUE(IsPowerOfTwo(1));
  EXPECT_TRUE(IsPowerOfTwo(2));
  EXPECT_TRUE(IsPowerOfTwo(1 << 30));
  EXPECT_FALSE(IsPowerOfTwo(0));
  EXPECT_FALSE(IsPowerOfTwo(6));
  EXPECT_FALSE(IsPowerOfTwo(-4));

  TCGImage img;
  EXPECT_EQ(img.ElementSize(), 4);
  std::uint32_t v = 0x11223344;
  img.SetItem(0, &v);
  EXPECT_EQ(img.Count(), 1);
  img.SetItem(img.Count(), &v);  // index equal to Count grows by one
  EXPECT_EQ(img.Count(), 2);
  img.SetItem(-1, &v);           // ignored
  EXPECT_EQ(img.Count(), 2);
  img.SetCount(-5);
  EXPECT_EQ(img.Count(), 0);
  EXPECT_THROW(img.SetCount(0x7FFFFFFF), std::length_error);
}

TEST(Helpers, ImageWidthKeepsRows) {
  TCGImage img;
  img.SetWidth(2);
  img.SetHeight(2);
  img.SetPixel(0, 0, 1);
  img.SetPixel(1, 0, 2);
  img.SetPixel(0, 1, 3);
  img.SetPixel(1, 1, 4);
  img.SetWidth(3);  // rows move to their new starts
  EXPECT_EQ(img.Count(), 6);
  EXPECT_EQ(img.Pixel(0, 0), 1u);
  EXPECT_EQ(img.Pixel(1, 0), 2u);
  EXPECT_EQ(img.Pixel(0, 1), 3u);
  EXPECT_EQ(img.Pixel(1, 1), 4u);
  img.SetWidth(1);  // shrinking keeps the left column
  EXPECT_EQ(img.Pixel(0, 0), 1u);
  EXPECT_EQ(img.Pixel(0, 1), 3u);
}

TEST(Jpeg, PlainImageHasThePictureSizeUpright) {
  testsupport::TempDir dir;
  const std::string path = WriteQuadrantJpeg(dir, "q.jpg", 300, 200);
  TCGImage img;
  img.LoadFromJPEG(path);
  ASSERT_EQ(img.Width(), 300);
  ASSERT_EQ(img.Height(), 200);
  // Row 0 is the bottom of the picture.
  ExpectNear(img.Pixel(10, 10), 0, 0, 255, "bottom left");
  ExpectNear(img.Pixel(290, 10), 255, 255, 255, "bottom right");
  ExpectNear(img.Pixel(10, 190), 255, 0, 0, "top left");
  ExpectNear(img.Pixel(290, 190), 0, 255, 0, "top right");
}

TEST(Jpeg, WindowsStylePathsResolve) {
  testsupport::TempDir dir;
  testsupport::MakeDirs(dir.File("Bitmaps"));
  WriteQuadrantJpeg(dir, "Bitmaps/Frame.JPG", 16, 16);
  TCGImage img;
  img.LoadFromJPEG(dir.Path() + "\\bitmaps\\frame.jpg");
  EXPECT_EQ(img.Width(), 16);
}

class TextureTest : public testsupport::GLTest {};

TEST_F(TextureTest, TextureIsPaddedToPowersOfTwoWithOpaqueRed) {
  testsupport::TempDir dir;
  const std::string path = WriteQuadrantJpeg(dir, "q.jpg", 300, 200);
  TCGTexture tex;
  tex.LoadFromJPEG(path);
  ASSERT_EQ(tex.Width(), 512);
  ASSERT_EQ(tex.Height(), 256);
  // The picture fills columns 0..299 of rows 56..255, upright.
  ExpectNear(tex.Pixel(10, 60), 0, 0, 255, "picture bottom left");
  ExpectNear(tex.Pixel(290, 60), 255, 255, 255, "picture bottom right");
  ExpectNear(tex.Pixel(10, 250), 255, 0, 0, "picture top left");
  ExpectNear(tex.Pixel(290, 250), 0, 255, 0, "picture top right");
  EXPECT_EQ(tex.Pixel(300, 100), 0xFF0000FFu);  // right of the picture
  EXPECT_EQ(tex.Pixel(10, 55), 0xFF0000FFu);    // below it
  EXPECT_EQ(tex.Pixel(511, 0), 0xFF0000FFu);
}

TEST_F(TextureTest, SizesRoundUp) {
  TCGTexture tex;
  tex.SetWidth(0);
  EXPECT_EQ(tex.Width(), 1);
  tex.SetWidth(64);
  EXPECT_EQ(tex.Width(), 64);
  tex.SetWidth(65);
  EXPECT_EQ(tex.Width(), 128);
  tex.SetHeight(-3);
  EXPECT_EQ(tex.Height(), 1);
  EXPECT_TRUE(tex.WrapS());
  EXPECT_TRUE(tex.WrapT());
  EXPECT_FALSE(tex.MinFilter());
  EXPECT_FALSE(tex.MagFilter());
}

// Each bad file raises and leaves the image exactly as it was.
TEST_F(TextureTest, BadFilesFailCleanly) {
  testsupport::TempDir dir;
  const std::string good = WriteQuadrantJpeg(dir, "good.jpg", 64, 32);
  const std::string bytes = testsupport::ReadFile(good);
  testsupport::WriteFile(dir.File("truncated.jpg"), bytes.substr(0, bytes.size() / 2));
  std::string corrupt = bytes;
  for (std::size_t i = 20; i < corrupt.size() && i < 400; ++i) corrupt[i] = static_cast<char>(0x5A ^ i);
  testsupport::WriteFile(dir.File("corrupt.jpg"), corrupt);
  testsupport::WriteFile(dir.File("empty.jpg"), "");
  testsupport::WriteFile(dir.File("text.jpg"), "not a picture at all");

  TCGTexture tex;
  tex.LoadFromJPEG(good);
  const std::string before(static_cast<const char*>(static_cast<const TDArray&>(tex).Data()),
                           static_cast<std::size_t>(tex.Count()) * 4);
  EXPECT_THROW(tex.LoadFromJPEG(dir.File("missing.jpg")), EFOpenError);
  EXPECT_THROW(tex.LoadFromJPEG(dir.File("truncated.jpg")), EJPEG);
  EXPECT_THROW(tex.LoadFromJPEG(dir.File("corrupt.jpg")), EJPEG);
  EXPECT_THROW(tex.LoadFromJPEG(dir.File("empty.jpg")), EJPEG);
  EXPECT_THROW(tex.LoadFromJPEG(dir.File("text.jpg")), EJPEG);
  EXPECT_THROW(tex.LoadFromJPEG(dir.Path()), EFOpenError);  // a folder
  ASSERT_EQ(tex.Width(), 64);
  ASSERT_EQ(tex.Height(), 32);
  EXPECT_EQ(std::string(static_cast<const char*>(static_cast<const TDArray&>(tex).Data()), before.size()), before);
}

// A header that claims 60000 x 60000 pixels is refused before any pixel
// memory is taken.
TEST_F(TextureTest, HugeHeaderIsRejected) {
  testsupport::TempDir dir;
  const std::string path = WriteQuadrantJpeg(dir, "small.jpg", 16, 16);
  std::string bytes = testsupport::ReadFile(path);
  // Patch the height and width of the SOF0 frame header.
  std::size_t sof = std::string::npos;
  for (std::size_t i = 2; i + 9 < bytes.size(); ++i)
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && static_cast<unsigned char>(bytes[i + 1]) == 0xC0) {
      sof = i;
      break;
    }
  ASSERT_NE(sof, std::string::npos);
  bytes[sof + 5] = static_cast<char>(0xEA);
  bytes[sof + 6] = static_cast<char>(0x60);
  bytes[sof + 7] = static_cast<char>(0xEA);
  bytes[sof + 8] = static_cast<char>(0x60);
  testsupport::WriteFile(dir.File("huge.jpg"), bytes);
  TCGTexture tex;
  try {
    tex.LoadFromJPEG(dir.File("huge.jpg"));
    FAIL() << "a 60000 x 60000 header was accepted";
  } catch (const EJPEG& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
  EXPECT_EQ(tex.Width(), 0);
  EXPECT_EQ(tex.Count(), 0);
}

// Uploaded once, then only bound; drawing shows the picture.
TEST_F(TextureTest, UploadOnceThenBind) {
  testsupport::TempDir dir;
  const std::string path = WriteQuadrantJpeg(dir, "q.jpg", 64, 64);
  TCGTexture a, b;
  a.LoadFromJPEG(path);
  b.LoadFromJPEG(path);
  EXPECT_NE(a.TextureName(), 0u);
  EXPECT_NE(a.TextureName(), b.TextureName());
  const long start = TCGTexture::UploadCount();
  for (int frame = 0; frame < 5; ++frame) {
    a.Enable();
    a.Disable();
    b.Enable();
    b.Disable();
  }
  EXPECT_EQ(TCGTexture::UploadCount() - start, 2);

  // A change to the pixels uploads again at the next Enable.
  a.SetPixel(0, 0, 0xFF00FF00u);
  a.Enable();
  EXPECT_EQ(TCGTexture::UploadCount() - start, 3);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned>(bound), a.TextureName());
  EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
  a.Disable();
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));

  // Draw b over the whole viewport: the four quadrants appear upright.
  glColor3f(1, 1, 1);
  b.Enable();
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0); glVertex2f(-1, -1);
  glTexCoord2f(1, 0); glVertex2f(1, -1);
  glTexCoord2f(1, 1); glVertex2f(1, 1);
  glTexCoord2f(0, 1); glVertex2f(-1, 1);
  glEnd();
  b.Disable();
  ReadBack();
  const auto tl = Pixel(100, 400), tr = Pixel(400, 400), bl = Pixel(100, 100), br = Pixel(400, 100);
  EXPECT_GT(tl.r, 200); EXPECT_LT(tl.g, 60);
  EXPECT_GT(tr.g, 200); EXPECT_LT(tr.r, 60);
  EXPECT_GT(bl.b, 200); EXPECT_LT(bl.r, 60);
  EXPECT_GT(br.r, 200); EXPECT_GT(br.g, 200); EXPECT_GT(br.b, 200);
  EXPECT_EQ(TCGTexture::UploadCount() - start, 3);
}

// Setters act on the texture's own object and leave the binding alone.
TEST_F(TextureTest, SettersKeepTheBinding) {
  TCGTexture a, b;
  glBindTexture(GL_TEXTURE_2D, a.TextureName());
  b.SetMagFilter(true);
  b.SetWrapS(false);
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<unsigned>(bound), a.TextureName());
  GLint mag = 0, wrap = 0;
  glBindTexture(GL_TEXTURE_2D, b.TextureName());
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
  EXPECT_EQ(mag, GL_LINEAR);
  EXPECT_EQ(wrap, 0x2900);  // GL_CLAMP
  glBindTexture(GL_TEXTURE_2D, 0);
  GLfloat mode = 0;
  glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(static_cast<GLenum>(mode), static_cast<GLenum>(GL_MODULATE));
}

}  // namespace
