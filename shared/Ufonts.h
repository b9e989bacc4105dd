// The seven shared outline fonts through which the PFD and the ND draw
// every text.
#pragma once
#include "platform/GLForm.h"
#include "support/opengl/CgFontFI.h"

extern TCGFont3D* Font035;  // DisplaySize * DisplaySizeFactor * 0.035
extern TCGFont3D* Font040;
extern TCGFont3D* Font045;
extern TCGFont3D* Font050;
extern TCGFont3D* Font6;
extern TCGFont3D* Font8;
extern TCGFont3D* Font10;
extern TCGFont3D* Font8Alias;   // the same object as Font8
extern TCGFont3D* Font10Alias;  // the same object as Font10

// Creates the seven fonts in the current GL context.
void CreateFonts(platform::HDC DC, const char* Face);
// Destroys the seven fonts (the aliases are not destroyed again).
void FreeFonts();
