// Colour packing of the images: one 32-bit pixel holds red, green, blue and
// alpha from its lowest byte up, the layout GL_RGBA/GL_UNSIGNED_BYTE reads.
#pragma once
#include <cstdint>

// Color: red in its lowest byte, then green, then blue (a toolkit colour
// value; -1 is the "invalid" colour and packs as opaque red).
std::uint32_t ColorToRGBA(std::int32_t Color, std::uint8_t Alpha);
