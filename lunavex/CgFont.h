// The standby display program's fonts: a bitmap font and its own outline
// font (filled glyphs, drawn at the caller's size with no outline pass).
// Both build their glyphs once into display lists while the window's
// rendering context is current, and keep them until the program ends.
#pragma once
#include <functional>

#include "platform/GLForm.h"

namespace lunavex {

// Bitmap glyphs for the codes 32 to 127, one display list each.
class TCGFont2D {
 public:
  // Face: typeface name; Size: pixel height; Weight: 100 (thin) to 1000
  // (heaviest), larger values are taken as 1000.
  TCGFont2D(const char* Face, int Size, int Weight, platform::HDC DC);
  TCGFont2D(const TCGFont2D&) = delete;
  TCGFont2D& operator=(const TCGFont2D&) = delete;

  static constexpr int kFirst = 32;
  static constexpr int kCount = 96;
  unsigned ListBase = 0;  // first of kCount lists; 0 when none could be made
  int Weight = 0;         // the weight the font was made with
};

// Outline glyphs for the codes 32 to 176 as filled polygons, one display
// list each, every list ending with the move to the next character.
class TCGFont3D {
 public:
  TCGFont3D(const char* Face, float Size, float Extrusion, platform::HDC DC);
  TCGFont3D(const TCGFont3D&) = delete;
  TCGFont3D& operator=(const TCGFont3D&) = delete;

  // Draws Text with its origin (left end of the baseline) at (X, Y, Z)
  // times Size in the current coordinates, on the current matrix. Every
  // character is drawn, a leading blank too; a null Text draws nothing.
  void Print(const char* Text, float X, float Y, float Z) const;

  static constexpr int kFirst = 32;
  static constexpr int kCount = 145;
  unsigned ListBase = 0;  // first of kCount lists; 0 when none could be made
  float Size = 0;

  // Tests record every text printed: called at the start of each Print
  // of a non-null text.
  using PrintHook = std::function<void(const TCGFont3D& font, const char* text, float x, float y, float z)>;
  static void SetPrintHook(PrintHook hook);
};

}  // namespace lunavex
