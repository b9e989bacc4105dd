// What one frame of the navigation display is drawn from: the composition
// takes these values once at the start of the frame and hands the same
// context to every element's Draw, so that no element reads them from the
// globals and none can receive them in the wrong order.
#pragma once

#include "shared/UDeclarations.h"

// The two layouts of the ND: the arc (the aircraft low on the display, the
// rose card) and the profile (the aircraft in the centre, the centred card,
// the vertical profile below it).
enum class NdLayout { Arc, Profile };

// What the layers of one ND frame raised; all false at the start of a frame.
struct NdFrameFlags {
  bool terrainCaution = false;
  bool terrainWarning = false;
  bool clearanceFloor = false;
  bool trafficAdvisoryDrawn = false;
  bool resolutionAdvisoryDrawn = false;
  bool trafficAlert = false;  // a TA or an RA symbol drawn: the traffic alert's input
};

struct NdFrame {
  int range = 10;                  // NM, the selected range
  double ownLatitude = 0;          // degrees, the aircraft position the ND is drawn around
  double ownLongitude = 0;         // degrees
  double ownAltitude = 0;          // ft
  double heading = 0;              // degrees true: the direction straight up on the map
  double displayHeading = 0;       // degrees: the heading the card, the box and the pointers show
  NdLayout layout = NdLayout::Arc;
  float displaySize = DisplaySize;  // ND units for the selected range
  bool positionValid = false;      // some IRS navigates with a usable position
  int headingStatus = 0;           // 0 no heading, 1 aligning, 2 heading valid
  NdFrameFlags flags;              // raised by the layers as the frame is drawn
};
