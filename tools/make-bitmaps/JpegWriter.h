// Writes RGB pictures as baseline JPEG files.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace bitmaps {

// A picture of 3-byte RGB pixels, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;

  Picture() = default;
  Picture(int w, int h) : width(w), height(h), rgb(static_cast<std::size_t>(w) * h * 3, 0) {}
  std::uint8_t* At(int x, int y) { return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3; }
  void Set(int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    std::uint8_t* p = At(x, y);
    p[0] = r;
    p[1] = g;
    p[2] = b;
  }
};

// Encodes picture into JPEG bytes; empty on failure.
std::vector<std::uint8_t> EncodeJpeg(const Picture& picture, int quality);
// Writes picture as a JPEG file; false on failure.
bool WriteJpeg(const std::string& path, const Picture& picture, int quality);

}  // namespace bitmaps
