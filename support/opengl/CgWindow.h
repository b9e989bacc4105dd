// OpenGL form: the window every OpenGL display of the programs derives
// from. It owns the device context, the pixel format, a palette when the
// format needs one, and the rendering context, and swaps after each frame.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/GLForm.h"
#include "platform/Wgl.h"

// Pixel-format options for the next SetDCPixelFormat; reset after each use.
extern bool UseDoubleBuffer;
extern bool UseColorIndex;

// Chooses and sets the pixel format of DC; returns the palette it realised
// (0 when the format needs none).
platform::HPALETTE SetDCPixelFormat(platform::HDC DC);

// Colour entries of the logical palette for a palette-based format: 2 to
// the power cColorBits entries spreading each channel evenly from 0 to 255.
// Empty for a format that does not need a palette.
std::vector<platform::PALETTEENTRY> BuildPaletteEntries(const platform::PIXELFORMATDESCRIPTOR& pfd);

class TCGForm : public platform::GLForm {
 public:
  TCGForm(int left, int top, int width, int height, const std::string& caption);
  ~TCGForm() override;

  void CreateRenderContext();
  void MakeContextCurrent();
  void SwapPage();
  void ReleaseRenderContext();

  platform::HDC DC = nullptr;
  platform::HGLRC RC = 0;
  platform::HPALETTE Palette = 0;
};
