#include "nd/UtextVisual.h"

#include <GL/gl.h>

#include <cmath>

#include "shared/BrokerValue.h"
#include "shared/Udebug.h"
#include "shared/Ufonts.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "support/opengl/CgDraw.h"

std::unique_ptr<Ttext> NdText;
std::unique_ptr<Talert> Alert;

namespace {

using platform::SafeTrunc;

std::string Digit(int d) { return platform::FormatInt(d); }

// A text at (x, y) of the ND in the current colour, at Print offset (dx, 0, 0).
void TextAt(TCGFont3D* font, const std::string& text, double x, double y, double dx = 0) {
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
  cgdraw::PrintUnits(font, text, dx, 0);
  glPopMatrix();
}

void Polygon(double x1, double y1, double x2, double y2, double x3, double y3, double x4, double y4) {
  glBegin(GL_POLYGON);
  glVertex2d(x1, y1);
  glVertex2d(x2, y2);
  glVertex2d(x3, y3);
  glVertex2d(x4, y4);
  glEnd();
}

// The three digit slots of a speed at (x, y), 0.5 font units apart.
void SpeedAt(double speed, double x, double y) {
  const std::array<std::string, 3> slots = SpeedSlots(speed);
  glPushMatrix();
  glTranslatef(static_cast<float>(x), static_cast<float>(y), 0);
  for (int i = 0; i < 3; ++i) cgdraw::PrintUnits(Font050, slots[i], 0.5 * i, 0);
  glPopMatrix();
}

// One flag box at (-98, y) with its corners relative to it, drawn black.
struct Box {
  double x1, y1, x2, y2, x3, y3, x4, y4;
};
constexpr double kFlagX = -98;
constexpr Box kTrafficBox{-5, -0.7, 23, -0.7, 23, 4, -5, 10};
constexpr Box kTaOnlyBox{-5, -1.5, 23, -1.5, 23, 5, -5, 5};
constexpr Box kSmallBox{-5, -1.5, 15, -1.5, 15, 4.6, -5, 4.6};
constexpr Box kTerrainBox{-5, -0.7, 19, -0.7, 19, 6, -5, 6};

void FlagBox(const Box& b, double y) {
  glPushMatrix();
  glTranslatef(static_cast<float>(kFlagX), static_cast<float>(y), 0);
  cgdraw::BlackColour();
  Polygon(b.x1, b.y1, b.x2, b.y2, b.x3, b.y3, b.x4, b.y4);
  glPopMatrix();
}

void CyanFlag(const Box& b, double y, TCGFont3D* font, const char* text) {
  FlagBox(b, y);
  cgdraw::CyanColour();
  TextAt(font, text, kFlagX, y);
}

}  // namespace

// ---------------------------------------------------------------------------
// Pure builders

std::string EtaText(int Eta, bool Shown) {
  if (!Shown || Eta <= 0) return "-----";
  const int t = Eta;
  return Digit(t / 6000) + Digit((t / 600) % 10) + Digit((t % 600) / 100) + Digit((t % 100) / 10) + "." +
         Digit(t % 10);
}

std::string DistanceText(double D, bool Shown) {
  if (!Shown || !(D >= 0)) return "---";
  const int thousands = SafeTrunc(D / 1000);
  const int hundreds = SafeTrunc(D / 100) % 10;
  const int tens = SafeTrunc(D / 10) % 10;
  const int units = SafeTrunc(D) % 10;
  const int tenths = SafeTrunc(D * 10) % 10;
  std::string text;
  if (thousands > 0) text += Digit(thousands);
  if (hundreds > 0 || !text.empty()) text += Digit(hundreds);
  if (tens > 0 || !text.empty()) text += Digit(tens);
  if (units > 0 || !text.empty() || D < 1) text += Digit(units);
  if (D < 100) text += "." + Digit(tenths);
  return text;
}

std::array<std::string, 3> SpeedSlots(double Speed) {
  std::array<std::string, 3> slots;
  const int hundreds = SafeTrunc(Speed / 100) % 10;
  const int tens = SafeTrunc(Speed / 10) % 10;
  const int units = SafeTrunc(Speed) % 10;
  if (hundreds > 0 || Speed >= 100) slots[0] = Digit(hundreds);
  if (tens > 0 || Speed >= 10) slots[1] = Digit(tens);
  if (units > 0 || Speed >= 0) slots[2] = Digit(units);
  return slots;
}

std::array<std::string, 3> WindDirectionDigits(double Direction) {
  return {Digit(SafeTrunc(Direction / 100) % 10), Digit(SafeTrunc(Direction / 10) % 10),
          Digit(SafeTrunc(Direction) % 10)};
}

std::string WindSpeedText(double Speed) { return Digit(platform::SafeRound(Speed)); }

std::optional<TextColour> ElevationColourOf(int Elevation, int Altitude) {
  const long long a = (static_cast<long long>(Elevation) - Altitude) / 10;  // truncates toward zero
  if (a >= -5000 && a <= -51) return TextColour{0, 1, 0};
  if (a >= -50 && a <= 199) return TextColour{1, 0.95f, 0.2f};
  if (a >= 200 && a <= 9990) return TextColour{1, 0, 0};
  return std::nullopt;
}

void ElevationColour(int Elevation, int Altitude) {
  if (const auto c = ElevationColourOf(Elevation, Altitude)) glColor3f(c->r, c->g, c->b);
}

// ---------------------------------------------------------------------------
// Ttext

void Ttext::ParseLine(std::string_view Line) {
  if (Line.find("MV.Wpt") == std::string_view::npos || brokerlink::IsConnLine(Line)) return;
  using brokerlink::ReadBrokerInt;
  ReadBrokerInt(Line, "MV.WptGMT1", WaypointEta);
  ReadBrokerInt(Line, "MV.WptGMT2", AlternateEta);
  ReadBrokerInt(Line, "MV.WptLen", WaypointLength);
  std::string_view name;
  if (brokerlink::BrokerValueText(Line, "MV.WptStr", name)) WaypointName.assign(name);
  if (AlternateEta != 0) WaypointEta = AlternateEta;
}

bool Ttext::WaypointShown(bool PositionValid) const { return WaypointName != "#" && PositionValid; }

bool Ttext::NameShown(bool PositionValid) const {
  return !WaypointName.empty() && WaypointLength != 0 && WaypointShown(PositionValid);
}

void Ttext::Draw(const NdFrame& Frame, double RouteNm, double Gs, double Tas, double WindDir,
                 double WindSpd) const {
  const bool valid = Frame.positionValid;
  cgdraw::BlackColour();
  glRectf(75, 135, 139, 155);
  cgdraw::WhiteColour();
  if (NameShown(valid)) {
    std::string upper = WaypointName;
    for (char& c : upper)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    cgdraw::SelectedColour();
    TextAt(Font040, upper, 78, 150);
  }
  const bool shown = WaypointEta != 0 && WaypointShown(valid);
  cgdraw::WhiteColour();
  TextAt(Font040, EtaText(WaypointEta, shown), 78, 144);
  TextAt(Font035, "Z", 93.5, 144);
  const double d = shown ? RouteNm : -1;
  TextAt(Font040, DistanceText(d, shown), 78, 138);
  TextAt(Font035, "NM", 90, 138);
  if (!valid) return;

  TextAt(Font035, "GS", -97.5, 149);
  SpeedAt(Gs, -90, 149);
  if (Tas >= 100) {
    TextAt(Font035, "TAS", -78, 149);
    SpeedAt(Tas, -68.5, 149);
  }
  if (WindSpd > 0) {
    glPushMatrix();
    glTranslatef(-97.5f, 142, 0);
    cgdraw::BlackColour();
    glRectf(-5, -18, 24, 7);
    cgdraw::WhiteColour();
    const std::array<std::string, 3> digits = WindDirectionDigits(WindDir);
    for (int i = 0; i < 3; ++i) cgdraw::PrintUnits(Font050, digits[i], 0.5 * i, 0);
    cgdraw::PrintUnits(Font050, "\xB0/", 1.5, 0);
    cgdraw::PrintUnits(Font050, WindSpeedText(WindSpd), 3.2, 0);
    glTranslated(10, -10, 0);
    glRotated(cgdraw::Finite(Frame.displayHeading - WindDir, 1e6), 0, 0, 1);
    glBegin(GL_LINES);
    cgdraw::LineVertices(0, -7, 0, 7);
    cgdraw::LineVertices(0, -7, 2, -5);
    cgdraw::LineVertices(0, -7, -2, -5);
    glEnd();
    glPopMatrix();
  }
}

void Ttext::DrawFlags(const NdFrame& Frame, bool Wpt, bool Arpt, bool Sta, bool Terr, bool TcasOn, bool Tfc,
                      bool TaOnly, int Highest, int Lowest) const {
  const int altitude = platform::SafeRound(Frame.ownAltitude);
  if (Tfc) CyanFlag(kTrafficBox, 30.5, Font040, "TFC");
  if (TaOnly) CyanFlag(kTaOnlyBox, 25, Font040, "TA ONLY");
  if (Tfc && !TcasOn) {
    FlagBox(kTrafficBox, 30.5);
    FlagBox(kTaOnlyBox, 25);
    glColor3f(1, 1, 0);
    TextAt(Font050, "TCAS", kFlagX, 30.5);
    TextAt(Font050, "OFF", kFlagX, 25);
  }
  if (Arpt) CyanFlag(kSmallBox, 19.5, Font040, "ARPT");
  if (Wpt) CyanFlag(kSmallBox, 14, Font040, "WPT");
  if (Sta) CyanFlag(kSmallBox, 8.5, Font040, "STA");
  if (Terr) CyanFlag(kTerrainBox, 2, Font050, "TERR");
  if (Terr && Highest != 0 && Frame.positionValid) {
    FlagBox(kSmallBox, -4);
    ElevationColour(Highest, altitude);
    TextAt(Font050, platform::FormatInt(Highest / 100), kFlagX, -4);
  }
  if (Terr && Lowest != 99999 && Frame.positionValid) {
    FlagBox(kSmallBox, -10);
    ElevationColour(Lowest, altitude);
    TextAt(Font050, platform::FormatInt(Lowest / 100), kFlagX, -10);
  }
}

// ---------------------------------------------------------------------------
// Talert

void Talert::Init(platform::TMediaPlayer* player, const std::string& folder) {
  FloorPlayed = CautionPlayed = WarningPlayed = TrafficPlayed = false;
  noDevice_ = false;
  Player = player;
  BaseFolder = folder;
}

void Talert::PlayTerrain(const char* File, bool& Played, bool Inhibited) {
  if (Played) return;
  // An inhibited terrain alert stays silent for its whole duration.
  if (!Inhibited) Play(File);
  Played = true;
}

void Talert::Update(bool Traffic, bool Floor, bool Caution, bool Warning, bool Inhibited) {
  if (!Traffic) TrafficPlayed = false;
  if (!Floor) FloorPlayed = false;
  if (!Caution && !Warning) CautionPlayed = WarningPlayed = false;

  if (Traffic && !Floor && !Caution && !Warning) {
    glColor3f(1, 1, 0);
    glPushMatrix();
    glTranslatef(62, 88, 0);
    if (!TrafficPlayed) {
      Play(kTrafficSound);
      TrafficPlayed = true;
    }
    cgdraw::BlackColour();
    Polygon(-2, -9.5, 39, -9.5, 39, -1.2, -2, -1.2);
    glColor3f(1, 1, 0);
    cgdraw::PrintUnits(Font8Alias, "TRAFFIC", 1, -1);
    glPopMatrix();
  }
  if (Caution || Warning) {
    glPushMatrix();
    glTranslatef(68, 81, 0);
    cgdraw::BlackColour();
    Polygon(-2, -2.5, 38, -2.5, 38, 7, -2, 7);
    if (Caution && !Warning) {
      glColor3f(1, 1, 0);
      PlayTerrain(kCautionSound, CautionPlayed, Inhibited);
    } else {
      glColor3f(1, 0, 0);
      PlayTerrain(kWarningSound, WarningPlayed, Inhibited);
    }
    cgdraw::PrintUnits(Font8Alias, "TERRAIN", 0, 0);
    glPopMatrix();
  }
  if (Floor && !Caution && !Warning) PlayTerrain(kFloorSound, FloorPlayed, Inhibited);
}

Talert::SoundLogs& Talert::LogsFor(const std::string& File) {
  auto it = logs_.find(File);
  if (it == logs_.end()) {
    const auto sink = [](const std::string& line) { WriteDebug(line); };
    auto logs = std::unique_ptr<SoundLogs>(new SoundLogs{
        platform::TLogLimiter(sink, platform::MoreDropped(" Sound Alerts: Trying to play " + File), LogClock),
        platform::TLogLimiter(sink, platform::MoreDropped(" Sound Alerts: " + File + " successfully played."),
                              LogClock)});
    it = logs_.emplace(File, std::move(logs)).first;
  }
  return *it->second;
}

void Talert::Play(const std::string& File) {
  SoundLogs& logs = LogsFor(File);
  logs.trying.Log(" Sound Alerts: Trying to play " + File);
  try {
    if (Player == nullptr || noDevice_) return;
    std::string folder = BaseFolder;
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    Player->Close();
    Player->AutoOpen = false;
    Player->FileName = platform::ResolvePath(folder + File);
    Player->Open();
    Player->Play();
  } catch (const platform::EMediaNoDevice&) {
    noDevice_ = true;
    WriteDebug(" Sound Alerts: No sound device; the alerts are silent.");
    return;
  } catch (...) {
    // A sound that cannot be played leaves the annunciation silent.
    return;
  }
  logs.played.Log(" Sound Alerts: " + File + " successfully played.");
}
