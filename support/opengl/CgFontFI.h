// Outline font: one display list per character code 32 to 176
// (Windows-1252; 176 is the degree sign), glyphs as extruded polygons in em
// units (1 em = 1.0), each list ending with the move to the next
// character's origin, drawn as the smoothed outlines of their triangles.
// Where the depth range hides the extrusion (the programs' own drawing),
// the glyphs' front faces are drawn from arrays, a string in one go.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/FontOutlines.h"
#include "platform/GLForm.h"
#include "support/opengl/CgTextCache.h"

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

  // Ends a frame for every font: strings that stood still in the last two
  // frames are kept as pixels and put on the screen whole from then on
  // (support/opengl/CgTextCache.h). The program calls it once a frame
  // after the displays are drawn, before the buffers are swapped; without
  // it every string is drawn edge by edge.
  static void EndFrame();

  // Between BeginRun and EndRun the caller draws nothing but strings (it
  // may change the colour and the matrices): kept strings of one font that
  // follow each other are then put on the screen in one go. A string drawn
  // edge by edge, or kept by another font, puts those gathered before it
  // on the screen first, so the order stays.
  static void BeginRun();
  static void EndRun();
  cgtext::TTextCache::Stats CacheStatistics() const { return cache_.Statistics(); }

  unsigned ListBase = 0;  // first of 145 lists; 0 when none could be made
  float Size = 0;

  // Tests record every text printed: called at the start of each Print
  // that draws (with the text as drawn, after the leading blank is dropped).
  using PrintHook = std::function<void(const TCGFont3D& font, const char* text, float x, float y, float z)>;
  static void SetPrintHook(PrintHook hook);

 private:
  // The string's front faces in one draw; its glyph box.
  void DrawFrontFaces(const std::string& codes);
  static void FlushRun();
  cgtext::Box StringBox(const std::string& codes) const;

  // Front faces per code, for strings whose extruded part lies beyond the
  // depth range; empty when the font could not give them.
  std::vector<platform::GlyphFaces> faces_;
  std::vector<cgtext::Box> boxes_;  // per code; empty boxes for blanks
  std::vector<float> scratch_;      // the vertices of the string being drawn
  cgtext::TTextCache cache_;
};
