// Outline font drawn from display lists: one list per character code 32 to
// 176 (Windows-1252; 176 is the degree sign), glyphs as filled polygons in
// em units (1 em = 1.0), each list ending with the move to the next
// character's origin.
#pragma once
#include <functional>

#include "platform/GLForm.h"

class TCGFont3D {
 public:
  // Face: typeface name; Size: scale of every string drawn; Extrusion is
  // ignored (glyphs are always extruded by 0.2); DC: the window whose
  // context is current.
  TCGFont3D(const char* Face, float Size, float Extrusion, platform::HDC DC);
  ~TCGFont3D();
  TCGFont3D(const TCGFont3D&) = delete;
  TCGFont3D& operator=(const TCGFont3D&) = delete;

  // Draws Text in the current colour with its origin at (X, Y, Z) times
  // Size in the caller's coordinates. A leading blank is dropped.
  void Print(const char* Text, float X, float Y, float Z);

  unsigned ListBase = 0;  // first of 145 lists; 0 when none could be made
  float Size = 0;

  // Tests record every text printed: called at the start of each Print
  // that draws (with the text as drawn, after the leading blank is dropped).
  using PrintHook = std::function<void(const TCGFont3D& font, const char* text, float x, float y, float z)>;
  static void SetPrintHook(PrintHook hook);

 private:
  unsigned flatListBase_ = 0;  // the same glyphs without their extrusion; 0 when none
};
