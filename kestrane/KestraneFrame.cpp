// The frame: the layout of the display squares, the paint of the whole
// window with its per-display steps, and the main form's refresh (paint,
// resize, the 50 ms timer, the swap).
#include "kestrane/KestraneFrame.h"

#include <FL/Fl.H>
#include <GL/gl.h>

#include <algorithm>
#include <cstdlib>

#include "kestrane/KestraneMain.h"
#include "kestrane/MenuItems.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "nd/Utcas.h"
#include "pfd/Upfd.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "support/opengl/CgFontFI.h"
#include "support/opengl/CgTexture.h"
#include "support/opengl/CgUtils.h"
#include "platform/Fpu.h"

using kestranemenu::Form;

namespace {

constexpr double kTimerInterval = 0.05;  // Timer1: 50 ms

void Timer1Tick(void* data) {
  Fl::repeat_timeout(kTimerInterval, Timer1Tick, data);
  Form(data)->Timer1Timer();
}

// The frame image of one display (which: 0 the PFD, 1 the ND), turned with
// the screen, filling the whole drawing square. Nothing unless the frames
// are shown.
void DrawFrame(const TWindowPaint& p, int rotation, int which) {
  if (!p.framesShown) return;
  TCGTexture* texture = which == 0 ? p.pfdFrameTexture : p.ndFrameTexture;
  if (!texture || texture->Width() == 0) return;  // no image: the frame is left out
  const float S = p.drawScale;
  EnableObjectLinearTexGen(1.0 / S, 1.0 / S);
  glColor3f(1.0f, 1.0f, 1.0f);
  texture->Enable();
  float tx = 0, ty = 0;
  if (rotation == 90) ty = -S;
  else if (rotation == 180) tx = ty = -S;
  else if (rotation == 270) tx = -S;
  glRotatef(static_cast<float>(rotation), 0, 0, 1);
  glTranslatef(tx, ty, 0);
  glBegin(GL_QUADS);
  glVertex2f(0, 0);
  glVertex2f(S, 0);
  glVertex2f(S, S);
  glVertex2f(0, S);
  glEnd();
  glTranslatef(-tx, -ty, 0);
  glRotatef(-static_cast<float>(rotation), 0, 0, 1);
  texture->Disable();
}

void DrawPfd(const TWindowPaint& p, const Viewport& v) {
  const int rotation = p.rotation;
  DrawFrame(p, rotation, 0);
  float tx = 0, ty = 0;
  if (rotation == 90) tx = DrawArea;
  else if (rotation == 180) tx = ty = DrawArea;
  else if (rotation == 270) ty = DrawArea;
  glTranslatef(tx, ty, 0);
  glRotatef(static_cast<float>(rotation), 0, 0, 1);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  DrawPrimaryFlightDisplay(v.size, v.x, v.y, p.smoothLines, rotation);
  glRotatef(-static_cast<float>(rotation), 0, 0, 1);
  glTranslatef(-tx, -ty, 0);
}

void DrawNd(const TWindowPaint& p, const Viewport& v) {
  DrawFrame(p, p.rotation, 1);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  DrawNdInSquare(v.x, v.y, v.size, p.drawScale, p.rotation, p.smoothLines);
}

}  // namespace

// ---------------------------------------------------------------------------
// Layout and the paint of one frame

void LoadFrameMatrices(float drawScale) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(0, drawScale, 0, drawScale, -1, 1);
}

std::vector<Viewport> ComputeLayout(int w, int h) {
  std::vector<Viewport> out;
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  if (DisplayCount == 2) {
    int size = w / 2;
    if (h < size) size = h;
    const int y = std::abs(size - h) / 2;
    const int left = std::abs(size - w / 2) / 2;
    out.push_back({left, y, size, CaptainSide});
    out.push_back({left + w / 2, y, size, !CaptainSide});
  } else {
    const int size = std::min(w, h);
    const int x = std::abs(w - size) / 2, y = std::abs(h - size) / 2;
    if (PfdVisible) out.push_back({x, y, size, true});
    if (NdVisible) out.push_back({x, y, size, false});
  }
  return out;
}

void TcasAdvisoryToPfd() {
  if (Tcas && Tcas->UpdateAdvisoryState() == 2) {
    RaClimbRate = Tcas->ClimbRate();
    RaDescendRate = Tcas->DescendRate();
  } else {
    RaClimbRate = -9999;
    RaDescendRate = -9999;
  }
}

bool PaintWindow(const TWindowPaint& p) {
  LoadFrameMatrices(p.drawScale);
  glViewport(0, 0, p.width, p.height);
  glColor3f(1.0f, 1.0f, 0.0f);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  FrameCycle = (FrameCycle + 1) % 50;
  // Every 50th frame: the field elevation of the nearest runway, then the
  // TCAS field elevation.
  if (FrameCycle == 0) {
    if (Runways)
      FieldElevation = Runways->SelectRunway(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                             static_cast<float>(OwnAltitude));
    if (Tcas) Tcas->SetFieldElevation(FieldElevation);
  }
  TcasAdvisoryToPfd();
  bool ndDrawn = false;
  for (const Viewport& v : ComputeLayout(p.width, p.height)) {
    glViewport(v.x, v.y, v.size, v.size);
    if (v.pfd) {
      DrawPfd(p, v);
    } else {
      DrawNd(p, v);
      ndDrawn = true;
    }
  }
  TCGFont3D::EndFrame();
  return ndDrawn;
}

// ---------------------------------------------------------------------------
// The form's refresh

void TKestraneForm::SetTimerEnabled(bool on) {
  if (on && !TimerEnabled) Fl::add_timeout(kTimerInterval, Timer1Tick, this);
  if (!on) Fl::remove_timeout(Timer1Tick, this);
  TimerEnabled = on;
}

void TKestraneForm::Timer1Timer() {
  if (Painting) return;
  FormPaint();
  SwapPage();
}

void TKestraneForm::SwapPage() {
  ++SwapCount;
  TCGForm::SwapPage();
}

void TKestraneForm::Repaint() {
  if (!StartupComplete || !HasContext()) return;
  MakeContextCurrent();
  FormPaint();
}

void TKestraneForm::RepaintWhenNotConnected() {
  if (!Connected()) Repaint();
}

void TKestraneForm::FormPaint() {
  if (!ShownRecorded && Shown()) {
    // Where the window system actually put the window (known once it is
    // mapped and first painted): the saved geometry is written back
    // unchanged unless the user moves or sizes the window after this.
    ShownGeometry = {Left(), Top(), Height(), Width()};
    ShownRecorded = true;
  }
  if (!StartupComplete) {
    // Nothing to draw yet: present a cleared frame.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapPage();
    return;
  }
  platform::FpuGuard fpu;
  Painting = true;
  TWindowPaint paint;
  paint.width = ClientWidth();
  paint.height = ClientHeight();
  paint.drawScale = DrawScale;
  paint.framesShown = FramesShown;
  paint.pfdFrameTexture = PfdFrameTexture.get();
  paint.ndFrameTexture = NdFrameTexture.get();
  paint.rotation = ScreenRotation;
  paint.smoothLines = SmoothLines;
  // The ND may have switched the terrain on by itself.
  if (PaintWindow(paint)) SetChecked(kestranemenu::kTerrain, TerrainVisible);
  ++FrameCount;
  if (!Connected()) SwapPage();
  Painting = false;
}

void TKestraneForm::FormResize(int w, int h) {
  // The saved geometry was applied before the window was first shown.
  GeometryApplied = true;
  const int size = std::min(w, h);
  glViewport(std::abs(w - size) / 2, std::abs(h - size) / 2, size, size);
  RepaintWhenNotConnected();
}
