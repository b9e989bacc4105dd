#include "tests/nd/NdHarness.h"

#include <GL/gl.h>

#include <cmath>
#include <stdexcept>

#include "kestrane/Dispatch.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "nd/Unavigation.h"
#include "nd/Uterrain.h"
#include "nd/Ufixinfo.h"
#include "nd/Uroutes.h"
#include "nd/Uvordisplay.h"
#include "pfd/Upfd.h"
#include "platform/DisplayLists.h"
#include "tests/common/IrsLines.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "support/geo/geoMath.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace ndtest {

std::vector<std::string> AlignedIrsLines() { return testsupport::AlignedIrsLines(); }

std::vector<std::string> UnalignedIrsLines() { return testsupport::UnalignedIrsLines(); }

std::pair<double, double> DistanceEdge(double lat, double lon, double toLat, double toLon, double nm) {
  const auto distance = [&](double at) {
    double d = 0, b = 0;
    CalcDistanceBearing(d, b, lat, at, toLat, toLon);
    return d;
  };
  double in = lon, out = lon + 1;
  while (std::nextafter(in, out) != out) {
    const double mid = in + (out - in) / 2;
    (distance(mid) <= nm ? in : out) = mid;
  }
  return {in, out};
}

std::vector<std::string> PositionLines(double lat, double lon, int centreLon) {
  double x = 0, y = 0;
  broker::GridFromLatLon(lat, lon, centreLon, x, y);
  int16_t wx[3], wy[3];
  broker::EncodeReal48(x, wx);
  broker::EncodeReal48(y, wy);
  std::string fmc = "MV.CenterLon " + platform::FormatInt(centreLon);
  for (int i = 0; i < 3; ++i) fmc += " MV.FMCPosX" + std::to_string(i + 1) + " " + platform::FormatInt(wx[i]);
  for (int i = 0; i < 3; ++i) fmc += " MV.FMCPosY" + std::to_string(i + 1) + " " + platform::FormatInt(wy[i]);
  std::string irs;
  for (int i = 1; i <= 3; ++i)
    irs += "MV.IrsX" + std::to_string(i) + " " + platform::FormatDouble(x, 1) + " MV.IrsY" +
           std::to_string(i) + " " + platform::FormatDouble(y, 1) + " ";
  return {fmc, irs};
}

std::vector<std::string> NeutralLines() {
  std::vector<std::string> lines = {
      "IPC.thdg 90",   "IPC.mcphdg 90",    "IPC.var 0",        "IPC.vs 0",      "MV.Bank180 0",
      "IPC.dalt 4000", "IPC.talt 4000",    "IPC.mcpalt 4000",  "MV.GndSpeed 0", "MV.Track 0",
      "MV.TAS 0",      "MV.IrsPhdg 1.570796", "MV.YawTrack 0", "MV.GridNorth 0", "MV.GridSouth 0",
      "MV.HdgBugTimer 0", "MV.WindRad 0",  "MV.WindSpd 0",     "IPC.latdeg 47", "IPC.latmin 1200000",
      "IPC.londeg -122", "IPC.lonmin -380000", "MV.WptGMT1 0 MV.WptGMT2 0 MV.WptLen 0 MV.WptStr"};
  for (const std::string& l : PositionLines(broker::kDemoFieldLatitude, broker::kDemoFieldLongitude))
    lines.push_back(l);
  return lines;
}

namespace {

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Bank in degrees, right wing down positive, as the broker's radians.
std::string BankLine(double degrees) {
  return "MV.Bank180 " + platform::FormatDouble(-degrees * 3.14159265358979 / 180, 5);
}

}  // namespace

const std::vector<Scenario>& ReferenceScenarios() {
  static const std::vector<Scenario> scenarios = [] {
    std::vector<Scenario> s;
    s.push_back({"irs-not-aligned", UnalignedIrsLines()});
    s.push_back({"on-ground", Join(AlignedIrsLines(), {"IPC.dalt 430", "IPC.talt 430", "IPC.thdg 160",
                                                       "MV.IrsPhdg 2.5133", "IPC.var 16"})});
    // Bank 25 right at 250 kt, climbing to 8000 ft, 6 degrees of drift;
    // the selected-heading line is shown.
    s.push_back({"right-turn-climb",
                 Join(AlignedIrsLines(), {BankLine(25), "MV.GndSpeed 250", "IPC.vs 2000", "IPC.mcpalt 8000",
                                          "MV.Track 0.10472", "IPC.mcphdg 150", "MV.HdgBugTimer 1"})});
    s.push_back({"left-turn-range-40",
                 Join(AlignedIrsLines(), {BankLine(-20), "MV.GndSpeed 300", "IPC.mcphdg 30",
                                          "MV.HdgBugTimer 1"}),
                 40});
    s.push_back({"profile",
                 Join(AlignedIrsLines(), {BankLine(15), "MV.GndSpeed 220", "IPC.vs -1500", "IPC.mcpalt 2000"}),
                 10, true});
    // A polar position: the heading box shows true and grid headings.
    {
      std::vector<std::string> lines = Join(AlignedIrsLines(), {"MV.GridNorth 1", "IPC.latdeg 80",
                                                                "IPC.londeg 20", "MV.GndSpeed 400"});
      // 10 degrees from the pole along the grid's Y axis.
      lines.push_back("MV.FMCPosX1 0 MV.FMCPosX2 0 MV.FMCPosX3 0");
      int16_t w[3];
      broker::EncodeReal48(-3645990, w);
      lines.push_back("MV.FMCPosY1 " + platform::FormatInt(w[0]) + " MV.FMCPosY2 " + platform::FormatInt(w[1]) +
                      " MV.FMCPosY3 " + platform::FormatInt(w[2]));
      s.push_back({"polar", lines, 80});
    }
    s.push_back({"hide-below-arc", Join(AlignedIrsLines(), {"MV.GndSpeed 250"}), 10, false, true});
    // The waypoint block, ground speed, true airspeed and a wind from 045
    // at 12 kt.
    s.push_back({"texts", Join(AlignedIrsLines(), {"MV.GndSpeed 250", "MV.TAS 280", "MV.WindRad 0.7854",
                                                   "MV.WindSpd 1.1112",
                                                   "MV.WptGMT1 12345 MV.WptStr rivra MV.WptLen 5"})});
    // The heading furniture's remaining states. A negative timer shows the
    // selected-heading line as any other non-zero value does; aligning IRS
    // (heading status 1) give the plain cards and dashes for digits, and
    // without a position neither the IRS 1 star nor a drifted track line;
    // the centred card without the profile panel shows the range marks
    // behind the aircraft.
    const std::vector<std::string> aligning =
        Join(UnalignedIrsLines(), {"MV.IrsAligning 1", "MV.IrsAttHdg -2", "MV.Irs1Sel 1", "MV.Irs1Quality 1",
                                   "MV.HdgBugTimer 1", "MV.Track 0.10472"});
    s.push_back({"selected-line-negative-timer", Join(AlignedIrsLines(), {"IPC.mcphdg 45", "MV.HdgBugTimer -1"})});
    s.push_back({"profile-selected-line-negative-timer",
                 Join(AlignedIrsLines(), {"IPC.mcphdg 30", "MV.HdgBugTimer -1"}), 10, true});
    s.push_back({"irs-aligning", aligning});
    s.push_back({"irs-aligning-profile", aligning, 10, true});
    s.push_back({"irs-not-aligned-profile", UnalignedIrsLines(), 10, true});
    // Near the pole the grid heading keeps its digits while the IRS align.
    for (const Scenario& polar : std::vector<Scenario>(s))
      if (polar.name == "polar") s.push_back({"polar-aligning", Join(polar.lines, aligning), polar.range});
    // An ETA without a waypoint name; ground speed in the units slot only;
    // a true airspeed of exactly 100.
    s.push_back({"eta-without-name", Join(AlignedIrsLines(), {"MV.GndSpeed 5", "MV.TAS 100",
                                                              "MV.WptGMT1 650 MV.WptLen 0 MV.WptStr"})});
    // A wind from 355 true with 10 degrees of westerly variation: from 005
    // magnetic, at 5 kt.
    s.push_back({"wind-across-north",
                 Join(AlignedIrsLines(), {"IPC.var -10", "MV.WindRad 6.195919 MV.WindSpd 0.463"})});
    // IRS 2 of quality 2 shows its star 5 NM north (left of the nose);
    // IRS 3 of quality 3, 5 NM south, shows none, nor does IRS 1 of
    // quality 0 at the aircraft.
    {
      const auto irsAt = [](int i, double nmNorth) {
        double x = 0, y = 0;
        broker::GridFromLatLon(broker::kDemoFieldLatitude + nmNorth / 60, broker::kDemoFieldLongitude, -122, x, y);
        const std::string n = std::to_string(i);
        return "MV.IrsX" + n + " " + platform::FormatDouble(x, 1) + " MV.IrsY" + n + " " + platform::FormatDouble(y, 1);
      };
      s.push_back({"irs-positions-by-quality",
                   Join(AlignedIrsLines(), {"MV.Irs1Quality 0", "MV.Irs2Quality 2", "MV.Irs3Quality 3", irsAt(2, 5),
                                            irsAt(3, -5)})});
    }
    return s;
  }();
  return scenarios;
}

const Scenario& ReferenceScenario(const std::string& name) {
  for (const Scenario& s : ReferenceScenarios())
    if (s.name == name) return s;
  throw std::runtime_error("no ND scenario " + name);
}

namespace {

bool fontsMade = false;
float aircraftY = 0;  // the aircraft symbol's offset from the ND centre, last frame

}  // namespace

NdHarness::NdHarness() {
  if (!fontsMade) {
    platform::ReserveFixedDisplayLists();
    CreateFonts(nullptr, "Simplex");
    fontsMade = true;
  }
  PfdOnly = false;
  CreateNavigationObjects();
  CreatePfdObjects();
  Irs->Init();
  // The program builds its lists at start-up, at the line width of a new
  // context; a text compiled into a list keeps the width current then.
  glLineWidth(1);
  CtrCompass->BuildDisplayLists();
  RoseCompass->BuildDisplayLists();
  NdSymbols->BuildSymbolLists();
  Terrain->Init(NdRange, platform::ProgramFolder());
  TrackLine->BuildDisplayLists(DisplaySize);
  Route->BuildDisplayLists();
  FixInfo->BuildDisplayLists();
  Vor->BuildDisplayLists();
  testsupport::RecordPrints(&printed);
}

NdHarness::~NdHarness() {
  testsupport::StopRecordingPrints();
  FreeNavigationObjects();
  FreePfdObjects();
  FirstDataReceived = false;
  NdRange = 10;
  TerrainAltMode = false;
  HideBelowCompassArc = false;
}

void NdHarness::Feed(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) DispatchToParsers(line);
}

void NdHarness::Load(const Scenario& s) {
  Feed(NeutralLines());
  Feed(s.lines);
  NdRange = s.range;
  TerrainAltMode = s.profile;
  HideBelowCompassArc = s.hideBelow;
}

void NdHarness::Render(const FrameParams& p) {
  last_ = p;
  printed.clear();
  DrawScale = p.drawScale;
  GLint vp[4];
  glGetIntegerv(GL_VIEWPORT, vp);
  testsupport::BeginProgramFrame(DrawScale);
  glViewport(0, 0, p.size, p.size);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  const bool valid = Irs && Irs->PositionValid();
  aircraftY = !TerrainAltMode ? -0.4365f * DisplaySize
                              : (NdDataVisible && TerrainVisible && valid ? 10.0f : -10.0f);
  DrawNdInSquare(0, 0, p.size, DrawScale, p.rotation, false);
  glFinish();
  glViewport(vp[0], vp[1], vp[2], vp[3]);
}

void NdHarness::NdToWindow(double x, double y, int& wx, int& wy) const {
  const double s = last_.size / static_cast<double>(last_.drawScale);
  wx = platform::SafeTrunc((last_.drawScale / 2 + x) * s);
  wy = platform::SafeTrunc((last_.drawScale / 2 + aircraftY + y) * s);
}

std::vector<PrintRecord> NdHarness::Printed(const std::string& text) const {
  return testsupport::PrintsOf(printed, text);
}

}  // namespace ndtest
