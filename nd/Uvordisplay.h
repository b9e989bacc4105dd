// The radio navigation of the ND for the left and right receivers: VOR or
// ADF bearing pointers on the compass, the "VOR L"/"ADF R" corner blocks
// with frequency or ident and DME distance, green lines along the received
// VOR radials, dashed selected-course lines through the tuned VOR stations
// and the tuned navaids in green, from the "MV.vor..."/"MV.adf..." broker
// variables.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nd/NdFrame.h"

namespace ndlist {
constexpr unsigned kLeftHead = 3042;
constexpr unsigned kRightHead = 3043;
constexpr unsigned kLeftHeadCentred = 3044;
constexpr unsigned kRightHeadCentred = 3045;
constexpr unsigned kLeftTail = 3046;
constexpr unsigned kRightTail = 3047;
}  // namespace ndlist

// The navaid database's look-ups, as this element calls them. Until they
// are bound, nothing is found: no position (-91 / -181), no DME distance
// (-999, the flag left as it is) and no tuned navaid drawn.
struct TVorNavaidLookups {
  // Position of the navaid Ident near (OwnLat, OwnLon).
  std::function<void(const std::string& Ident, double OwnLat, double OwnLon, double& Lat, double& Lon)>
      FindPosition;
  // Slant distance (NM) to the navaid Ident; sets DmeFlag for a station
  // with DME.
  std::function<float(const std::string& Ident, bool& DmeFlag, double OwnLat, double OwnLon, double OwnAlt)>
      DmeDistance;
  // The navaids tuned on Freq1 and Freq2 (hundredths of a MHz, -1 none)
  // in green, as seen in the frame.
  std::function<void(const NdFrame& Frame, int Freq1, int Freq2)> DrawTuned;
};
extern TVorNavaidLookups VorNavaids;

// A frequency text ("117.30") in hundredths of a MHz; -1 when the text is
// empty or not a decimal number, or when Length is 0.
int TunedFrequency(const std::string& Text, int Length);
// "DME 13.0" for 12.96 NM; "DME ---" when not decoded or not found (-999).
// Distance is rounded to a tenth first.
std::string DmeText(double Distance, bool Decoded);

// One receiver's side (index 0 left, 1 right).
struct TVorSide {
  int radial = 0;         // tenths of a degree
  int efis = 0;           // 2 VOR, 0 ADF, other: nothing shown
  int vorDecoded = 0, adfDecoded = 0;
  std::string vorFreq, adfFreq, vorIdent, adfIdent;
  int vorInRange = 0;
  int adfReceived = 0;
  bool dmeFlag = false;
  double dmeDistance = 0;  // NM, -999 not found
  int pointerBearing = 0;  // tenths of a degree
  int course = 0;          // whole degrees, 361 none
  int vorFreqLength = 0, adfFreqLength = 0;
};

// A corner block as drawn.
struct TVorBlock {
  bool shown = false;
  bool vor = false;       // else ADF
  std::string title;      // "VOR L"
  std::string second;     // frequency or ident
  bool secondSmall = false;  // printed with Font040, else Font8Alias
  bool dmeShown = false;
  std::string dme;
};

// One bearing pointer as drawn.
struct TVorPointer {
  int side = 0;
  bool adf = false;       // cyan, else green
  unsigned head = 0, tail = 0;
  double radius = 0;      // head and tail sit this far from the centre
  double angle = 0;       // the turn DrawTurned takes, degrees clockwise
};

class Tvor {
 public:
  // Both EFIS selections show nothing; compiles the six pointer lists.
  void BuildDisplayLists();
  void ParseLine(std::string_view Line);
  // The navaids the two VOR receivers are tuned to.
  void DrawTunedNavaids(const NdFrame& Frame);
  // The lines along the received radials, turned by the frame's displayed
  // heading, with the DME distances from the frame's position and altitude.
  void DrawRadioLines(const NdFrame& Frame);
  // The selected-course lines through the tuned stations.
  void DrawStations(const NdFrame& Frame);
  // The corner blocks, the DME distance measured from (DmeLat, DmeLon) at
  // the frame's altitude.
  void DrawLabels(const NdFrame& Frame, double DmeLat, double DmeLon);
  // The bearing pointers on the card of the frame's layout, turned by its
  // displayed heading.
  void DrawPointer(const NdFrame& Frame);

  // The block of a side from the current values (the DME distance as it
  // stands).
  TVorBlock Block(int Side) const;
  // The pointers DrawPointer draws, in order.
  std::vector<TVorPointer> Pointers(bool Centred, double Heading) const;
  // The selected-course line's turn at the station of a side, or false
  // when no line is drawn; fills the station offset from the aircraft.
  bool CourseLine(int Side, int Range, double Lat, double Lon, double Heading, double& x, double& y,
                  double& angle) const;

  const TVorSide& Side(int i) const { return side_[i]; }
  TVorSide& Side(int i) { return side_[i]; }

  long long LastVertices() const { return vertices_; }
  void ResetVertexCount() { vertices_ = 0; }

 private:
  std::array<TVorSide, 2> side_{};
  long long vertices_ = 0;
};

extern std::unique_ptr<Tvor> Vor;
