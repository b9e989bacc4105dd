// One frame of the main window: the matrices each frame starts from, the
// square viewports of the shown displays, and the paint of the whole client
// area. The main form's paint and the whole-window benchmark both draw
// their frames with PaintWindow.
#pragma once
#include <vector>

class TCGTexture;

// The matrices every frame starts from, as start-up sets them: the
// projection is the identity and the model-view carries the orthographic
// square 0..drawScale. Loaded at the start of each frame, so that nothing
// a frame leaves in them (a turn by a value no single can hold fills them
// with NaN) reaches the next.
void LoadFrameMatrices(float drawScale);

struct Viewport {
  int x, y, size;
  bool pfd;  // true: the PFD square, false: the ND square
};
// The square viewports of the shown displays for a client area of w x h.
std::vector<Viewport> ComputeLayout(int w, int h);

// Frame step: the resolution advisory's rates of the traffic computer to
// the PFD, or none (-9999) while no RA is active. Every frame, PFD-only
// too.
void TcasAdvisoryToPfd();

// What one paint of the window is drawn from, besides the aircraft state
// and the display settings (DisplayCount, CaptainSide, PfdVisible,
// NdVisible...) that the layout, the PFD and the ND read themselves.
struct TWindowPaint {
  int width = 0, height = 0;  // the client area, pixels
  float drawScale = 255.0f;   // DrawScale: 255 with frames shown, 200 without
  bool framesShown = true;    // "Show PFD/ND Frames"
  // The frame images; none, or one without pixels, leaves that frame out.
  TCGTexture* pfdFrameTexture = nullptr;
  TCGTexture* ndFrameTexture = nullptr;
  int rotation = 0;  // ScreenRotation
  bool smoothLines = false;
};

// One paint of the whole client area into the current context: the frame's
// matrices and clears, every 50th frame the field elevation of the nearest
// runway, the advisory rates to the PFD, each shown display in its square
// (frame image first) and the fonts' frame end. It neither swaps nor masks
// the floating-point exceptions: the caller does. True when an ND was drawn
// (the ND may have switched the terrain by itself).
bool PaintWindow(const TWindowPaint& p);
