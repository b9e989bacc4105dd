// The traffic computer of the navigation display: one record per intruder
// from the broker's "tcas" items, traffic advisories (TA) and resolution
// advisories (RA) worked out at every report with modified range tau and
// DMOD, vertical tau and the altitude thresholds of a sensitivity level
// chosen by altitude, the climb or descend rate of an RA for the PFD, and
// the traffic symbols on the ND.
//
// Time comes from an injected clock: a monotonic clock for the spans
// between reports and the advisory time-out, and the wall clock only for
// the texts of the log.
#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shared/UDeclarations.h"
#include "nd/UNDObjects.h"
#include "platform/LogLimiter.h"

// ---------------------------------------------------------------------------
// Pure arithmetic of one update

// Thresholds of one sensitivity level.
struct TcasSensitivity {
  double dmodTA = 0, dmodRA = 0;  // NM
  double zthr = 0, alim = 0;      // ft
  double tauTA = 0, tauRA = 0;    // s
};

// The level for own altitude OwnAlt and intruder height Height above the
// field (ft): level 2 when either is below 1000, else the band of OwnAlt;
// nothing at or above 42000 ft (the previous values stay in force).
std::optional<TcasSensitivity> SensitivityFor(double OwnAlt, double Height);

// Range tau (s) modified by Dmod, for slant range r (NM) and range rate
// RangeRate (NM/s): 0 inside Dmod, -1 for a range rate of 0.
double ModifiedTau(double r, double RangeRate, double Dmod);
// Time to co-altitude (s) for DeltaH = own - intruder altitude (ft) and the
// vertical speeds in ft/s; 100 when both are equal.
double VerticalTau(double DeltaH, double OwnVs, double IntruderVs);
// Vertical separation expected at tau0 and at T with the present rates: the
// smaller of the two (0 when they have opposite signs).
double EstAltSep(double DeltaH, double OwnVs, double IntruderVs, double Tau0, double T);
// Vertical separation at tau0 and at T if the aircraft flew vertical speed
// V (ft/s): the smaller of the two.
double SeparationWithRate(double DeltaH, double V, double IntruderVs, double Tau0, double T);

// ---------------------------------------------------------------------------
// Pure classification of one traffic symbol

enum class TrafficClass { None, Resolution, Advisory, Proximate, Other };

struct TrafficView {
  int range = 10;                  // NM
  double ownLat = 0, ownLon = 0;   // degrees
  double ownAlt = 0;               // ft
  double heading = 0;              // degrees true, straight up
  double fieldElevation = 0;       // ft
  bool taOnly = false;
  int upper = 2700, lower = -2700;  // relative-altitude window of other traffic, ft
};

struct TrafficSymbol {
  TrafficClass cls = TrafficClass::None;
  double x = 0, y = 0;   // ND units about the aircraft symbol
  double distance = 0;   // NM
  std::string label;     // relative altitude in hundreds of feet
  bool above = true;     // label above the symbol
  int arrow = 0;         // 1 climbing, -1 descending, 0 no arrow
};

// The relative-altitude label for rel ft: " 00" within 49 ft, a sign and
// the hundreds of feet below 10000 ft, nothing from there on.
std::string TrafficLabel(long long rel);
// What DrawIntruder draws for intruder r.
TrafficSymbol ClassifyIntruder(const tcasDataRecord& r, const TrafficView& v);

// ---------------------------------------------------------------------------
// The traffic computer

struct TcasTime {
  double monotonic = 0;   // seconds on a clock that never goes back
  double timeOfDay = 0;   // wall clock, seconds since midnight
  std::string text;       // wall clock as the log shows it
};
using TcasClock = std::function<TcasTime()>;
// The system's steady clock and local time of day.
TcasTime TcasSystemTime();

class Ttcas : public TNDDataElement {
 public:
  static constexpr std::size_t kMaxIntruders = 256;
  static constexpr int kNoRate = -9999;

  // An empty clock is the system's.
  explicit Ttcas(TcasClock Clock = {});
  ~Ttcas() override;
  Ttcas(const Ttcas&) = delete;
  Ttcas& operator=(const Ttcas&) = delete;

  // On, an empty intruder list, the normal altitude window, no advisory.
  void Init();
  bool Enabled() const { return !off_; }
  void SwitchOn() { off_ = false; }
  // Off: every intruder is forgotten.
  void SwitchOff();
  // The broker link has ended: every intruder's encounter ends, so the
  // repeats its logs counted are written now.
  void EndSession();
  void SetTAOnly(bool Value) { taOnly_ = Value; }
  void SetAltitudeWindow(int Above, int Below);
  void SetFieldElevation(double Elevation) { fieldElevation_ = Elevation; }

  // One report: tracks, re-evaluates or removes (all-zero report) the
  // intruder of Message's callsign. Own position in degrees, altitude in
  // ft, vertical speed in ft/min.
  void UpdateIntruder(const tcasDataRecord& Message, double OwnLat, double OwnLon, double OwnAlt,
                      double OwnVS);
  // Once per frame: 2 while a resolution advisory is active, else 0 (and
  // both rates reset).
  int UpdateAdvisoryState();
  int ClimbRate() const { return advisoryState_ == 2 ? climbRate_ : kNoRate; }
  int DescendRate() const { return advisoryState_ == 2 ? descendRate_ : kNoRate; }
  void SelectSensitivityLevel(double OwnAlt, double Height);

  // Draws every intruder as seen in the frame (the model-view origin at the
  // aircraft symbol) and notes whether a TA or an RA symbol was drawn.
  void DrawTraffic(const NdFrame& Frame);
  void DrawIntruder(const NdFrame& Frame, const tcasDataRecord& Intruder);
  void GetAdvisoryFlags(bool& TADrawn, bool& RADrawn) const;
  // A frame that draws no traffic raises no traffic alert.
  void ClearAdvisoryFlags() { taDrawn_ = raDrawn_ = false; }

  // State, for the ND and for tests.
  const TcasSensitivity& Sensitivity() const { return sens_; }
  std::size_t IntruderCount() const { return intruders_.size(); }
  // The intruder with that callsign, or null.
  const tcasDataRecord* Intruder(const std::string& Callsign) const;
  int AdvisoryState() const { return advisoryState_; }
  bool TAOnly() const { return taOnly_; }
  int UpperLimit() const { return upper_; }
  int LowerLimit() const { return lower_; }
  double FieldElevationFt() const { return fieldElevation_; }

 private:
  struct Track {
    Track(const platform::TLogLimiter::Sink& Sink, const platform::TLogLimiter::Clock& Clock,
          const std::string& Callsign);
    // The encounter is over: the counted repeats are written, and the next
    // detection of each kind is written in full again.
    void EndEncounter();

    tcasDataRecord rec;
    double reportTime = 0, prevReportTime = 0;  // monotonic seconds
    std::string reportText, prevReportText;     // wall clock
    // This intruder's logs: the first TA and the first RA of an encounter
    // in full, their repeats only counted until the encounter ends; a short
    // span in full when none was logged in the last 10 s, else counted.
    platform::TLogLimiter taLog, raLog, shortSpanLog;
  };
  void Evaluate(Track& t, double OwnAlt, double OwnVS);
  void LogSet(platform::TLogLimiter& Log, const std::vector<std::string>& Lines);
  // Every intruder's encounter ends; the overall count is written.
  void EndEncounters();

  TcasClock clock_;
  bool off_ = false;
  std::vector<std::unique_ptr<Track>> intruders_;
  double fieldElevation_ = 0;
  bool taOnly_ = false;
  bool taDrawn_ = false, raDrawn_ = false;
  int upper_ = 2700, lower_ = -2700;
  TcasSensitivity sens_;
  int advisoryState_ = 0;
  double lastRaTime_ = 0;  // monotonic seconds
  int climbRate_ = kNoRate, descendRate_ = kNoRate;

  // The reports of new callsigns a full list turns away: written when none
  // was logged in the last 10 s, else counted (a summary per 10 s).
  platform::TLogLimiter fullLog_;
  // Every intruder's detection lines pass this cap, so a broker that keeps
  // inventing callsigns cannot flood the log.
  platform::TLogBudget detectionLog_;
};

// The one traffic computer, made at program start (PFD-only mode too).
extern std::unique_ptr<Ttcas> Tcas;
