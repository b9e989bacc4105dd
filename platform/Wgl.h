// Pixel format, palette and rendering-context calls of the OpenGL form,
// carried out on the FLTK window of platform/GLForm. The GL area always
// gets a true-colour, double-buffered RGBA format with depth 24 and
// stencil 8; a palette is never needed on X11's true-colour visuals.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/GLForm.h"

namespace platform {

using HGLRC = std::uintptr_t;
using HPALETTE = std::uintptr_t;

struct PIXELFORMATDESCRIPTOR {
  std::uint16_t nSize = 0;
  std::uint16_t nVersion = 0;
  std::uint32_t dwFlags = 0;
  std::uint8_t iPixelType = 0;
  std::uint8_t cColorBits = 0;
  std::uint8_t cRedBits = 0, cRedShift = 0;
  std::uint8_t cGreenBits = 0, cGreenShift = 0;
  std::uint8_t cBlueBits = 0, cBlueShift = 0;
  std::uint8_t cAlphaBits = 0, cAlphaShift = 0;
  std::uint8_t cAccumBits = 0, cAccumRedBits = 0, cAccumGreenBits = 0, cAccumBlueBits = 0,
               cAccumAlphaBits = 0;
  std::uint8_t cDepthBits = 0;
  std::uint8_t cStencilBits = 0;
  std::uint8_t cAuxBuffers = 0;
  std::uint8_t iLayerType = 0;
  std::uint8_t bReserved = 0;
  std::uint32_t dwLayerMask = 0, dwVisibleMask = 0, dwDamageMask = 0;
};

constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x1;
constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x4;
constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x20;
constexpr std::uint32_t PFD_NEED_PALETTE = 0x80;
constexpr std::uint8_t PFD_TYPE_RGBA = 0;
constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;
constexpr std::uint8_t PFD_MAIN_PLANE = 0;

struct PALETTEENTRY {
  std::uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);
int DescribePixelFormat(HDC dc, int format, unsigned size, PIXELFORMATDESCRIPTOR* pfd);
HPALETTE CreatePalette(const std::vector<PALETTEENTRY>& entries);
void SelectPalette(HDC dc, HPALETTE palette, bool background);
void RealizePalette(HDC dc);
void DeleteObject(HPALETTE palette);

// Creates (shows the window and makes) the GL context; 0 when none.
HGLRC wglCreateContext(HDC dc);
bool wglMakeCurrent(HDC dc, HGLRC rc);
bool wglDeleteContext(HGLRC rc);
bool SwapBuffers(HDC dc);
void ReleaseDC(HDC dc);

// Counts of the calls above, for tests.
struct WglCallCounts {
  int makeCurrent = 0, deleteContext = 0, releaseDC = 0, deletePalette = 0, swap = 0;
};
WglCallCounts& WglCalls();

}  // namespace platform
