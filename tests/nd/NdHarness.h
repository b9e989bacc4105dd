// Reference states of the ND for drawing tests and benchmarks: a scenario
// is a list of broker lines fed through the real dispatch plus the display
// settings, then one frame of the ND square is drawn at a fixed size in the
// current GL context the way the main form draws it. Every text printed
// meanwhile is recorded.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "support/opengl/CgFontFI.h"
#include "tests/common/PrintRecorder.h"

namespace ndtest {

struct Scenario {
  std::string name;
  std::vector<std::string> lines;
  int range = 10;
  bool profile = false;    // TerrainAltMode: the profile layout
  bool hideBelow = false;  // HideBelowCompassArc
};

// Broker lines: three aligned, navigating IRS of good quality, or three
// IRS switched off.
std::vector<std::string> AlignedIrsLines();
std::vector<std::string> UnalignedIrsLines();
// Broker lines that put the aircraft at (lat, lon) on the flat grid: the
// FMC position words and the three IRS positions.
std::vector<std::string> PositionLines(double lat, double lon, int centreLon = -122);
// Two neighbouring own longitudes, less than a degree east of lon at
// latitude lat, between which the great-circle distance to (toLat, toLon)
// passes nm: from the first it is at most nm, from the second more. The
// distances are those of CalcDistanceBearing, which the loaders' filters
// use.
std::pair<double, double> DistanceEdge(double lat, double lon, double toLat, double toLon, double nm);
// Level flight at 4000 ft, heading 090 true and magnetic, no wind, at the
// demo field.
std::vector<std::string> NeutralLines();

// irs-not-aligned, on-ground, right-turn-climb, left-turn-range-40,
// profile, polar, hide-below-arc, texts.
const std::vector<Scenario>& ReferenceScenarios();
const Scenario& ReferenceScenario(const std::string& name);

using testsupport::PrintRecord;

struct FrameParams {
  int size = 512;  // ND viewport side, pixels
  int rotation = 0;
  float drawScale = 200;  // 200 frames hidden, 255 shown
};

// Owns the fonts, the PFD objects (for the IRS element) and the ND objects
// while it lives (one at a time).
class NdHarness {
 public:
  NdHarness();
  ~NdHarness();
  NdHarness(const NdHarness&) = delete;
  NdHarness& operator=(const NdHarness&) = delete;

  void Feed(const std::vector<std::string>& lines);
  // Neutral lines, then the scenario's lines and settings.
  void Load(const Scenario& s);
  // One frame of the ND square at the bottom left of the context, as the
  // main form draws it. Clears and refills printed.
  void Render(const FrameParams& p = {});
  // Window pixel of an ND point (units about the aircraft symbol) in the
  // arc layout of the last Render, rotation 0.
  void NdToWindow(double x, double y, int& wx, int& wy) const;

  std::vector<PrintRecord> printed;
  std::vector<PrintRecord> Printed(const std::string& text) const;

 private:
  FrameParams last_;
};

}  // namespace ndtest
