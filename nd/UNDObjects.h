// The navigation display's element base with its shared symbols, and the
// fixed heading furniture: heading box, the two compass cards and the track
// line with its trend vector and altitude range arc.
//
// ND drawing units: the origin is the aircraft symbol and 141.42 units
// (DisplaySize) equal the selected range in nautical miles. Symbols are
// drawn upright; the cards turn with the displayed heading.
//
// Every element keeps its arithmetic in the pure functions below, which a
// test calls without a GL context; the Draw operations take the frame's
// context (NdFrame) and, as arguments, what only they need. Destructors
// make no GL calls: the shared lists are deleted once, by the ND's own
// release, while the context is current.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "nd/NdFrame.h"

// Fixed display-list numbers of the ND symbols (compass cards: see
// shared/UDeclarations.h).
namespace ndlist {
constexpr unsigned kNavaidVorDme = 3020;      // cyan hexagon with ears
constexpr unsigned kNavaidVor = 3021;         // cyan hexagon
constexpr unsigned kNavaidDme = 3022;         // cyan outline
constexpr unsigned kAirport = 3023;           // cyan circle
constexpr unsigned kWaypoint = 3024;          // cyan triangle
constexpr unsigned kTunedVorDme = 3050;       // green versions of the navaids
constexpr unsigned kTunedVor = 2051;
constexpr unsigned kTunedDme = 2052;
constexpr unsigned kTrafficOther = 3010;      // white diamond
constexpr unsigned kTrafficProximate = 3011;  // white filled diamond
constexpr unsigned kTrafficAdvisory = 3012;   // amber disk
constexpr unsigned kResolutionAdvisory = 3013;  // red square
constexpr unsigned kClimbArrow = 3031;        // in the current colour
constexpr unsigned kDescendArrow = 3032;
constexpr unsigned kHeadingPointer = 3034;
constexpr unsigned kAltitudeArc = 3035;
constexpr unsigned kIrsPosition = 2060;
}  // namespace ndlist

struct NdPoint {
  double x = 0, y = 0;
};
struct NdSegment {
  NdPoint a, b;
};

// ---------------------------------------------------------------------------
// Element base and symbols

// Where a symbol at (SymLat, SymLon) lies on the ND seen from the aircraft
// at (AcLat, AcLon) with Heading straight up, at Range NM; nothing when it
// lies outside the plotting box of 1.5 x Range around the aircraft (both
// window tests strict; NaN counts as outside).
std::optional<NdPoint> SymbolPosition(float AcLat, float AcLon, float Heading, float SymLat,
                                      float SymLon, int Range);

class TNDDataElement {
 public:
  virtual ~TNDDataElement() = default;

  // Compiles the fourteen shared symbol lists (current GL context).
  void BuildSymbolLists();
  // Deletes the shared symbol lists that the element base owns. Called
  // once, by the ND's release at program end, with the context current.
  static void DeleteSymbolLists();

  // Draws List and Label at the ND position of a symbol at (SymLat,
  // SymLon) seen from the frame's aircraft position, heading and range (in
  // single precision), or nothing outside the plotting box. Label may be
  // empty or null. Ends with line width 1; after a drawn symbol the colour
  // is white.
  void PlotSymbol(const NdFrame& Frame, unsigned List, const char* Label, float SymLat,
                  float SymLon) const;

  // Between BeginSymbols and EndSymbols, PlotSymbol only notes what it
  // would draw; EndSymbols draws it: the first symbol as PlotSymbol does,
  // the outlines of the rest in one batch of lines, then their labels in
  // order. When every noted list is a cyan outline symbol, outlines and
  // labels share one colour and the picture does not depend on the order
  // they are laid down in; otherwise the symbols are drawn one by one.
  // Symbols and labels wholly outside the shown area are left out.
  void BeginSymbols() const;
  void EndSymbols() const;

  // The part of the ND a frame can show, as a circle in the units and
  // about the origin PlotSymbol places symbols in. A radius that is not
  // positive and finite shows everything (the default).
  static void SetShownArea(NdPoint Centre, double Radius);

 private:
  struct NotedSymbol {
    unsigned list;
    std::string label;
    NdPoint at;
    bool shown = true;
  };
  void DrawSymbolAt(unsigned List, const char* Label, NdPoint At) const;
  mutable bool noting_ = false;
  mutable std::vector<NotedSymbol> noted_;
  mutable std::vector<float> batch_;
};

// The outline loops of a symbol list drawn as outlines in cyan (waypoint,
// navaids, airport), in the list's own units; empty for any other list.
const std::vector<std::vector<NdPoint>>& CyanSymbolOutlines(unsigned List);

// True when a symbol at P with a label of Characters characters of a font
// of Size units (started at 0.5, -1.1 font units from P) lies wholly
// outside the circle (Centre, Radius); never for a radius that is not
// positive and finite.
bool SymbolOutsideCircle(NdPoint P, std::size_t Characters, double Size, NdPoint Centre, double Radius);

// ---------------------------------------------------------------------------
// Heading box

// The three digits of the heading box: hundreds, tens, units of the
// rounded heading folded into 0..359, or "-" each while aligning
// (HeadingStatus 1).
std::array<std::string, 3> HeadingDigits(double Heading, int HeadingStatus);
// True north and south of the band where headings are shown magnetic.
bool TrueHeadingRegion(double Latitude);

class THdgBox {
 public:
  void Init() {}
  // The frame's displayed heading and heading status; the true/grid
  // reading from its latitude, with GridHeading in degrees.
  void Draw(const NdFrame& Frame, double GridHeading) const;
};

// ---------------------------------------------------------------------------
// Compass cards

// Position of a compass label, in units of the label font, for a label of
// one or two characters on the centred (profile) or rose (arc) card.
NdPoint CompassLabelOffset(bool Rose, std::size_t Characters);

class TCompassCard {
 public:
  virtual ~TCompassCard() = default;
  // Compiles the labelled and the plain card.
  void BuildDisplayLists() const;
  // Turned by the frame's displayed heading (in single precision), as its
  // heading status allows, with the selected-heading marker at Selected
  // degrees. ShowSelectedLine: non-zero shows the dashed selected-heading
  // line.
  void Draw(const NdFrame& Frame, int ShowSelectedLine, float Selected) const;
  // Frees the two lists (context current).
  void DeleteDisplayLists() const;

 protected:
  explicit TCompassCard(bool Rose) : rose_(Rose) {}

 private:
  void CompileCard(unsigned list, bool labelled) const;
  bool rose_;
};

// The card of the profile layout: a full circle of radius 70.71 around
// the aircraft (lists 1 and 3).
class TCtrCompass : public TCompassCard {
 public:
  TCtrCompass() : TCompassCard(false) {}
};

// The card of the arc layout: radius 141.42, of which the upper arc shows
// (lists 2 and 4).
class TRoseCompass : public TCompassCard {
 public:
  TRoseCompass() : TCompassCard(true) {}
};

// ---------------------------------------------------------------------------
// Track line, trend vector, altitude range arc

// The track line and its ticks for Fraction of the line length Length at
// Bank degrees (in a turn the line leaves its first part to the trend
// vector).
std::vector<NdSegment> RangeMarkSegments(double Fraction, double Bank, double Length);

// The trend vector: the turn centre r units right of the aircraft (left
// when negative) and up to three strips of points about it (4.5-30 s,
// 34.5-60 s and 64.5-90 s ahead). Empty when there is no turn to show.
struct TrendVector {
  double r = 0;
  std::vector<std::vector<NdPoint>> strips;
};
TrendVector TrendVectorGeometry(int Range, double GroundSpeed, double Bank);

// Vertical offset of the altitude range arc's list origin, or nothing when
// no arc is shown.
std::optional<double> AltitudeArcOffset(int Range, bool Centred, double GroundSpeed,
                                        double VerticalSpeed, double Altitude,
                                        double SelectedAltitude);

class TTrackLine {
 public:
  float Length = 0;

  // Stores Length and compiles the heading pointer and the altitude arc.
  void BuildDisplayLists(float NewLength);
  // Heading pointer on top of the card of the frame's layout, turned by
  // Angle degrees, and, without a valid position, the amber "MAP" flag.
  void Draw(const NdFrame& Frame) const;
  void DrawRangeMarks(float Fraction, float Bank) const;
  // Speed: ground speed (kt); Bank in degrees.
  void DrawTrendVector(const NdFrame& Frame, float Speed, float Bank) const;
  // Speed: ground speed (kt); Climb: vertical speed (ft/min); Altitude and
  // Selected: displayed and selected altitude (ft). Centred in the profile
  // layout.
  void DrawAltitudeArc(const NdFrame& Frame, float Speed, float Climb, float Altitude,
                       float Selected) const;
  // Frees the two lists (context current).
  static void DeleteDisplayLists();
};
