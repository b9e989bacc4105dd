// Reference states of the PFD for drawing tests and benchmarks: a scenario
// is a list of broker lines fed through the real dispatch, then one frame
// is drawn at a fixed size in the current GL context the way the main
// form draws the PFD square. Every text printed meanwhile is recorded.
#pragma once
#include <string>
#include <vector>

#include "support/opengl/CgFontFI.h"
#include "tests/common/PrintRecorder.h"

class TGauge;

namespace pfdtest {

struct Scenario {
  std::string name;
  std::vector<std::string> lines;
  // Resolution advisory rates that the frame hands to the PFD (ft/min,
  // -9999 for none), as the TCAS element would give them.
  int raClimbRate = -9999;
  int raDescendRate = -9999;
};

// Broker lines that put every variable the PFD reads into a plain state:
// level flight at 1000 ft, no flight director, no deviations, no alerts.
// The IRS is left as it is.
std::vector<std::string> NeutralLines();
// Broker lines of three aligned, navigating IRS of good quality.
std::vector<std::string> AlignedIrsLines();
// Broker lines of three IRS that are not aligned (selectors off).
std::vector<std::string> UnalignedIrsLines();

// IRS not aligned (flags only), on ground, climbing turn with the flight
// director, TCAS climb advisory, TCAS descend advisory, windshear.
const std::vector<Scenario>& ReferenceScenarios();

using testsupport::PrintRecord;

struct FrameParams {
  int size = 512;  // PFD viewport side, pixels
  int left = 0, bottom = 0;
  int rotation = 0;
  bool smooth = false;
  float drawScale = 200;  // 200 frames hidden, 255 shown
};

// Owns the fonts and the PFD objects while it lives (one at a time).
class PfdHarness {
 public:
  // Needs a current GL context: reserves the fixed lists, creates the
  // fonts (once per process) and fresh PFD objects, and initialises the
  // IRS element, as the program's start-up does.
  PfdHarness();
  ~PfdHarness();
  PfdHarness(const PfdHarness&) = delete;
  PfdHarness& operator=(const PfdHarness&) = delete;

  // Feeds each line through the line dispatch.
  void Feed(const std::vector<std::string>& lines);
  // Feeds the neutral state, then the scenario's lines; sets the advisory
  // rates as the frame would.
  void Load(const Scenario& s);
  // Draws the frame as the program shows it from its second frame on: the
  // GL state of the program's start-up, the clears of the frame, the PFD
  // square's rotation and DrawPrimaryFlightDisplay, twice. Clears and
  // refills printed.
  void Render(const FrameParams& p = {});
  // One frame, on whatever the frame before left (the benchmarks).
  void DrawFrame(const FrameParams& p = {});

  // Window pixel of a point in a gauge's own units, from the geometry its
  // last BeginDraw set (rotation of the last Render taken into account).
  void GaugeToWindow(const TGauge& g, float gx, float gy, float& wx, float& wy) const;

  std::vector<PrintRecord> printed;
  // Texts printed in font f (nullptr: any font).
  std::vector<PrintRecord> Printed(const std::string& text, const TCGFont3D* f = nullptr) const;

 private:
  FrameParams last_;
};

}  // namespace pfdtest
