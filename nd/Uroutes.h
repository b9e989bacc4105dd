// The FMC route as the broker sends it in the "R." variables: point names,
// positions in whole degrees and tenths of arc minutes, a course and two
// further values per leg, the point count and the length of the last leg.
// Drawn on the ND as magenta legs with a star at every point, the active
// point (point 2) in magenta; the distance to the active point feeds the
// ND's waypoint text.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "nd/UNDObjects.h"

namespace ndlist {
constexpr unsigned kRouteActiveStar = 3040;  // magenta four-pointed star
constexpr unsigned kRouteStar = 3041;        // white four-pointed star
}  // namespace ndlist

// One leg of the route as drawn: its ends in ND units and the symbol at
// its far end.
struct TRouteLeg {
  int to = 0;                 // point number of the far end
  NdPoint a, b;               // screen positions of the two ends
  bool symbol = false;        // a star is plotted at the far end
  unsigned list = 0;          // its display list
  double endLat = 0, endLon = 0;
};

class TRoute : public TNDDataElement {
 public:
  static constexpr int kSlots = 122;
  static constexpr int kMaxCount = 32;

  // Clears the route and compiles the two star lists.
  void BuildDisplayLists();
  // Names, positions and courses of every slot and the count go back to
  // "nothing received"; the f and g values and the last leg stay.
  void Clear();

  void SetName(std::string_view Value, int Index);
  void SetLatDegrees(int Value, int Index);
  void SetLatMinutes(int Value, int Index);
  void SetLonDegrees(int Value, int Index);
  void SetLonMinutes(int Value, int Index);
  void SetLegCourse(int Value, int Index);
  void SetLegValueF(int Value, int Index);
  void SetLegValueG(int Value, int Index);
  void SetCount(int Value);
  void SetLastLeg(int Value);

  // The legs to draw this frame, seen from (OwnLat, OwnLon) with Heading
  // up at Range NM. A first point named "@" zeroes the last leg first.
  std::vector<TRouteLeg> Legs(int Range, float OwnLat, float OwnLon, float Heading);
  // Legs and stars seen from the frame's aircraft (in single precision),
  // the origin at the aircraft symbol.
  void Draw(const NdFrame& Frame);
  // Great-circle NM from (Lat, Lon) to the active point; -1 with fewer
  // than two points.
  float DistanceToActive(float Lat, float Lon) const;

  // Where point k lies (degrees).
  double PointLatitude(int k) const;
  double PointLongitude(int k) const;

  // State, for the tests.
  const std::string& Name(int i) const { return name_[i]; }
  int LatDegrees(int i) const { return latDeg_[i]; }
  int LatMinutes(int i) const { return latMin_[i]; }
  int LonDegrees(int i) const { return lonDeg_[i]; }
  int LonMinutes(int i) const { return lonMin_[i]; }
  int LegCourse(int i) const { return course_[i]; }
  int LegValueF(int i) const { return f_[i]; }
  int LegValueG(int i) const { return g_[i]; }
  int Count() const { return count_; }
  int LastLeg() const { return lastLeg_; }

 private:
  std::array<std::string, kSlots> name_;
  std::array<int, kSlots> latDeg_{}, latMin_{}, lonDeg_{}, lonMin_{}, course_{}, f_{}, g_{};
  int lastLeg_ = 0;
  int count_ = 0;
};

// Takes every "R." item of one broker line into Target. A value that is
// not a whole number ends the walk: the items before it stay taken, the
// line is logged (rate-limited) and the result is false.
bool ParseRouteLine(std::string_view Line, TRoute& Target);

// The one route, made with the ND objects (not in PFD-only mode).
extern std::unique_ptr<TRoute> Route;
