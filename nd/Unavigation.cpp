#include "nd/Unavigation.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shared/BrokerValue.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "shared/Ufonts.h"
#include "nd/GridPosition.h"
#include "nd/Uirs.h"
#include "nd/Utcas.h"
#include "nd/Urunways.h"
#include "nd/UtextVisual.h"
#include "nd/Uterrain.h"
#include "nd/Unavaids.h"
#include "nd/Uwaypoints.h"
#include "nd/Uroutes.h"
#include "nd/Ufixinfo.h"
#include "nd/Uvordisplay.h"
#include "pfd/UcommonVariables.h"
#include "platform/LogLimiter.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"
#include "support/opengl/CgDraw.h"

std::unique_ptr<TCtrCompass> CtrCompass;
std::unique_ptr<TRoseCompass> RoseCompass;
std::unique_ptr<THdgBox> HdgBox;
std::unique_ptr<TNDDataElement> NdSymbols;
std::unique_ptr<TTrackLine> TrackLine;

double OwnAltitude = 2000;
double CenterLongitude = 0;
double TrueAirspeed = 0;
int GridNorth = 0, GridSouth = 0;
int HdgBugTimer = 10;
double WindDirectionRad = 0, WindSpeedRaw = 0;
double WindDirection = 0;
double WindSpeed = 0;
std::array<std::int16_t, 3> FmcX{}, FmcY{};
double FmcLatitude = 0, FmcLongitude = 0;
double OwnLatitude = 47.2, OwnLongitude = -122.063333333;
double PrevLatitude = 0, PrevLongitude = 0;
std::array<double, 3> IrsX{}, IrsY{};
bool FirstDataReceived = false;
int FrameCycle = 0;
NdFrameFlags NdFlags;
std::function<void(NdFrameFlags&)> NdFrameFlagsHook;
std::function<int()> TerrainMaxElevation, TerrainMinElevation;
std::function<double(double lat, double lon)> RouteDistanceToActive;

int HighestTerrain() { return TerrainMaxElevation ? TerrainMaxElevation() : 0; }
int LowestTerrain() { return TerrainMinElevation ? TerrainMinElevation() : 99999; }
double RouteDistance(double lat, double lon) {
  return RouteDistanceToActive ? RouteDistanceToActive(lat, lon) : -1;
}

namespace {

GLUquadric* NdQuadric = nullptr;

constexpr double kDegToRad = std::numbers::pi / 180.0;

// A broker can send connection notices with every line: the first, and
// the first after 10 s without a notice line, is logged as it is; the
// repeats in between only counted.
platform::TLogLimiter ConnLog([](const std::string& line) { WriteDebug(line); },
                              platform::MoreDropped(" Broker Comm: Connection notices"));

// Reloads that follow the aircraft's position are at least this far
// apart, in seconds: a position that jumps to and fro across a block edge
// cannot keep the program loading.
constexpr double kReloadSpacing = 1.0;
bool ReloadDeferred = false;

using brokerlink::ReadBrokerDouble;
using brokerlink::ReadBrokerInt;
using brokerlink::ValueSpan;

void StencilMaskBegin() {
  glEnable(GL_STENCIL_TEST);
  glStencilMask(1);
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glDepthMask(GL_FALSE);
  glStencilFunc(GL_ALWAYS, 1, 1);
  glStencilOp(GL_ZERO, GL_ZERO, GL_ZERO);
}

void StencilMaskEnd() {
  glStencilMask(0);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDisable(GL_STENCIL_TEST);
}

void Rectangle(double x1, double y1, double x2, double y2) {
  glBegin(GL_POLYGON);
  glVertex2d(x1, y1);
  glVertex2d(x2, y1);
  glVertex2d(x2, y2);
  glVertex2d(x1, y2);
  glEnd();
}

void TerrainLayer(NdFrame& f) {
  if (Terrain) {
    bool caution = false, warning = false;
    if (f.positionValid) {
      Terrain->Scan(f.range, TerrainTextures, f.ownLatitude, f.ownLongitude, f.heading, BankAngle, GroundSpeed,
                    VerticalSpeed, f.ownAltitude, f.layout == NdLayout::Profile, caution, warning);
      Terrain->ApplyTexturePlanes();
    }
    // An alert shows the terrain, unless the crew has inhibited it.
    if ((caution || warning) && !TerrainInhibited) TerrainVisible = true;
    if (TerrainVisible && f.positionValid) {
      Terrain->Draw(f, TerrainTextures, ShowSeaLevel);
    } else {
      caution = false;
      warning = false;
    }
    f.flags.terrainCaution = caution;
    f.flags.terrainWarning = warning;
    // The height above terrain is kept up to date every frame; the floor
    // needs a position to measure from.
    const bool floor = Terrain->ClearanceFloorAlert(f.ownLatitude, f.ownLongitude, f.ownAltitude);
    f.flags.clearanceFloor = f.positionValid && floor;
  }
  // The area behind the aircraft is covered.
  cgdraw::BlackColour();
  Rectangle(-100, -80, 100, 0);
  cgdraw::WhiteColour();
}

void RangeLabel(int m) {
  const std::string text = RangeLabelText(NdRange, m);
  const double d = cgdraw::Finite(DriftAngle) * kDegToRad;
  const double w = -(0.3 * static_cast<double>(text.size()) + 1);
  if (m == 2) {
    cgdraw::PrintUnits(Font050, text, w - 9.7 * std::sin(d), 9.7 * std::cos(d));
  } else {
    cgdraw::PrintUnits(Font050, text, w - 4.85 * std::sin(d), 4.85 * std::cos(d));
    cgdraw::PrintUnits(Font050, text, w + 4.85 * std::sin(d), -5.5 * std::cos(d));
  }
}

void TrackLayer(const NdFrame& f, int m) {
  const double drift = cgdraw::Finite(DriftAngle);
  if (f.positionValid) glRotated(drift, 0, 0, 1);
  TrackLine->DrawRangeMarks(m * 0.5f, static_cast<float>(BankAngle));
  if (m == 1) TrackLine->DrawRangeMarks(-0.5f, static_cast<float>(BankAngle));
  if (f.positionValid) {
    TrackLine->DrawTrendVector(f, static_cast<float>(GroundSpeed), static_cast<float>(BankAngle));
    glRotated(-drift, 0, 0, 1);
    TrackLine->DrawAltitudeArc(f, static_cast<float>(GroundSpeed), static_cast<float>(VerticalSpeed),
                               static_cast<float>(DisplayedAltitude), static_cast<float>(SelectedAltitude));
  }
  cgdraw::WhiteColour();
  RangeLabel(m);
  SetReferencePoint(f.ownLatitude, f.ownLongitude);
}

void DatabaseLayer(NdFrame& f) {
  if (f.positionValid) {
    if (Runways) Runways->DrawRunways(f);
    if (WaypointsVisible && Waypoints) Waypoints->Draw(f);
    if (StationsVisible && Navaids) Navaids->Draw(f);
    if (Vor) Vor->DrawTunedNavaids(f);
    if (AirportsVisible && Runways) Runways->DrawAirports(f);
  }
  if (Tcas) {
    // A frame that draws no traffic raises no traffic alert.
    if (TrafficVisible) Tcas->DrawTraffic(f);
    else Tcas->ClearAdvisoryFlags();
    Tcas->GetAdvisoryFlags(f.flags.trafficAdvisoryDrawn, f.flags.resolutionAdvisoryDrawn);
    f.flags.trafficAlert = f.flags.trafficAdvisoryDrawn || f.flags.resolutionAdvisoryDrawn;
  }
  if (Vor) Vor->DrawStations(f);
  if (f.positionValid) {
    if (FixInfo) FixInfo->Draw(f);
    if (Route) Route->Draw(f);
    if (PositionVisible && Irs) Irs->DrawPositions(f);
    if (PositionVisible && Vor) Vor->DrawRadioLines(f);
  }
}

// The annunciations and sounds of the frame's alerts; traffic is a TA or
// an RA drawn.
void AlertUpdate(NdFrame& f) {
  if (NdFrameFlagsHook) NdFrameFlagsHook(f.flags);
  if (Alert)
    Alert->Update(f.flags.trafficAdvisoryDrawn || f.flags.resolutionAdvisoryDrawn, f.flags.clearanceFloor,
                  f.flags.terrainCaution, f.flags.terrainWarning, TerrainInhibited);
}

void ModeFlags(const NdFrame& f) {
  if (NdText)
    NdText->DrawFlags(f, WaypointsVisible, AirportsVisible, StationsVisible, TerrainVisible, TcasOnFlag,
                      TrafficVisible, TaOnlyFlag, HighestTerrain(), LowestTerrain());
}

// The waypoint block's distance is measured from the FMC position.
void Texts(const NdFrame& f) {
  if (NdText)
    NdText->Draw(f, RouteDistance(FmcLatitude, FmcLongitude), GroundSpeed, TrueAirspeed, WindDirection,
                 WindSpeed);
}

void ArcLayout(NdFrame& f) {
  const double down = 0.4365 * f.displaySize * DisplaySizeFactor;  // 61.73
  glTranslated(0, -down, 0);
  if (HideBelowCompassArc) {
    // Stencil 1 on the ring beyond 0.9 x the display size.
    StencilMaskBegin();
    Rectangle(-200, -200, 200, 200);
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    gluDisk(NdQuadric, 0.9 * f.displaySize, 1.41 * f.displaySize, 360, 2);
    StencilMaskEnd();
  }
  TerrainLayer(f);
  TrackLayer(f, 2);
  if (HideBelowCompassArc) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 0, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  }
  // The black ring drawn over the arc's outside later on hides every
  // symbol beyond it.
  TNDDataElement::SetShownArea({0, 0}, f.displaySize);
  DatabaseLayer(f);
  TNDDataElement::SetShownArea({}, 0);
  glDisable(GL_STENCIL_TEST);
  glLineWidth(2);
  RoseCompass->Draw(f, HdgBugTimer, static_cast<float>(SelectedHeading));
  AlertUpdate(f);
  cgdraw::BlackColour();
  ModeFlags(f);
  // Everything beyond the arc radius is blacked out.
  cgdraw::BlackColour();
  gluDisk(NdQuadric, f.displaySize, 1.41 * f.displaySize, 360, 2);
  Texts(f);
  cgdraw::BlackColour();
  TrackLine->Draw(f);
  if (Vor) {
    Vor->DrawLabels(f, IpcLatitude, IpcLongitude);
    Vor->DrawPointer(f);
  }
  cgdraw::WhiteColour();
  glTranslated(0, down + 85, 0);
  HdgBox->Draw(f, PolarTrueHeading);
  glTranslated(0, -85, 0);
  cgdraw::BlackColour();
}

void ProfileLayout(NdFrame& f) {
  const double y0 = NdDataVisible && TerrainVisible && f.positionValid ? 10 : -10;
  glTranslated(0, y0, 0);
  TerrainLayer(f);
  TrackLayer(f, 1);
  // Only the square the scissor box leaves can show a symbol.
  TNDDataElement::SetShownArea({0, -y0}, DrawArea / 2 * std::numbers::sqrt2 + 1);
  DatabaseLayer(f);
  TNDDataElement::SetShownArea({}, 0);
  TrackLine->Draw(f);
  cgdraw::BlackColour();
  Rectangle(-100, 77, 100, 120);
  const double alertDown = 0.15 * f.displaySize * DisplaySizeFactor;  // 21.21
  glTranslated(0, -alertDown - y0, 0);
  AlertUpdate(f);
  glTranslated(0, alertDown + y0, 0);
  const double textDown = 0.4365 * f.displaySize * DisplaySizeFactor;  // 61.73
  glTranslated(0, -textDown - y0, 0);
  ModeFlags(f);
  Texts(f);
  if (Vor) Vor->DrawLabels(f, IpcLatitude, IpcLongitude);
  glTranslated(0, textDown + y0, 0);
  glLineWidth(2);
  CtrCompass->Draw(f, HdgBugTimer, static_cast<float>(SelectedHeading));
  if (Vor) Vor->DrawPointer(f);
  const bool window = NdDataVisible || HideBelowCompassArc;
  if (window) {
    // The profile window below the card: stencil 1 inside it only.
    StencilMaskBegin();
    glColor3f(1, 1, 0);
    Rectangle(-200, -200, 200, -101);
    Rectangle(-200, -102, -70, -34);
    Rectangle(70, -102, 200, -34);
    Rectangle(-200, -35, 200, 200);
    glStencilOp(GL_REPLACE, GL_REPLACE, GL_REPLACE);
    Rectangle(-71, -102, 71, -35);
    StencilMaskEnd();
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_EQUAL, 1, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
  }
  if (NdDataVisible && TerrainVisible && f.positionValid && Terrain)
    Terrain->DrawProfile(f, VerticalSpeed, GroundSpeed);
  if (window) glDisable(GL_STENCIL_TEST);
  glTranslated(0, 75, 0);
  HdgBox->Draw(f, PolarTrueHeading);
  glTranslated(0, -75, 0);
  glTranslated(0, -y0, 0);
}

}  // namespace

// ---------------------------------------------------------------------------
// Pure helpers

std::string RangeLabelText(int Range, int m) {
  const int divisor = m > 0 ? 4 / m : 4;
  std::string text = platform::FormatInt(divisor != 0 ? Range / divisor : Range);
  if (text == "2") text = "2.5";
  else if (text == "1") text = "1.25";
  return text;
}

// ---------------------------------------------------------------------------
// Life

void CreateNavigationObjects() {
  CtrCompass = std::make_unique<TCtrCompass>();
  RoseCompass = std::make_unique<TRoseCompass>();
  HdgBox = std::make_unique<THdgBox>();
  NdSymbols = std::make_unique<TNDDataElement>();
  TrackLine = std::make_unique<TTrackLine>();
  Terrain = std::make_unique<Tterrain>();
  Navaids = std::make_unique<Tnavaids>();
  Waypoints = std::make_unique<Twaypoints>();
  Route = std::make_unique<TRoute>();
  FixInfo = std::make_unique<TFixInfo>();
  Vor = std::make_unique<Tvor>();
  // The VOR/ADF display looks its stations up in the navaid database.
  VorNavaids.FindPosition = [](const std::string& id, double la, double lo, double& lat, double& lon) {
    if (Navaids) Navaids->FindPosition(id, la, lo, lat, lon);
  };
  VorNavaids.DmeDistance = [](const std::string& id, bool& flag, double la, double lo, double alt) -> float {
    return Navaids ? Navaids->DmeDistance(id, flag, la, lo, alt) : -999.0f;
  };
  VorNavaids.DrawTuned = [](const NdFrame& f, int f1, int f2) {
    if (Navaids) Navaids->DrawTuned(f, f1, f2);
  };
  // The terrain element's runway reference: the selected runway.
  TerrainRunways = []() -> std::optional<TerrainRunway> {
    if (!Runways || !Runways->RunwaySelected()) return std::nullopt;
    TerrainRunway r;
    r.AirportIdent = Runways->AirportIdent();
    r.RunwayLatitude = Runways->RunwayLatitude();
    r.RunwayLongitude = Runways->RunwayLongitude();
    r.RunwayHalfLength = Runways->RunwayHalfLength();
    r.RunwayElevation = Runways->RunwayElevation();
    return r;
  };
  NdText = std::make_unique<Ttext>();
  Alert = std::make_unique<Talert>();
  TerrainMaxElevation = [] { return Terrain ? Terrain->MaxElevation() : 0; };
  TerrainMinElevation = [] { return Terrain ? Terrain->MinElevation() : 99999; };
  RouteDistanceToActive = [](double lat, double lon) -> double {
    return Route ? Route->DistanceToActive(static_cast<float>(lat), static_cast<float>(lon)) : -1;
  };
  if (!NdQuadric) NdQuadric = gluNewQuadric();
}

void FreeNavigationObjects() {
  // Counts not yet told are written; the lists' last lines as they are.
  ReloadLog().Reset();
  Alert.reset();
  NdText.reset();
  RouteDistanceToActive = nullptr;
  VorNavaids = TVorNavaidLookups{};
  Vor.reset();
  FixInfo.reset();
  Route.reset();
  Navaids.reset();
  Waypoints.reset();
  TerrainMaxElevation = nullptr;
  TerrainMinElevation = nullptr;
  TerrainRunways = nullptr;
  if (Terrain) Terrain->DeleteTextures();
  Terrain.reset();
  if (TrackLine) TTrackLine::DeleteDisplayLists();
  TrackLine.reset();
  if (NdSymbols) TNDDataElement::DeleteSymbolLists();
  NdSymbols.reset();
  HdgBox.reset();
  if (RoseCompass) RoseCompass->DeleteDisplayLists();
  RoseCompass.reset();
  if (CtrCompass) CtrCompass->DeleteDisplayLists();
  CtrCompass.reset();
  if (NdQuadric) gluDeleteQuadric(NdQuadric);
  NdQuadric = nullptr;
}

// ---------------------------------------------------------------------------
// Broker variables

void EndNavigationSession() {
  FirstDataReceived = false;
  ReloadDeferred = false;
  ConnLog.Reset();
  ReloadLog().Reset();
}

void ReloadDatabases(const std::string& Folder, bool HaveDatabases) {
  if (!(std::fabs(OwnLatitude) <= 87)) return;
  if (Navaids) {
    Navaids->Clear();
    Navaids->LoadFromFiles(OwnLatitude, OwnLongitude, Folder, HaveDatabases);
  }
  if (Waypoints) {
    Waypoints->Clear();
    Waypoints->LoadFromFile(OwnLatitude, OwnLongitude, Folder, HaveDatabases);
  }
  if (Runways) {
    Runways->FreeAirports();
    Runways->LoadAirports(OwnLatitude, OwnLongitude, Folder, HaveDatabases);
  }
}

namespace {

// The aircraft has left the loaded block: the databases and the tiles are
// loaded again around it, unless the last reload is less than a second
// old; then the reload waits, and the position it finally runs for is the
// latest one.
void ReloadWhenMoved(const std::string& Folder, bool HaveDatabases) {
  ReloadDeferred = false;
  if (!FirstDataReceived || !Terrain || !Terrain->OutsideCentreBlock(OwnLatitude, OwnLongitude)) return;
  if (ReloadLog().SecondsSinceLastRun() < kReloadSpacing) {
    ReloadDeferred = true;
    return;
  }
  ReloadLog().BeginRun();
  ReloadLog().Log(" Broker Comm: Data reload (plane position moved.");
  ReloadDatabases(Folder, HaveDatabases);
  Terrain->LoadTiles(Folder, OwnLatitude, OwnLongitude);
  ReloadLog().Log(" Broker Comm: Data reload successful.");
}

}  // namespace

double DeferredReloadDelay() {
  if (!ReloadDeferred) return -1;
  return std::max(0.0, kReloadSpacing - ReloadLog().SecondsSinceLastRun());
}

void RunDeferredReload(const std::string& Folder, bool HaveDatabases) {
  if (ReloadDeferred && DeferredReloadDelay() <= 0) ReloadWhenMoved(Folder, HaveDatabases);
}

void ParseNavigationLine(std::string_view Line, const std::string& Folder, bool HaveDatabases,
                         bool PfdOnlyMode) {
  if (Line.empty()) return;
  if (brokerlink::IsConnLine(Line)) {
    std::string_view shown = Line;
    if (shown.back() == '\r') shown.remove_suffix(1);
    ConnLog.Log(" Broker Comm: " + std::string(shown));
    return;
  }
  ReadBrokerDouble(Line, "MV.GndSpeed", GroundSpeed, ValueSpan::RestOfLine);
  ReadBrokerDouble(Line, "IPC.talt", OwnAltitude, ValueSpan::RestOfLine);
  ReadBrokerDouble(Line, "MV.CenterLon", CenterLongitude, ValueSpan::RestOfLine);
  ReadBrokerDouble(Line, "MV.Track", TrackInput, ValueSpan::RestOfLine);
  ReadBrokerDouble(Line, "MV.TAS", TrueAirspeed, ValueSpan::RestOfLine);
  ReadBrokerInt(Line, "MV.GridNorth", GridNorth);
  ReadBrokerInt(Line, "MV.GridSouth", GridSouth);
  ReadBrokerInt(Line, "MV.HdgBugTimer", HdgBugTimer);
  ReadBrokerDouble(Line, "MV.WindRad", WindDirectionRad, ValueSpan::RestOfLine);
  ReadBrokerDouble(Line, "MV.WindSpd", WindSpeedRaw, ValueSpan::RestOfLine);

  if (Line.find("MV.FMCPos") != std::string_view::npos) {
    static const char* const xNames[3] = {"MV.FMCPosX1", "MV.FMCPosX2", "MV.FMCPosX3"};
    static const char* const yNames[3] = {"MV.FMCPosY1", "MV.FMCPosY2", "MV.FMCPosY3"};
    for (int i = 0; i < 3; ++i) {
      int v = 0;
      // Each word is stored as its low 16 bits, two's complement.
      if (ReadBrokerInt(Line, xNames[i], v)) FmcX[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
      if (ReadBrokerInt(Line, yNames[i], v)) FmcY[i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    }
    GridToLatLon(Real48ToDouble(FmcX), Real48ToDouble(FmcY), GridNorth, GridSouth, CenterLongitude,
                 FmcLatitude, FmcLongitude);
  }
  if (Line.find("MV.Irs") != std::string_view::npos) {
    static const char* const xNames[3] = {"MV.IrsX1", "MV.IrsX2", "MV.IrsX3"};
    static const char* const yNames[3] = {"MV.IrsY1", "MV.IrsY2", "MV.IrsY3"};
    for (int i = 0; i < 3; ++i) {
      ReadBrokerDouble(Line, xNames[i], IrsX[i], ValueSpan::RestOfLine);
      ReadBrokerDouble(Line, yNames[i], IrsY[i], ValueSpan::RestOfLine);
    }
    if (Irs) {
      for (int i = 0; i < 3; ++i) {
        double lat = Irs->Latitude[i], lon = Irs->Longitude[i];
        if (GridToLatLon(IrsX[i], IrsY[i], GridNorth, GridSouth, CenterLongitude, lat, lon))
          Irs->SetPosition(i + 1, lat, lon);
      }
    }
  }
  WindDirection = WindDirectionRad * 180 / std::numbers::pi - MagVariation;
  if (WindDirection < 0) WindDirection += 360;
  if (WindDirection >= 360) WindDirection -= 360;
  WindSpeed = WindSpeedRaw / 1.852 * 20;

  PrevLatitude = OwnLatitude;
  PrevLongitude = OwnLongitude;
  IpcLatitude = IpcLatDegrees + IpcLatMinutes / 6000000;
  IpcLongitude = IpcLonDegrees + IpcLonMinutes / 6000000;
  OwnLatitude = FmcLatitude;
  OwnLongitude = FmcLongitude;
  SetReferencePoint(OwnLatitude, OwnLongitude);
  if (PfdOnlyMode) return;

  ReloadWhenMoved(Folder, HaveDatabases);
  if (!FirstDataReceived && OwnLatitude != 0 && OwnLongitude != 0) {
    WriteDebug(" Broker Comm: First initialization of data after connect.");
    FirstDataReceived = true;
    ReloadLog().BeginRun();
    ReloadDatabases(Folder, HaveDatabases);
    if (Terrain) Terrain->LoadTiles(Folder, OwnLatitude, OwnLongitude);
    if (Runways)
      FieldElevation = Runways->SelectRunway(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                             static_cast<float>(OwnAltitude));
    if (Tcas) Tcas->SetFieldElevation(FieldElevation);
    if (Terrain) Terrain->SetReferenceAltitude(FieldElevation);
    WriteDebug(" Broker Comm: First initialization successful.");
  }
  if (std::fabs(PrevLatitude - OwnLatitude) > 0.1 || std::fabs(PrevLongitude - OwnLongitude) > 0.1) {
    if (Runways)
      FieldElevation = Runways->SelectRunway(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                             static_cast<float>(OwnAltitude));
    if (Terrain) Terrain->SetReferenceAltitude(FieldElevation);
    if (Tcas) Tcas->SetFieldElevation(FieldElevation);
  }
}

// ---------------------------------------------------------------------------
// Frame

NdFrame CurrentNdFrame() {
  NdFrame f;
  f.range = NdRange;
  f.ownLatitude = OwnLatitude;
  f.ownLongitude = OwnLongitude;
  f.ownAltitude = OwnAltitude;
  f.heading = NdHeading;
  f.displayHeading = DisplayHeading;
  f.layout = TerrainAltMode ? NdLayout::Profile : NdLayout::Arc;
  f.displaySize = DisplaySize;
  f.positionValid = Irs && Irs->PositionValid();
  f.headingStatus = Irs ? Irs->HeadingStatus() : 0;
  return f;
}

void DrawNavigationDisplay(bool) {
  if (!CtrCompass || !RoseCompass || !HdgBox || !TrackLine) return;
  // Line smoothing stays off on the ND whatever the setting.
  glDisable(GL_LINE_SMOOTH);
  // The frame's view of the aircraft and the display is taken once, at its
  // start.
  NdFrame f = CurrentNdFrame();
  if (FrameCycle == 0 && Terrain) Terrain->SetReferenceAltitude(FieldElevation);
  glClear(GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  if (f.layout == NdLayout::Profile) ProfileLayout(f);
  else ArcLayout(f);
  NdFlags = f.flags;
}

void DrawNdInSquare(int ViewX, int ViewY, int ViewSize, float Scale, int Rotation, bool Smooth) {
  if (!(Scale > 0)) return;
  const int off = platform::SafeRound(ViewSize * (1 - DrawArea / Scale) / 2);
  const int side = platform::SafeRound(ViewSize * DrawArea / Scale);
  glTranslatef(Scale / 2, Scale / 2, 0);
  glRotatef(static_cast<float>(Rotation), 0, 0, 1);
  glScissor(ViewX + off, ViewY + off, side, side);
  glEnable(GL_SCISSOR_TEST);
  DrawNavigationDisplay(Smooth);
  glDisable(GL_SCISSOR_TEST);
  glRotatef(-static_cast<float>(Rotation), 0, 0, 1);
  glTranslatef(-Scale / 2, -Scale / 2, 0);
}
