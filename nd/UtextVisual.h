// The fixed texts of the navigation display and its aural alerts.
//
// Ttext draws the next waypoint's block (name, ETA, distance) in the top
// right corner, the ground speed, true airspeed and wind in the top left
// corner, and the boxed mode flags with the highest and lowest terrain down
// the left edge. Talert shows the "TRAFFIC" and "TERRAIN" annunciations and
// plays each alert's sound once when the alert begins.
#pragma once
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "nd/NdFrame.h"
#include "platform/LogLimiter.h"
#include "platform/MediaPlayer.h"

// ---- Pure text and colour builders ----

// The ETA text "HHMM.T" of a time in tenths of minutes since midnight UTC;
// "-----" when not shown, for 0 and for a negative time.
std::string EtaText(int Eta, bool Shown);
// The distance text of D nautical miles: leading zeros dropped, the units
// digit always below 1 NM, tenths below 100 NM; "---" when not shown or D
// is negative (no route).
std::string DistanceText(double D, bool Shown);
// The three digit slots of a speed (hundreds, tens, units); an empty slot
// is not drawn (leading zeros leave their slot empty, 0 shows "0").
std::array<std::string, 3> SpeedSlots(double Speed);
// The three digits of a wind direction, leading zeros shown, each
// truncated ("359.7" gives "359").
std::array<std::string, 3> WindDirectionDigits(double Direction);
// The wind speed, rounded, in decimal.
std::string WindSpeedText(double Speed);

struct TextColour {
  float r = 0, g = 0, b = 0;
};
// The colour of a terrain number at elevation ft seen from altitude ft;
// none (the colour is left as it was) outside the three bands.
std::optional<TextColour> ElevationColourOf(int Elevation, int Altitude);
// Sets the colour of a terrain number (GL).
void ElevationColour(int Elevation, int Altitude);

// ---- The text element ----

class Ttext {
 public:
  int WaypointEta = 0;     // tenths of minutes since midnight UTC; 0 none
  int AlternateEta = 0;    // last "MV.WptGMT2"
  int WaypointLength = 0;  // last "MV.WptLen"; the name is drawn only when not 0
  std::string WaypointName;  // last "MV.WptStr"

  // Takes one broker line: the three waypoint variables.
  void ParseLine(std::string_view Line);

  // The waypoint block, speeds and wind, as the frame's position validity
  // allows; the wind arrow turned by its displayed heading. RouteNm: the
  // distance to the active route point (negative: no route); Gs and Tas in
  // knots; the wind from WindDir (degrees magnetic) at WindSpd.
  void Draw(const NdFrame& Frame, double RouteNm, double Gs, double Tas, double WindDir,
            double WindSpd) const;

  // The boxed mode flags down the left edge ("WPT", "ARPT", "STA", "TERR",
  // "TFC", "TA ONLY", "TCAS OFF") with the highest and lowest terrain (0 and
  // 99999 hide them) coloured against the frame's altitude.
  void DrawFlags(const NdFrame& Frame, bool Wpt, bool Arpt, bool Sta, bool Terr, bool TcasOn, bool Tfc,
                 bool TaOnly, int Highest, int Lowest) const;

  // Whether the waypoint block shows the ETA and distance, and the name.
  bool WaypointShown(bool PositionValid) const;
  bool NameShown(bool PositionValid) const;
};

// ---- The alert element ----

class Talert {
 public:
  static constexpr const char* kTrafficSound = "audio/TrafficTraffic.wav";
  static constexpr const char* kCautionSound = "audio/CautionTerrain.wav";
  static constexpr const char* kWarningSound = "audio/TerrainPullUp.wav";
  static constexpr const char* kFloorSound = "audio/C09.WAV";

  bool FloorPlayed = false;
  bool CautionPlayed = false;
  bool WarningPlayed = false;
  bool TrafficPlayed = false;
  platform::TMediaPlayer* Player = nullptr;  // the main form's player, not owned
  std::string BaseFolder;                    // the program folder
  // The clock of the sound lines' limiters (empty: the system's); tests
  // set it before the first sound.
  platform::TLogLimiter::Clock LogClock;

  // Clears the played flags and keeps the player and the folder.
  void Init(platform::TMediaPlayer* player, const std::string& folder);
  // Once per ND frame in the ND's drawing coordinates: the annunciations,
  // and each alert's sound when it begins. While Inhibited (the crew's
  // terrain inhibit) no terrain sound plays (the flags are set as if it
  // had).
  void Update(bool Traffic, bool Floor, bool Caution, bool Warning, bool Inhibited);
  // Plays one sound file (relative to BaseFolder) without waiting; a
  // failure is swallowed and only the success is logged. When the player
  // has no sound device, that is logged once and the player is not asked
  // again.
  void Play(const std::string& File);

 private:
  // Each sound's log lines: as they are, unless the same line (or its
  // count) was logged less than 10 s before (an alert that flickers); then
  // counted.
  struct SoundLogs {
    platform::TLogLimiter trying, played;
  };
  SoundLogs& LogsFor(const std::string& File);
  void PlayTerrain(const char* File, bool& Played, bool Inhibited);

  std::map<std::string, std::unique_ptr<SoundLogs>> logs_;
  bool noDevice_ = false;  // the player has no sound device
};

extern std::unique_ptr<Ttext> NdText;
extern std::unique_ptr<Talert> Alert;
