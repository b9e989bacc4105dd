// Helpers shared by the tests: temporary folders, files, the one offscreen
// OpenGL fixture for every drawing test, pixel reads and reference pictures.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/OffscreenGL.h"
#include "tests/common/ReferencePicture.h"

namespace testsupport {

// A fresh folder under /tmp, removed with everything in it at destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Path of a file inside, with "/" separators.
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
bool Exists(const std::string& path);
// Creates folder and parents.
void MakeDirs(const std::string& path);

struct Rgba {
  uint8_t r, g, b, a;
};

// The shared offscreen context (created once, kSize x kSize pixels).
class GLTest : public ::testing::Test {
 public:
  static constexpr int kSize = 512;
  static platform::OffscreenGL& Context();

 protected:
  void SetUp() override;
  // Pixel at (x, y) with y counted from the bottom, as OpenGL does.
  Rgba Pixel(int x, int y) const;
  // Reads the whole frame back (call once after drawing, before Pixel).
  void ReadBack();
  // Counts pixels in a rectangle whose colour is within tol of c.
  int CountColour(int x0, int y0, int x1, int y1, Rgba c, int tol = 40) const;
  // Compares the frame read back with its reference picture (see
  // ReferencePicture.h) and writes it under build/test-frames/.
  void ExpectPicture(const std::string& name, PictureTolerance tol = {}) const;
  std::vector<uint8_t> pixels_;
};

// Staged program folder and build folder, from the test environment.
std::string StageDir();
std::string BinaryDir();
std::string SourceDir();

}  // namespace testsupport
