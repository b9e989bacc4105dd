#include "nd/Utcas.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cmath>
#include <ctime>
#include <limits>
#include <numbers>

#include "shared/Udebug.h"
#include "shared/Ufonts.h"
#include "platform/Numbers.h"
#include "support/geo/geoMath.h"

std::unique_ptr<Ttcas> Tcas;

namespace {

constexpr double kSquareFeetToSquareNm = 2.709e-8;
constexpr double kOpeningRangeRate = 0.00165457;  // NM/s, about 6 kt
constexpr int kAdvisoryRate = 1500;              // ft/min
constexpr double kAdvisoryHold = 10;             // s after the last RA
constexpr double kNoEstimate = -9999;
// Detection sets and counts of all intruders together per 10 s.
constexpr std::size_t kDetectionLogsPerInterval = 8;

std::string F(double x, int n) { return platform::FormatDouble(x, n); }

void Write(const std::string& line) {
  // A set of lines is handed over as one text, one line per LF.
  std::size_t p = 0;
  while (p <= line.size()) {
    const std::size_t lf = std::min(line.find('\n', p), line.size());
    WriteDebug(line.substr(p, lf - p));
    p = lf + 1;
  }
}

bool AllZero(const tcasDataRecord& m) { return m.latitude == 0 && m.longitude == 0 && m.altitude == 0; }

// |a| <= |b| picks b on a tie: the later estimate wins.
double SmallerMagnitude(double s0, double s1) { return std::fabs(s0) < std::fabs(s1) ? s0 : s1; }

}  // namespace

// ---------------------------------------------------------------------------
// Pure arithmetic

std::optional<TcasSensitivity> SensitivityFor(double OwnAlt, double Height) {
  if (Height < 1000 || OwnAlt < 1000) return TcasSensitivity{0.3, 0, 850, 0, 20, 0};
  if (OwnAlt < 2350) return TcasSensitivity{0.33, 0.20, 850, 300, 25, 15};
  if (OwnAlt < 5000) return TcasSensitivity{0.48, 0.35, 850, 300, 30, 20};
  if (OwnAlt < 10000) return TcasSensitivity{0.75, 0.55, 850, 350, 40, 25};
  if (OwnAlt < 20000) return TcasSensitivity{1.0, 0.8, 850, 400, 45, 30};
  if (OwnAlt < 42000) return TcasSensitivity{1.3, 1.1, 850, 600, 48, 35};
  return std::nullopt;
}

double ModifiedTau(double r, double RangeRate, double Dmod) {
  if (Dmod * Dmod >= r * r) return 0;
  if (RangeRate == 0) return -1;
  return -(r - Dmod * Dmod / r) / RangeRate;
}

double VerticalTau(double DeltaH, double OwnVs, double IntruderVs) {
  if (OwnVs == IntruderVs) return 100;
  return -DeltaH / (OwnVs - IntruderVs);
}

double EstAltSep(double DeltaH, double OwnVs, double IntruderVs, double Tau0, double T) {
  const double dv = OwnVs - IntruderVs;
  const double s0 = DeltaH + Tau0 * dv;
  const double s1 = DeltaH + T * dv;
  if ((s0 > 0 && s1 < 0) || (s0 < 0 && s1 > 0)) return 0;
  return SmallerMagnitude(s0, s1);
}

double SeparationWithRate(double DeltaH, double V, double IntruderVs, double Tau0, double T) {
  const double dv = V - IntruderVs;
  return SmallerMagnitude(DeltaH + Tau0 * dv, DeltaH + T * dv);
}

// ---------------------------------------------------------------------------
// Pure classification

std::string TrafficLabel(long long rel) {
  // 64 bits: the magnitude of the smallest int still fits.
  if (rel == LLONG_MIN) return "";
  const long long u = rel < 0 ? -rel : rel;
  if (u >= 10000) return "";
  if (u <= 49) return " 00";
  const long long t = (u + 50) / 1000;
  const long long n = (u + 50 - 1000 * t) / 100;
  return std::string(rel > 0 ? "+" : "-") + std::to_string(t) + std::to_string(n);
}

TrafficSymbol ClassifyIntruder(const tcasDataRecord& r, const TrafficView& v) {
  TrafficSymbol s;
  if (v.range <= 0) return s;
  double d = 0, b = 0;
  CalcDistanceBearing(d, b, v.ownLat, v.ownLon, r.latitude, r.longitude);
  const double a = (b + 360 - v.heading) * std::numbers::pi / 180;
  s.x = std::sin(a) * d * DisplaySize / v.range;
  s.y = std::cos(a) * d * DisplaySize / v.range;
  s.distance = d;
  if (!std::isfinite(s.x) || !std::isfinite(s.y)) return s;
  const double diff = static_cast<double>(r.altitude) - v.ownAlt;
  const long long rel = platform::SafeRound(diff);
  const long long u = rel < 0 ? -rel : rel;
  const double h = static_cast<double>(r.altitude) - v.fieldElevation;
  if (r.resolutionAdvisory && h > 1000 && !v.taOnly) s.cls = TrafficClass::Resolution;
  else if ((r.trafficAdvisory || (r.resolutionAdvisory && v.taOnly)) && h > 35) s.cls = TrafficClass::Advisory;
  else if (d < 6 && u < 1200 && h > 35) s.cls = TrafficClass::Proximate;
  else if (d < 40 && h > 35 && v.lower < rel && rel < v.upper) s.cls = TrafficClass::Other;
  if (s.cls == TrafficClass::None) return s;
  s.label = TrafficLabel(rel);
  s.above = diff >= 0;
  const long long climb = static_cast<long long>(r.altitude) - r.prevAltitude;
  s.arrow = climb > 30 ? 1 : climb < -30 ? -1 : 0;
  return s;
}

// ---------------------------------------------------------------------------
// Clock

TcasTime TcasSystemTime() {
  using namespace std::chrono;
  TcasTime t;
  t.monotonic = duration<double>(steady_clock::now().time_since_epoch()).count();
  const auto wall = system_clock::now();
  const std::time_t now = system_clock::to_time_t(wall);
  std::tm local{};
  localtime_r(&now, &local);
  const long ms = static_cast<long>(duration_cast<milliseconds>(wall.time_since_epoch()).count() % 1000);
  t.timeOfDay = local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec + ms / 1000.0;
  char buf[64];
  const std::size_t n = std::strftime(buf, sizeof buf, "%X", &local);
  char frac[8];
  std::snprintf(frac, sizeof frac, ".%03ld", ms);
  t.text = std::string(buf, n) + frac;
  return t;
}

// ---------------------------------------------------------------------------
// The traffic computer

Ttcas::Track::Track(const platform::TLogLimiter::Sink& Sink, const platform::TLogLimiter::Clock& Clock,
                    const std::string& Callsign)
    : taLog(Sink, platform::MoreDropped(" TCAS: TA detected: callsign=" + Callsign), Clock,
            std::numeric_limits<double>::infinity()),
      raLog(Sink, platform::MoreDropped(" TCAS: RA detected: callsign=" + Callsign), Clock,
            std::numeric_limits<double>::infinity()),
      shortSpanLog(Sink, platform::MoreDropped(" TCAS: deltaT = 0 detected: callsign=" + Callsign), Clock) {}

void Ttcas::Track::EndEncounter() {
  taLog.Reset();
  raLog.Reset();
  shortSpanLog.Reset();
}

Ttcas::Ttcas(TcasClock Clock)
    : clock_(Clock ? std::move(Clock) : TcasClock(TcasSystemTime)),
      fullLog_(Write, platform::MoreDropped(" TCAS: Intruder list full, reports of new callsigns"),
               [this] { return clock_().monotonic; }),
      detectionLog_(Write, platform::MoreDropped(" TCAS: Detection lines of too many intruders"),
                    kDetectionLogsPerInterval, [this] { return clock_().monotonic; }) {}

// Records only: the symbol lists are shared and deleted by the ND's release.
Ttcas::~Ttcas() = default;

void Ttcas::EndEncounters() {
  for (const auto& t : intruders_) t->EndEncounter();
  detectionLog_.Flush();
}

void Ttcas::EndSession() {
  EndEncounters();
  fullLog_.Reset();
}

void Ttcas::Init() {
  EndEncounters();
  off_ = false;
  intruders_.clear();
  upper_ = 2700;
  lower_ = -2700;
  sens_ = TcasSensitivity{};
  advisoryState_ = 0;
  climbRate_ = descendRate_ = kNoRate;
}

void Ttcas::SwitchOff() {
  EndEncounters();
  off_ = true;
  intruders_.clear();
}

void Ttcas::SetAltitudeWindow(int Above, int Below) {
  upper_ = Above;
  lower_ = Below;
}

const tcasDataRecord* Ttcas::Intruder(const std::string& Callsign) const {
  for (const auto& t : intruders_)
    if (t->rec.callsign == Callsign) return &t->rec;
  return nullptr;
}

void Ttcas::SelectSensitivityLevel(double OwnAlt, double Height) {
  if (const auto s = SensitivityFor(OwnAlt, Height)) sens_ = *s;
}

void Ttcas::LogSet(platform::TLogLimiter& Log, const std::vector<std::string>& Lines) {
  std::string text;
  for (const std::string& l : Lines) {
    if (!text.empty()) text += '\n';
    text += l;
  }
  Log.Log(text);
}

void Ttcas::UpdateIntruder(const tcasDataRecord& Message, double OwnLat, double OwnLon, double OwnAlt,
                           double OwnVS) {
  auto it = intruders_.begin();
  while (it != intruders_.end() && (*it)->rec.callsign != Message.callsign) ++it;
  const TcasTime now = clock_();
  const auto slantRange = [&](const tcasDataRecord& r) {
    double d = 0, b = 0;
    CalcDistanceBearing(d, b, OwnLat, OwnLon, r.latitude, r.longitude);
    const double dh = OwnAlt - r.altitude;
    return std::sqrt(d * d + dh * dh * kSquareFeetToSquareNm);
  };
  if (it == intruders_.end()) {
    if (AllZero(Message)) return;
    if (intruders_.size() >= kMaxIntruders) {
      fullLog_.Log(" TCAS: Intruder list full (" + std::to_string(kMaxIntruders) +
                   " callsigns), report of a new callsign ignored: " + Message.callsign);
      return;
    }
    auto t = std::make_unique<Track>([this](const std::string& line) { detectionLog_.Log(line); },
                                     [this] { return clock_().monotonic; }, Message.callsign);
    tcasDataRecord& r = t->rec;
    r.callsign = Message.callsign;
    r.latitude = r.prevLatitude = Message.latitude;
    r.longitude = r.prevLongitude = Message.longitude;
    r.altitude = r.prevAltitude = Message.altitude;
    r.timeOfDay = static_cast<float>(std::fmod(now.timeOfDay, 3600.0));
    r.prevTimeOfDay = -1;
    r.timeStamp = now.timeOfDay / 86400;
    r.slantRange = static_cast<float>(slantRange(r));
    r.prevSlantRange = -1;
    t->reportTime = now.monotonic;
    t->reportText = now.text;
    intruders_.push_back(std::move(t));
    return;
  }
  if (AllZero(Message)) {
    (*it)->EndEncounter();
    intruders_.erase(it);
    return;
  }
  Track& t = **it;
  tcasDataRecord& r = t.rec;
  r.prevLatitude = r.latitude;
  r.prevLongitude = r.longitude;
  r.prevAltitude = r.altitude;
  r.prevSlantRange = r.slantRange;
  r.prevTimeOfDay = r.timeOfDay;
  r.prevTimeStamp = r.timeStamp;
  t.prevReportTime = t.reportTime;
  t.prevReportText = t.reportText;
  r.latitude = Message.latitude;
  r.longitude = Message.longitude;
  r.altitude = Message.altitude;
  r.timeOfDay = static_cast<float>(std::fmod(now.timeOfDay, 3600.0));
  r.timeStamp = now.timeOfDay / 86400;
  t.reportTime = now.monotonic;
  t.reportText = now.text;
  r.slantRange = static_cast<float>(slantRange(r));
  Evaluate(t, OwnAlt, OwnVS);
}

void Ttcas::Evaluate(Track& t, double OwnAlt, double OwnVS) {
  tcasDataRecord& rec = t.rec;
  double dT = t.reportTime - t.prevReportTime;
  if (!(dT >= 0.1)) {
    t.shortSpanLog.Log("deltaT = 0 detected. Old Timestamp : " + t.prevReportText +
                       " , Current Timestamp : " + t.reportText);
    dT = 5;
  }
  SelectSensitivityLevel(OwnAlt, rec.altitude - fieldElevation_);
  const double r = rec.slantRange;
  const double prevR = rec.prevSlantRange;
  const double dh = OwnAlt - rec.altitude;
  const double rangeRate = (r - prevR) / dT;
  const double vInt = (static_cast<double>(rec.altitude) - rec.prevAltitude) / dT;
  const double vOwn = OwnVS / 60;

  const double tau0 = ModifiedTau(r, rangeRate, 0);
  const double tauTA = ModifiedTau(r, rangeRate, sens_.dmodTA);
  const double tauRA = ModifiedTau(r, rangeRate, sens_.dmodRA);
  bool rangeTA = -1 < tauTA && tauTA < sens_.tauTA;
  bool rangeRA = -1 < tauRA && tauRA < sens_.tauRA;
  if (rangeRate > kOpeningRangeRate) rangeTA = rangeRA = false;

  bool altTA = false, altRA = false;
  double estimate = kNoEstimate, tauV = 0;
  if (std::fabs(dh) < sens_.zthr) {
    altTA = true;
    altRA = std::fabs(dh) < sens_.alim;
  } else {
    tauV = VerticalTau(dh, vOwn, vInt);
    estimate = EstAltSep(dh, vOwn, vInt, tau0, tauTA);
    altTA = -1 < tauV && tauV < sens_.tauTA && std::fabs(estimate) < sens_.zthr;
    altRA = -1 < tauV && tauV < sens_.tauRA && std::fabs(estimate) < sens_.alim;
  }
  const bool wasAdvisory = rec.trafficAdvisory || rec.resolutionAdvisory;
  rec.trafficAdvisory = rangeTA && altTA;
  rec.resolutionAdvisory = rangeRA && altRA && rec.altitude - fieldElevation_ > 1000;
  if (wasAdvisory && !rec.trafficAdvisory && !rec.resolutionAdvisory) t.EndEncounter();

  const auto lines = [&](const char* kind, double dmod, double tau, double tauBr, double thresh) {
    const std::string k(kind);
    return std::vector<std::string>{
        " TCAS: " + k + " detected: callsign=" + rec.callsign,
        " TCAS: distance=" + F(r, 2) + ", old distance=" + F(prevR, 2) + ", deltaT=" + F(dT, 3) +
            ", altitude=" + F(rec.altitude, 0) + ", old altitude=" + F(rec.prevAltitude, 0),
        " TCAS: ownalt=" + F(OwnAlt, 0) + ", own_vs=" + F(vOwn, 0) + ", intruder_vs=" + F(vInt, 0) + ", dmod" +
            k + "=" + F(dmod, 1) + ", tau" + k + "=" + F(tau, 1) + ", tau_br" + k + "=" + F(tauBr, 1),
        " TCAS: EstAltSep=" + F(estimate, 0) + ", tau_alt=" + F(tauV, 0) + ", tresh_alt=" + F(thresh, 0)};
  };
  if (rec.trafficAdvisory && !rec.resolutionAdvisory)
    LogSet(t.taLog, lines("TA", sens_.dmodTA, sens_.tauTA, tauTA, sens_.zthr));
  if (!rec.resolutionAdvisory) return;
  LogSet(t.raLog, lines("RA", sens_.dmodRA, sens_.tauRA, tauRA, sens_.alim));
  const double sd = SeparationWithRate(dh, -25, vInt, tau0, tauRA);
  const double sc = SeparationWithRate(dh, 25, vInt, tau0, tauRA);
  advisoryState_ = 2;
  lastRaTime_ = t.reportTime;
  // The sense set first holds while the advisory lasts.
  const bool climbInForce = climbRate_ > 500 && descendRate_ == kNoRate;
  const bool descendInForce = climbRate_ == kNoRate && descendRate_ > 500;
  if (std::fabs(sd) >= std::fabs(sc)) {
    if (!climbInForce) {
      climbRate_ = kNoRate;
      descendRate_ = kAdvisoryRate;
    }
  } else if (!descendInForce) {
    climbRate_ = kAdvisoryRate;
    descendRate_ = kNoRate;
  }
}

int Ttcas::UpdateAdvisoryState() {
  const double now = clock_().monotonic;
  bool anyRA = false;
  for (const auto& t : intruders_) anyRA = anyRA || t->rec.resolutionAdvisory;
  advisoryState_ = anyRA ? 2 : 0;
  if (advisoryState_ == 2 && now - lastRaTime_ > kAdvisoryHold) advisoryState_ = 0;
  if (taOnly_ || off_) advisoryState_ = 0;
  if (advisoryState_ == 0) climbRate_ = descendRate_ = kNoRate;
  // The count of detection lines over the cap is written once its
  // interval has passed, even when the traffic has gone quiet.
  detectionLog_.Tick();
  return advisoryState_;
}

// ---------------------------------------------------------------------------
// Drawing

void Ttcas::DrawTraffic(const NdFrame& Frame) {
  taDrawn_ = raDrawn_ = false;
  for (const auto& t : intruders_) DrawIntruder(Frame, t->rec);
}

void Ttcas::DrawIntruder(const NdFrame& Frame, const tcasDataRecord& Intruder) {
  TrafficView v;
  v.range = Frame.range;
  v.ownLat = Frame.ownLatitude;
  v.ownLon = Frame.ownLongitude;
  v.ownAlt = Frame.ownAltitude;
  v.heading = Frame.heading;
  v.fieldElevation = fieldElevation_;
  v.taOnly = taOnly_;
  v.upper = upper_;
  v.lower = lower_;
  const TrafficSymbol s = ClassifyIntruder(Intruder, v);
  if (s.cls == TrafficClass::None) return;
  glTranslated(s.x, s.y, 0);
  const auto labelAndArrow = [&s] {
    if (Font040 && !s.label.empty()) {
      if (s.above) Font040->Print(s.label.c_str(), -0.8f, 0.6f, 0);
      else Font040->Print(s.label.c_str(), -0.62f, -1.3f, 0);
    }
    if (s.arrow < 0) glCallList(ndlist::kDescendArrow);
    if (s.arrow > 0) glCallList(ndlist::kClimbArrow);
  };
  switch (s.cls) {
    case TrafficClass::Resolution:
      glCallList(ndlist::kResolutionAdvisory);
      glColor3f(1, 0, 0);
      labelAndArrow();
      glColor3f(1, 1, 1);
      raDrawn_ = true;
      break;
    case TrafficClass::Advisory:
      glCallList(ndlist::kTrafficAdvisory);
      glColor3f(1, 1, 0);
      labelAndArrow();
      glColor3f(1, 1, 1);
      taDrawn_ = true;
      break;
    case TrafficClass::Proximate:
      glCallList(ndlist::kTrafficProximate);
      labelAndArrow();
      glColor3f(1, 1, 1);
      break;
    case TrafficClass::Other:
      glCallList(ndlist::kTrafficOther);
      glLineWidth(1);
      glColor3f(1, 1, 1);
      labelAndArrow();
      break;
    case TrafficClass::None:
      break;
  }
  glTranslated(-s.x, -s.y, 0);
  glColor3f(1, 1, 1);
}

void Ttcas::GetAdvisoryFlags(bool& TADrawn, bool& RADrawn) const {
  TADrawn = taDrawn_;
  RADrawn = raDrawn_;
}
