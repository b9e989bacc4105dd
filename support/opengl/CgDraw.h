// Small drawing helpers shared by the PFD gauges and the ND elements:
// their colours, single lines, and texts placed either in a font's own
// units or at a point of the drawing.
#pragma once
#include <GL/gl.h>

#include <cmath>
#include <string>

#include "platform/Numbers.h"
#include "support/opengl/CgFontFI.h"

namespace cgdraw {

inline void BackgroundColour() { glColor3ub(51, 51, 76); }
inline void SelectedColour() { glColor3ub(225, 125, 225); }  // magenta: selected values
inline void AmberColour() { glColor3f(1, 1, 0); }
inline void GreenColour() { glColor3f(0, 1, 0); }
inline void WhiteColour() { glColor3f(1, 1, 1); }
inline void CyanColour() { glColor3f(0.4f, 0.8f, 1.0f); }  // ND symbols and flags
inline void BlackColour() { glColor3f(0, 0, 0); }

// One line from (x1, y1) to (x2, y2) as its own GL_LINES group.
inline void Line(double x1, double y1, double x2, double y2) {
  glBegin(GL_LINES);
  glVertex2d(x1, y1);
  glVertex2d(x2, y2);
  glEnd();
}

// The two vertices of one line, for use inside an open GL_LINES group.
inline void LineVertices(double x1, double y1, double x2, double y2) {
  glVertex2d(x1, y1);
  glVertex2d(x2, y2);
}

// Integer text with "." locale-free formatting ("-2" for -2).
inline std::string Number(long long v) { return platform::FormatInt(v); }

// Prints text with Print's own positions (in units of the font's size).
// A missing font or an empty text draws nothing.
inline void PrintUnits(TCGFont3D* font, const std::string& text, double x, double y) {
  if (font == nullptr || text.empty()) return;
  font->Print(text.c_str(), static_cast<float>(x), static_cast<float>(y), 0.0f);
}

// Prints text with its origin at the gauge point (gx, gy), moved by
// (dx, dy) in the font's own units.
inline void PrintAt(TCGFont3D* font, const std::string& text, double gx, double gy, double dx = 0,
                    double dy = 0) {
  if (font == nullptr || font->Size == 0.0f) return;
  PrintUnits(font, text, gx / font->Size + dx, gy / font->Size + dy);
}

// The largest angle (degrees) or offset (drawing units) handed to GL.
// Far beyond anything drawn, yet so far inside the single range that sums
// and differences of such values formed in singles stay finite, and a turn
// or shift undone by its opposite gives the matrix back to well within a
// pixel. A value beyond the single range would reach GL as an infinity,
// and one such turn fills the model-view matrix with NaN.
inline constexpr double kGlLimit = 1e6;

// A value from the broker or computed from it, made finite: NaN gives 0
// and everything else is limited to +-limit, so no drawing sees them.
inline double Finite(double v, double limit = kGlLimit) {
  if (std::isnan(v)) return 0.0;
  return platform::Clamp(v, -limit, limit);
}

}  // namespace cgdraw
