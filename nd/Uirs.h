// State of the three inertial reference systems as the broker reports it:
// mode selector, alignment, quality, the attitude/heading flag and the
// position each IRS computes. Both displays ask it every frame whether a
// heading, an attitude and a usable position are available.
#pragma once
#include <array>
#include <memory>
#include <string_view>

#include "nd/UNDObjects.h"

class tIRS : public TNDDataElement {
 public:
  // Index 0 is IRS 1.
  std::array<double, 3> Latitude{};   // -91 until a position is stored (after Init)
  std::array<double, 3> Longitude{};  // -181 until a position is stored (after Init)
  std::array<int, 3> IrsQuality{};    // "MV.Irs1Quality".."MV.Irs3Quality"
  std::array<int, 3> Align{};         // "MV.Irs1Align".."MV.Irs3Align"
  int Aligning = 0;                   // "MV.IrsAligning", 1 while an alignment runs
  std::array<int, 3> Sel{};           // "MV.Irs1Sel".."MV.Irs3Sel", mode selector
  std::array<int, 3> AlignDel{};      // "MV.Irs1AlignDel".."MV.Irs3AlignDel"
  int AttHdg = 0;                     // "MV.IrsAttHdg"

  static constexpr unsigned kPositionSymbolList = ndlist::kIrsPosition;

  // Marks every position as not received and compiles the IRS position
  // symbol (a five-pointed star) into its display list. Needs a current GL
  // context.
  void Init();
  // Takes one broker line.
  void ParseLine(std::string_view Line);
  // Index 1 to 3; any other index is ignored.
  void SetPosition(int Index, double Lat, double Lon);
  // Quality of IRS Index (1 to 3); 0 for any other index.
  int Quality(int Index) const;
  // 0 no heading, 1 aligning, 2 heading valid.
  int HeadingStatus() const;
  // 0 no attitude, 1 aligning, 2 attitude valid.
  int AttitudeStatus() const;
  // Some IRS navigates (selector 2) with quality 1 or 2.
  bool PositionValid() const;
  // Draws the position star of each IRS that has a stored position and a
  // quality of 1 or 2, seen from the frame's aircraft.
  void DrawPositions(const NdFrame& Frame) const;
};

// The one IRS element, created and freed with the PFD objects.
extern std::unique_ptr<tIRS> Irs;
