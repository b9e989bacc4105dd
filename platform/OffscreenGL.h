// Offscreen OpenGL context for drawing tests and benchmarks: EGL on Mesa's
// surfaceless platform with a pbuffer (RGBA8, depth 24, stencil 8, desktop
// GL compatibility profile). No X server is needed.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class OffscreenGL {
 public:
  OffscreenGL(int width, int height);
  ~OffscreenGL();
  OffscreenGL(const OffscreenGL&) = delete;
  OffscreenGL& operator=(const OffscreenGL&) = delete;

  bool Valid() const { return valid_; }
  const std::string& Error() const { return error_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool MakeCurrent();
  // RGBA bytes, bottom row first (OpenGL's order).
  std::vector<uint8_t> ReadPixels() const;

 private:
  int width_, height_;
  bool valid_ = false;
  std::string error_;
  void* display_ = nullptr;
  void* surface_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace platform
