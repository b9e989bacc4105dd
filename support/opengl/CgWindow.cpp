#include "support/opengl/CgWindow.h"

using namespace platform;

bool UseDoubleBuffer = true;
bool UseColorIndex = false;

std::vector<PALETTEENTRY> BuildPaletteEntries(const PIXELFORMATDESCRIPTOR& pfd) {
  std::vector<PALETTEENTRY> entries;
  if (!(pfd.dwFlags & PFD_NEED_PALETTE)) return entries;
  // More than 16 colour bits would make an absurd table; such formats are
  // true-colour and never ask for a palette.
  if (pfd.cColorBits == 0 || pfd.cColorBits > 16) return entries;
  const unsigned n = 1u << pfd.cColorBits;
  auto mask = [](unsigned bits) { return bits >= 8 ? 255u : (1u << bits) - 1u; };
  const unsigned mr = mask(pfd.cRedBits), mg = mask(pfd.cGreenBits), mb = mask(pfd.cBlueBits);
  auto level = [](unsigned i, unsigned shift, unsigned m) {
    return m == 0 ? 0u : (((i >> shift) & m) * 255u) / m;
  };
  entries.resize(n);
  for (unsigned i = 0; i < n; ++i) {
    entries[i].peRed = static_cast<std::uint8_t>(level(i, pfd.cRedShift, mr));
    entries[i].peGreen = static_cast<std::uint8_t>(level(i, pfd.cGreenShift, mg));
    entries[i].peBlue = static_cast<std::uint8_t>(level(i, pfd.cBlueShift, mb));
    entries[i].peFlags = 0;
  }
  return entries;
}

HPALETTE SetDCPixelFormat(HDC DC) {
  PIXELFORMATDESCRIPTOR pfd{};
  pfd.nSize = 40;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  if (UseDoubleBuffer) pfd.dwFlags |= PFD_DOUBLEBUFFER;
  pfd.iPixelType = UseColorIndex ? PFD_TYPE_COLORINDEX : PFD_TYPE_RGBA;
  pfd.cColorBits = 24;
  pfd.cDepthBits = 24;
  pfd.cStencilBits = 8;
  pfd.iLayerType = PFD_MAIN_PLANE;

  int format = ChoosePixelFormat(DC, &pfd);
  SetPixelFormat(DC, format, &pfd);
  DescribePixelFormat(DC, format, 40, &pfd);

  HPALETTE palette = 0;
  std::vector<PALETTEENTRY> entries = BuildPaletteEntries(pfd);
  if (!entries.empty()) {
    palette = CreatePalette(entries);
    if (palette) {
      SelectPalette(DC, palette, false);
      RealizePalette(DC);
    }
  }
  UseDoubleBuffer = true;
  UseColorIndex = false;
  return palette;
}

TCGForm::TCGForm(int left, int top, int width, int height, const std::string& caption)
    : GLForm(left, top, width, height, caption) {}

TCGForm::~TCGForm() { ReleaseRenderContext(); }

void TCGForm::CreateRenderContext() {
  DC = GetDC();
  Palette = SetDCPixelFormat(DC);
  RC = wglCreateContext(DC);
  MakeContextCurrent();
}

void TCGForm::MakeContextCurrent() {
  if (DC && RC) wglMakeCurrent(DC, RC);
}

void TCGForm::SwapPage() { platform::SwapBuffers(DC); }

void TCGForm::ReleaseRenderContext() {
  if (RC) {
    wglMakeCurrent(nullptr, 0);
    wglDeleteContext(RC);
    RC = 0;
  }
  if (Palette) {
    DeleteObject(Palette);
    Palette = 0;
  }
  ReleaseDC(DC);
  DC = nullptr;
}
