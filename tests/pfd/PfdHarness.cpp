#include "tests/pfd/PfdHarness.h"

#include <GL/gl.h>

#include <cmath>

#include "kestrane/Dispatch.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "pfd/Upfd.h"
#include "pfd/Uhorizon.h"
#include "platform/DisplayLists.h"
#include "tests/common/IrsLines.h"

namespace pfdtest {

std::vector<std::string> NeutralLines() {
  return {
      "IPC.thdg 90", "IPC.mcphdg 90", "IPC.var 0", "IPC.vs 0", "IPC.pitch 0", "MV.Bank180 0",
      "IPC.ias 0", "IPC.dalt 1000", "IPC.mcpalt 11000", "IPC.mcpim 185", "IPC.latdeg 47",
      "IPC.latmin 27", "IPC.londeg -122", "IPC.lonmin 18", "VM.FDPitch 57", "VM.FDBank 0",
      "VM.FMApitch 0", "VM.FMArllArm 0", "VM.FMAroll 0", "VM.FMAthrust 0", "VM.FMAptchArm 0",
      "VM.FDOn 0", "VM.AppOn 0", "VM.LocDev -46", "VM.GlideDev -46", "VM.FineLoc 0",
      "VM.HiBufSpd 370", "VM.StickShSpd -100", "ND.RA -9999", "MV.IrsPhdg 1.570796",
      "MV.YawTrack 0", "MV.RoundMach 0", "MV.Vref30P90 0", "MV.DelayedFlapPos 0",
      "MV.InitialFlapMoved 0", "MV.SpdAcc 0", "MV.HydOff1 0", "MV.HydOff2 0", "MV.HydOff3 0",
      "MV.HydOff4 0", "MV.AcBusPowered1 1", "MV.AcBusPowered2 1", "MV.AcBusPowered3 1",
      "MV.AcBusPowered4 1", "MV.APCmd1 0", "MV.APCmd2 0", "MV.APCmd3 0", "VM.RadioH 1000",
      "MV.SpdTimer 0", "MV.RolTimer 0", "MV.PchTimer 0", "MV.AtActive 0", "MV.PitotIce 1",
      "MV.FlapYPix 261", "MV.HorPitchLim 57", "MV.PullUpPfd 0", "MV.WindShrSpd 0",
      "MV.StatusMsg10 0", "MV.aoPosWindshr 0", "MV.Ac3BusFail 0", "MV.WxArea 0",
  };
}

std::vector<std::string> AlignedIrsLines() { return testsupport::AlignedIrsLines(); }

std::vector<std::string> UnalignedIrsLines() { return testsupport::UnalignedIrsLines(); }

namespace {

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

const std::vector<Scenario>& ReferenceScenarios() {
  static const std::vector<Scenario> scenarios = [] {
    std::vector<Scenario> s;
    s.push_back({"irs-not-aligned", UnalignedIrsLines()});
    s.push_back({"on-ground", Join(AlignedIrsLines(), {"IPC.dalt 20", "IPC.ias 0", "VM.RadioH 0",
                                                       "IPC.pitch 0.5", "MV.FlapYPix 120",
                                                       "MV.HorPitchLim 30"})});
    // Bank 20 degrees right: "MV.Bank180" is radians, right wing down negative.
    s.push_back({"climbing-turn-fd",
                 Join(AlignedIrsLines(), {"IPC.pitch 8", "MV.Bank180 -0.34907", "IPC.vs 1500",
                                          "IPC.ias 250", "IPC.dalt 5000", "VM.FDOn 1", "VM.FDPitch 45",
                                          "VM.FDBank 10"})});
    s.push_back({"tcas-climb", Join(AlignedIrsLines(), {"IPC.pitch 2", "IPC.ias 250", "IPC.dalt 8000"}),
                 1500, -9999});
    s.push_back({"tcas-descend",
                 Join(AlignedIrsLines(), {"IPC.pitch 2", "IPC.ias 250", "IPC.dalt 8000"}), -9999, 1500});
    s.push_back({"windshear", Join(AlignedIrsLines(), {"IPC.pitch 5", "IPC.ias 150", "IPC.dalt 600",
                                                       "MV.WindShrSpd 20", "MV.WxArea 1",
                                                       "MV.PullUpPfd 1"})});
    return s;
  }();
  return scenarios;
}

namespace {

bool fontsMade = false;

}  // namespace

PfdHarness::PfdHarness() {
  if (!fontsMade) {
    platform::ReserveFixedDisplayLists();
    CreateFonts(nullptr, "Simplex");
    fontsMade = true;
  }
  CreatePfdObjects();
  Irs->Init();
  testsupport::RecordPrints(&printed);
}

PfdHarness::~PfdHarness() {
  testsupport::StopRecordingPrints();
  FreePfdObjects();
}

void PfdHarness::Feed(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) DispatchToParsers(line);
}

void PfdHarness::Load(const Scenario& s) {
  Feed(NeutralLines());
  Feed(s.lines);
  RaClimbRate = s.raClimbRate;
  RaDescendRate = s.raDescendRate;
}

void PfdHarness::Render(const FrameParams& p) {
  // The program's first frame starts from a new context; every later one
  // from what the frame before left (line smoothing on after its last
  // text, among others), and that is the picture a pilot sees: the frame
  // is drawn twice and the second one kept.
  DrawFrame(p);
  DrawFrame(p);
}

void PfdHarness::DrawFrame(const FrameParams& p) {
  last_ = p;
  printed.clear();
  DrawScale = p.drawScale;
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);

  testsupport::BeginProgramFrame(DrawScale);

  // The PFD square: turned about the instrument square for the rotation.
  glViewport(p.left, p.bottom, p.size, p.size);
  float tx = 0, ty = 0;
  switch (p.rotation) {
    case 90: tx = DrawArea; break;
    case 180: tx = DrawArea; ty = DrawArea; break;
    case 270: ty = DrawArea; break;
    default: break;
  }
  glTranslatef(tx, ty, 0);
  glRotatef(static_cast<float>(p.rotation), 0, 0, 1);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  DrawPrimaryFlightDisplay(p.size, p.left, p.bottom, p.smooth, p.rotation);
  glRotatef(-static_cast<float>(p.rotation), 0, 0, 1);
  glTranslatef(-tx, -ty, 0);
  glFinish();
  glViewport(vp[0], vp[1], vp[2], vp[3]);
}

void PfdHarness::GaugeToWindow(const TGauge& g, float gx, float gy, float& wx, float& wy) const {
  // Inside the instrument square, then turned as the frame turns it.
  const double x = g.OffsetX + g.RotationOffsetX + gx * g.Scale;
  const double y = g.OffsetY + g.RotationOffsetY + gy * g.Scale;
  double ox = x, oy = y;
  switch (last_.rotation) {
    case 90: ox = DrawArea - y; oy = x; break;
    case 180: ox = DrawArea - x; oy = DrawArea - y; break;
    case 270: ox = y; oy = DrawArea - x; break;
    default: break;
  }
  wx = static_cast<float>(last_.left + ox * last_.size / last_.drawScale);
  wy = static_cast<float>(last_.bottom + oy * last_.size / last_.drawScale);
}

std::vector<PrintRecord> PfdHarness::Printed(const std::string& text, const TCGFont3D* f) const {
  return testsupport::PrintsOf(printed, text, f);
}

}  // namespace pfdtest
