// Record types exchanged between the shell, the PFD and the ND, the compass
// labels and the drawing constants of the main display program.
#pragma once
#include <cstdint>
#include <string>

// One TCAS intruder report. The shell's parser fills callsign, latitude,
// longitude and altitude; the TCAS element owns the other fields.
struct tcasDataRecord {
  std::string callsign;
  float latitude = 0;
  float prevLatitude = 0;
  float longitude = 0;
  float prevLongitude = 0;
  std::int32_t altitude = 0;
  std::int32_t prevAltitude = 0;
  float slantRange = 0;
  float prevSlantRange = 0;
  bool trafficAdvisory = false;
  bool resolutionAdvisory = false;
  std::uint8_t spare = 0;
  float timeOfDay = 0;      // seconds: minutes * 60 + seconds + ms / 1000
  float prevTimeOfDay = 0;
  double timeStamp = 0;     // days, fraction = time of day
  double prevTimeStamp = 0;
};

// One waypoint of the waypoint database.
struct wpt_rec {
  float latitude = 0;
  float longitude = 0;
  std::string ident;
};

// Compass card labels every 30 degrees (heading in tens of degrees).
extern const char* const CompassLabels[12];
// Display lists of the compass cards.
constexpr unsigned CtrCompassList = 1;       // centred card with labels
constexpr unsigned RoseCompassList = 2;      // rose card with labels
constexpr unsigned CtrCompassPlainList = 3;  // centred card without labels
constexpr unsigned RoseCompassPlainList = 4; // rose card without labels

constexpr float DisplaySize = 141.42f;       // reference size of the ND drawing
constexpr float DisplaySizeFactor = 1.0f;
constexpr std::int32_t PolarSouthLimit = -65;  // headings shown true at and south of it
constexpr float DrawArea = 200.0f;           // one display's instrument square

extern float DrawScale;             // 255 with frames shown, 200 without
extern bool RequiredFilesFound;     // "747world.mv" exists
extern std::int32_t FieldElevation; // feet, selected runway's airport
