// The two reference fixes of the FMC FIX page on the ND: a green symbol
// with the fix name, up to four dashed distance circles labelled with their
// distance, and up to four dashed radials, from the "MV.Fix1..."/"MV.Fix2..."
// broker variables.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nd/UNDObjects.h"

namespace ndlist {
constexpr unsigned kFixVorDme = 3025;   // hexagon with three rectangles
constexpr unsigned kFixCircle = 3027;   // small circle
constexpr unsigned kFixTriangle = 3028;
constexpr unsigned kFixVor = 3029;      // hexagon
}  // namespace ndlist

// Draws with the y axis (the nose) turned clockwise by Degrees, the way
// bearings, the symbols' places and the compass card run on the display,
// and turns it back: the one turn for directions that come from broker
// bearings (fix radials, bearing pointers, radio and course lines). GL
// turns counter-clockwise, so the model-view turns by -Degrees.
void DrawTurned(double Degrees, const std::function<void()>& Draw);

// The turn of a fix radial B (whole degrees magnetic) for a fix with
// magnetic variation MagVar, seen with Heading (true): the radial's true
// bearing B + MagVar from the nose.
double FixRadialAngle(int B, double Heading, int MagVar);

struct TFix {
  std::string name;
  std::array<int, 4> bearings{};   // whole degrees; 999 or negative: none
  std::array<int, 4> distances{};  // whole NM; 999 or negative: none
  int latDegrees = 0, latTenths = 0, lonDegrees = 0, lonTenths = 0;
  double latitude = 0, longitude = 0;  // computed at each draw
  int active = 0;
  int type = 0;
  int magVar = 0;  // computed at each draw
};

// The symbol list of a fix type.
unsigned FixSymbolList(int Type);
// True when a distance or bearing value is shown (neither 999 nor negative).
inline bool FixValueShown(int v) { return v != 999 && v >= 0; }
// Farthest a fix may lie for its circles and radials (NM).
constexpr double kFixRingLimit = 1580;

// Half side of the square around the aircraft that holds everything the ND
// can show in either layout (ND units).
constexpr double kFixVisibleHalf = 200;

// A dashed distance circle of D NM at Range: radius in ND units and the
// number n of chords of the full n-gon (every other one is drawn).
struct TFixCircle {
  double radius = 0;
  std::int64_t n = 0;
};
TFixCircle FixCircle(int D, int Range);
// The drawn chords (the starting point numbers j, even, with j + 1 <= n)
// of a circle whose centre lies at (cx, cy) from the aircraft that meet the
// visible square, ascending.
std::vector<std::int64_t> VisibleFixChords(const TFixCircle& c, double cx, double cy);
// Whether the chord from point j to j + 1 meets the visible square.
bool FixChordVisible(const TFixCircle& c, double cx, double cy, std::int64_t j);
// Point j of a circle, relative to its centre.
NdPoint FixCirclePoint(const TFixCircle& c, std::int64_t j);

class TFixInfo : public TNDDataElement {
 public:
  // Compiles the four fix symbol lists.
  void BuildDisplayLists();
  void ParseLine(std::string_view Line);
  // Both fixes as seen in the frame.
  void Draw(const NdFrame& Frame);

  // Positions and variations of both fixes, as the draw computes them.
  void UpdatePositions();

  const TFix& Fix(int n) const { return fix_[n - 1]; }

  // What the last Draw emitted, for the tests and the benchmark.
  long long LastVertices() const { return vertices_; }

 private:
  void DrawCircle(int D, int Range, double cx, double cy);
  void DrawRadial(int B, double Heading, int MagVar);
  std::array<TFix, 2> fix_{};
  long long vertices_ = 0;
};

extern std::unique_ptr<TFixInfo> FixInfo;
