#include "support/opengl/CgTypes.h"

std::uint32_t ColorToRGBA(std::int32_t Color, std::uint8_t Alpha) {
  // Signed division truncating toward zero, each byte cut to 8 bits.
  const std::uint32_t r = static_cast<std::uint32_t>(Color % 256) & 0xFFu;
  const std::uint32_t g = static_cast<std::uint32_t>((Color / 256) % 256) & 0xFFu;
  const std::uint32_t b = static_cast<std::uint32_t>(Color / 65536) & 0xFFu;
  return r | (g << 8) | (b << 16) | (static_cast<std::uint32_t>(Alpha) << 24);
}
