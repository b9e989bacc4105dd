#include "platform/Wgl.h"

#include <map>

namespace platform {
namespace {
GLForm* FormOf(HDC dc) { return reinterpret_cast<GLForm*>(dc); }
std::map<HPALETTE, std::vector<PALETTEENTRY>>& Palettes() {
  static std::map<HPALETTE, std::vector<PALETTEENTRY>> p;
  return p;
}
}  // namespace

WglCallCounts& WglCalls() {
  static WglCallCounts counts;
  return counts;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR*) { return dc ? 1 : 0; }

bool SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
  // The GL area was created with RGBA8, double buffer, depth 24, stencil 8.
  return dc && format == 1;
}

int DescribePixelFormat(HDC dc, int format, unsigned, PIXELFORMATDESCRIPTOR* pfd) {
  if (!dc || format != 1 || !pfd) return 0;
  *pfd = PIXELFORMATDESCRIPTOR{};
  pfd->nSize = 40;
  pfd->nVersion = 1;
  pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd->iPixelType = PFD_TYPE_RGBA;
  pfd->cColorBits = 24;
  pfd->cRedBits = 8;
  pfd->cRedShift = 16;
  pfd->cGreenBits = 8;
  pfd->cGreenShift = 8;
  pfd->cBlueBits = 8;
  pfd->cBlueShift = 0;
  pfd->cAlphaBits = 8;
  pfd->cDepthBits = 24;
  pfd->cStencilBits = 8;
  pfd->iLayerType = PFD_MAIN_PLANE;
  return 1;
}

HPALETTE CreatePalette(const std::vector<PALETTEENTRY>& entries) {
  if (entries.empty()) return 0;
  static HPALETTE next = 1;
  Palettes()[next] = entries;
  return next++;
}

void SelectPalette(HDC, HPALETTE, bool) {}
void RealizePalette(HDC) {}

void DeleteObject(HPALETTE palette) {
  ++WglCalls().deletePalette;
  Palettes().erase(palette);
}

HGLRC wglCreateContext(HDC dc) {
  GLForm* form = FormOf(dc);
  if (!form) return 0;
  form->Show();
  return form->MakeCurrent() ? reinterpret_cast<HGLRC>(form) : 0;
}

bool wglMakeCurrent(HDC dc, HGLRC rc) {
  ++WglCalls().makeCurrent;
  if (!dc || !rc) return true;  // releasing: FLTK keeps its context until the window goes
  return FormOf(dc)->MakeCurrent();
}

bool wglDeleteContext(HGLRC rc) {
  ++WglCalls().deleteContext;
  return rc != 0;  // the context ends with its window
}

bool SwapBuffers(HDC dc) {
  ++WglCalls().swap;
  if (!dc) return false;
  FormOf(dc)->SwapBuffers();
  return true;
}

void ReleaseDC(HDC) { ++WglCalls().releaseDC; }

}  // namespace platform
