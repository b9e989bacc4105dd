#include "shared/Ufonts.h"

#include "shared/UDeclarations.h"

TCGFont3D* Font035 = nullptr;
TCGFont3D* Font040 = nullptr;
TCGFont3D* Font045 = nullptr;
TCGFont3D* Font050 = nullptr;
TCGFont3D* Font6 = nullptr;
TCGFont3D* Font8 = nullptr;
TCGFont3D* Font10 = nullptr;
TCGFont3D* Font8Alias = nullptr;
TCGFont3D* Font10Alias = nullptr;

namespace {

// The ND-scaled sizes: the product taken in extended precision, stored as a single.
float ScaledSize(long double factor) {
  return static_cast<float>(static_cast<long double>(DisplaySize) * static_cast<long double>(DisplaySizeFactor) *
                            factor);
}

void FreeFont(TCGFont3D*& font) {
  delete font;
  font = nullptr;
}

}  // namespace

void CreateFonts(platform::HDC DC, const char* Face) {
  FreeFonts();  // a second call replaces the fonts instead of leaking them
  Font035 = new TCGFont3D(Face, ScaledSize(0.035L), 0, DC);
  Font040 = new TCGFont3D(Face, ScaledSize(0.04L), 0, DC);
  Font045 = new TCGFont3D(Face, ScaledSize(0.045L), 0, DC);
  Font050 = new TCGFont3D(Face, ScaledSize(0.05L), 0, DC);
  Font6 = new TCGFont3D(Face, 6, 0, DC);
  Font8 = new TCGFont3D(Face, 8, 0, DC);
  Font10 = new TCGFont3D(Face, 10, 0, DC);
  Font10Alias = Font10;
  Font8Alias = Font8;
}

void FreeFonts() {
  FreeFont(Font035);
  FreeFont(Font040);
  FreeFont(Font045);
  FreeFont(Font050);
  FreeFont(Font6);
  FreeFont(Font8);
  FreeFont(Font10);
  Font8Alias = nullptr;
  Font10Alias = nullptr;
}
