// The terrain element's drawing: the terrain map under the ND symbols and
// the vertical profile panel of the profile layout.
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Uterrain.h"
#include "platform/Numbers.h"
#include "support/opengl/CgDraw.h"
#include "support/opengl/CgTexture.h"

namespace {

constexpr double kDegToRad = std::numbers::pi / 180.0;
constexpr double kMetresPerFoot = 0.3048;  // feet from metres by dividing

struct Colour {
  float r, g, b;
};
constexpr Colour kGreen{0, 1, 0}, kAmber{1, 0.95f, 0.2f}, kRed{1, 0, 0}, kSeaBlue{0, 0, 1};
constexpr Colour kYellow{1, 1, 0};

// One 8-row block, each row's four bytes in memory order, repeated four
// times.
std::array<std::uint8_t, 128> Stipple(const std::array<std::uint32_t, 8>& rows) {
  std::array<std::uint8_t, 128> mask{};
  for (int r = 0; r < 32; ++r)
    for (int b = 0; b < 4; ++b)
      mask[static_cast<std::size_t>(r * 4 + b)] = static_cast<std::uint8_t>(rows[static_cast<std::size_t>(r % 8)] >> (24 - 8 * b));
  return mask;
}

TerrainCellLook Look(Colour c, TerrainPattern p) {
  TerrainCellLook l;
  l.drawn = true;
  l.r = c.r;
  l.g = c.g;
  l.b = c.b;
  l.pattern = p;
  return l;
}

void Line(double x1, double y1, double x2, double y2) {
  glVertex2d(x1, y1);
  glVertex2d(x2, y2);
}

}  // namespace

const std::array<std::uint8_t, 128>& TerrainStipple(TerrainPattern p) {
  static const auto dense = Stipple({0x20401040, 0x08020401, 0x40108020, 0x01080204, 0x80204010, 0x04020801,
                                     0x10408020, 0x02040108});
  static const auto medium = Stipple({0x00400040, 0x08000400, 0x00100020, 0x01000200, 0x80004000, 0x00020001,
                                      0x10008000, 0x00040008});
  static const auto sparse = Stipple({0x00000040, 0x00000000, 0x00100000, 0x01000200, 0x80004000, 0x00000008,
                                      0x10000000, 0x00040000});
  static const std::array<std::uint8_t, 128> solid = [] {
    std::array<std::uint8_t, 128> m{};
    m.fill(0xFF);
    return m;
  }();
  switch (p) {
    case TerrainPattern::Dense: return dense;
    case TerrainPattern::Medium: return medium;
    case TerrainPattern::Sparse: return sparse;
    default: return solid;
  }
}

TerrainCellLook NormalCellLook(int metres, double altitude, bool caution, bool warning) {
  const int n = platform::SafeRound(metres / kMetresPerFoot - altitude);
  const int E = n / 10;  // truncating
  TerrainCellLook look;
  if (E >= -200 && E <= -101) look = Look(kGreen, TerrainPattern::Medium);
  else if (E >= -100 && E <= -51) look = Look(kGreen, TerrainPattern::Dense);
  else if (E >= -50 && E <= 99) look = Look(kAmber, TerrainPattern::Medium);
  else if (E >= 100 && E <= 199) look = Look(kAmber, TerrainPattern::Dense);
  else if (E >= 200 && E <= 9990) look = Look(kRed, TerrainPattern::Dense);
  // Alerting cells are solid: red in a warning, amber in a caution.
  if (warning) return Look(kRed, TerrainPattern::Solid);
  if (caution) return Look(kAmber, TerrainPattern::Solid);
  return look;
}

TerrainCellLook PeakCellLook(int metres, int lowest, int highest, int lowestShown) {
  const double ft = metres / kMetresPerFoot;
  if (!(lowestShown <= ft)) return {};
  // Without a spread every shown cell is at the top.
  const int c = highest == lowest ? 100 : platform::SafeRound((ft - lowest) * 100 / (highest - lowest));
  if (c <= 30) return Look(kGreen, TerrainPattern::Sparse);
  if (c <= 80) return Look(kGreen, TerrainPattern::Medium);
  return Look(kGreen, TerrainPattern::Solid);
}

// ---------------------------------------------------------------------------
// Map

void Tterrain::Draw(const NdFrame& Frame, bool textures, bool sea) {
  const int range = Frame.range;
  const double lat = Frame.ownLatitude, altitude = Frame.ownAltitude;
  const double heading = cgdraw::Finite(Frame.heading);
  glRotated(heading, 0, 0, 1);
  Range = range;
  int s = 1;
  if (Range >= 40) {
    Range = 20;
    s = range / 20;
  }
  const double cosLat = std::cos(lat * kDegToRad);
  const int k = cosLat == 0 ? 5 : std::clamp(platform::SafeTrunc(1 / cosLat), 1, 5);
  const double w = k * cosLat;
  // Floating division: at range 5 an integer Range / 10 would be 0.
  const double u = Range > 0 ? 7.05 / (Range / 10.0) : 0;
  const float p = static_cast<float>(TexturePlaneFactor(Range));
  SPlane[0] = p;
  TPlane[1] = p;
  ApplyTexturePlanes();
  if (!(std::fabs(lat) <= 87) || Range <= 0 || !std::isfinite(altitude)) {
    glRotated(-heading, 0, 0, 1);
    return;
  }
  const double scale = Frame.displaySize / (s * Range);
  const double halfW = 0.5 * w * u, halfH = 0.5 * u;
  const bool normal = HighestElevation > altitude - 2000;
  if (!normal) {
    const int spread = HighestElevation - LowestElevation;
    if (spread > 3000) {
      LowestElevation += spread / 2;
      LowestShownElevation = LowestElevation;
    }
  }
  for (auto& b : batches_) b.clear();
  const int rows = std::clamp(2 * Range, 0, 40);
  const int columns = std::clamp(4 * k * Range, 0, 400);
  for (int i = -rows; i <= rows; ++i)
    for (int j = -columns; j <= columns; ++j) {
      const TerrainSample& rec = Sample(j, i);
      if (rec.elevation == -9998) continue;
      TerrainCellLook look;
      if (rec.noData) {
        if (sea) look = {true, kSeaBlue.r, kSeaBlue.g, kSeaBlue.b, TerrainPattern::Sparse};
      } else if (normal) {
        // Everything at least as high as the lowest alerting cell and no
        // farther than the farthest one is painted as alerting.
        const bool c = rec.caution || (rec.elevation >= CautionMinElevation && rec.distance <= CautionMaxDistance);
        const bool wn = rec.warning || (rec.elevation >= WarningMinElevation && rec.distance <= WarningMaxDistance);
        look = NormalCellLook(rec.elevation, altitude, c, wn);
      } else {
        look = PeakCellLook(rec.elevation, LowestElevation, HighestElevation, LowestShownElevation);
      }
      if (!look.drawn) continue;
      const double x = std::sin(rec.bearing * kDegToRad) * rec.distance * scale;
      const double y = std::cos(rec.bearing * kDegToRad) * rec.distance * scale;
      auto& v = batches_[static_cast<std::size_t>(look.pattern)];
      const double corners[4][2] = {{-halfW, -halfH}, {-halfW, halfH}, {halfW, halfH}, {halfW, -halfH}};
      for (const auto& c : corners) {
        // Position, colour, and the texture coordinates the object-linear
        // planes give the corner of a cell drawn about its own centre.
        v.insert(v.end(), {static_cast<float>(x + c[0]), static_cast<float>(y + c[1]), look.r, look.g, look.b,
                           static_cast<float>(c[0] * p), static_cast<float>(c[1] * p)});
      }
    }
  FlushBatches(textures, halfW, halfH);
  glRotated(-heading, 0, 0, 1);
}

// One GL_QUADS pass per pattern, the pattern set once for it. The cells do
// not overlap and a stipple is aligned to the window, so the picture is the
// one cell-by-cell drawing gives. A textured pass takes the corners' own
// texture coordinates (texture-coordinate generation is off meanwhile).
void Tterrain::FlushBatches(bool textures, double, double) {
  const bool useTextures = textures && TexturesFound && texture25 && texture50;
  constexpr GLsizei kStride = 7 * sizeof(float);
  for (std::size_t g = 0; g < batches_.size(); ++g) {
    const std::vector<float>& v = batches_[g];
    if (v.empty()) continue;
    const auto pattern = static_cast<TerrainPattern>(g);
    const bool patterned = pattern != TerrainPattern::Solid;
    TCGTexture* texture = nullptr;
    if (patterned && useTextures) {
      texture = pattern == TerrainPattern::Dense ? texture50.get() : texture25.get();
      texture->Enable();
      glDisable(GL_TEXTURE_GEN_S);
      glDisable(GL_TEXTURE_GEN_T);
      glEnableClientState(GL_TEXTURE_COORD_ARRAY);
      glTexCoordPointer(2, GL_FLOAT, kStride, v.data() + 5);
    } else if (patterned) {
      glEnable(GL_POLYGON_STIPPLE);
      glPolygonStipple(TerrainStipple(pattern).data());
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, kStride, v.data());
    glColorPointer(3, GL_FLOAT, kStride, v.data() + 2);
    // Two triangles a quad, through one shared index list (quads would be
    // converted to triangles by the driver on every call).
    const std::size_t quads = v.size() / 28;
    while (quadIndices_.size() < quads * 6) {
      const auto base = static_cast<unsigned>(quadIndices_.size() / 6 * 4);
      quadIndices_.insert(quadIndices_.end(), {base, base + 1, base + 2, base, base + 2, base + 3});
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(quads * 6), GL_UNSIGNED_INT, quadIndices_.data());
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (texture) {
      glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      texture->Disable();
      glEnable(GL_TEXTURE_GEN_S);
      glEnable(GL_TEXTURE_GEN_T);
    } else if (patterned) {
      glDisable(GL_POLYGON_STIPPLE);
    }
  }
  // The colour array leaves the current colour undefined.
  glColor3f(1, 1, 1);
}

// ---------------------------------------------------------------------------
// Vertical profile

int ProfileScale(int range) {
  if (range <= 5) return 1500;
  if (range <= 10) return 3000;
  if (range <= 20) return 6000;
  if (range <= 40) return 12000;
  return 24000;
}

double ProfileY(double feet, int scale) { return feet / scale * 56 * 0.92 + 9; }

std::pair<std::string, std::string> ProfileDistanceLabels(int range) {
  switch (range) {
    case 5: return {"1.25", "2.5"};
    case 10: return {"2.5", "5"};
    case 20: return {"5", "10"};
    case 40: return {"10", "20"};
    case 80: return {"20", "40 "};
    case 160: return {"40", "80 "};
    case 320: return {"80", "160"};
    case 640: return {"160", "320"};
    default: return {platform::FormatInt(range / 4), platform::FormatInt(range / 2)};
  }
}

double ProfileVsOffset(double vs) {
  if (!std::isfinite(vs) || std::fabs(vs) <= 300) return 0;
  const double sign = vs > 0 ? 1 : -1;
  if (std::fabs(vs) > 2800) return sign * 15.249;
  return sign * 15.249 * (std::fabs(vs) - 300) / 2500;
}

double ProfileValue(const std::array<double, 101>& profile, int n) {
  auto bin = [&](int m) { return profile[static_cast<std::size_t>(std::clamp(m, -20, 80) + 20)]; };
  if (bin(n) != -1) return bin(n);
  for (int m = n + 1; m <= 20; ++m)
    if (bin(m) != -1 || m == 20) return bin(m);
  return bin(n);
}

std::vector<ProfileText> ProfileAltitudeLabel(int a) {
  std::vector<ProfileText> out;
  const bool first = a / 10000 > 0;
  if (first) out.push_back({true, platform::FormatInt(a / 10000), 0.3, -0.2});
  if ((a % 10000) / 1000 > 0 || first) out.push_back({true, platform::FormatInt((a % 10000) / 1000), 0.8, -0.2});
  if (a != 0) {
    out.push_back({false, platform::FormatInt((a % 1000) / 100), 1.8, -0.25});
    out.push_back({false, "00", 2.3, -0.25});
  } else {
    out.push_back({false, "0", 2.8, -0.25});
  }
  return out;
}

std::vector<ProfileLine> ProfileSegment(double x1, double y1, double x2, double y2, double yB, double yT) {
  std::vector<ProfileLine> out;
  auto add = [&](double ax, double ay, double bx, double by, Colour c) { out.push_back({ax, ay, bx, by, c.r, c.g, c.b}); };
  auto cut = [&](double yLine) { return x1 + (x2 - x1) / (y2 - y1) * (yLine - y1); };
  if (y1 < yB && y2 < yB) add(x1, y1, x2, y2, kGreen);
  if (y1 >= yB && y1 < yT && y2 >= yB && y2 < yT) add(x1, y1, x2, y2, kYellow);
  if (y1 >= yT && y2 >= yT) add(x1, y1, x2, y2, kRed);
  if (y1 < yB && y2 >= yB) {
    const double x = cut(yB);
    add(x1, y1, x, yB, kGreen);
    add(x, yB, x2, y2, kYellow);
  }
  if (y1 < yT && y2 >= yT) {
    const double x = cut(yT);
    add(x1, y1, x, yT, kYellow);
    add(x, yT, x2, y2, kRed);
  }
  if (y1 >= yB && y2 < yB) {
    const double x = cut(yB);
    add(x1, y1, x, yB, kYellow);
    add(x, yB, x2, y2, kGreen);
  }
  if (y1 >= yT && y2 < yT) {
    const double x = cut(yT);
    add(x1, y1, x, yT, kRed);
    add(x, yT, x2, y2, kYellow);
  }
  return out;
}

std::vector<ProfileLine> ProfileBar(double x, double y, double yB, double yT) {
  std::vector<ProfileLine> out;
  out.push_back({x, -200, x, std::min(y, yB), kGreen.r, kGreen.g, kGreen.b});
  if (y > yB) out.push_back({x, yB, x, std::min(y, yT), kAmber.r, kAmber.g, kAmber.b});
  if (y > yT) out.push_back({x, yT, x, y, kRed.r, kRed.g, kRed.b});
  return out;
}

double ProfilePathLength(int range) { return range >= 80 ? 45.0 / (range / 80) : 45; }

double ProfilePathSlope(double vs, double gs) { return gs > 0 ? cgdraw::Finite(vs / 101.23 / gs * 45) : 0; }

ProfileOffsets ProfileScroll(double altitude, double vs, double elevationUnderAircraft, int scale) {
  double o = altitude * 6 / scale * 8.5 - 23;
  const double v = ProfileVsOffset(vs);
  o += v;
  double w = v;
  const double e = ProfileY(elevationUnderAircraft, scale) - o;
  if (e > 13) {
    o += e - 13;
    w += e - 13;
  }
  if (o < 0) {
    w -= o;
    o = 0;
  }
  return {cgdraw::Finite(o), cgdraw::Finite(w)};
}

void Tterrain::DrawProfile(const NdFrame& Frame, double vs, double gs) {
  const int range = Frame.range;
  const double altitude = cgdraw::Finite(Frame.ownAltitude);
  vs = cgdraw::Finite(vs);
  for (int n = -20; n <= -1; ++n) ProfileBin(n) = ElevationUnderAircraft;
  const int sc = ProfileScale(range);
  const auto rw = TerrainRunways ? TerrainRunways() : std::nullopt;
  const double top = altitude + 2000;
  const double bottom = std::max(altitude - 500, (rw ? rw->RunwayElevation : 0) + 400);
  const double yTop = ProfileY(top, sc), yBottom = ProfileY(bottom, sc);
  const ProfileOffsets off = ProfileScroll(altitude, vs, ElevationUnderAircraft, sc);
  const double o = off.o, w = off.w;
  const double k = ProfilePathSlope(vs, gs);
  const double u = ProfilePathLength(range);

  // 1. Panel.
  glLineWidth(2);
  cgdraw::BlackColour();
  glBegin(GL_POLYGON);
  glVertex2d(-70, -102);
  glVertex2d(70, -102);
  glVertex2d(70, -35);
  glVertex2d(-70, -35);
  glEnd();
  glTranslated(-70, -102, 0);
  // 2. Altitude scale.
  glColor3f(0.5f, 0.5f, 0.5f);
  glRectf(0, 0, 23.7f, 57.1f);
  glPushMatrix();
  glTranslated(0, -o, 0);
  const int D = range == 5 ? 2 : 1;
  cgdraw::WhiteColour();
  glBegin(GL_LINES);
  for (int r = -5; r <= 100; ++r) {
    const double y1 = 2 * D * r * 8.5 + 9.5, y2 = D * (2 * r + 1) * 8.5 + 9.5;
    Line(18.7, y1, 23.7, y1);
    Line(21.7, y2, 23.7, y2);
  }
  glEnd();
  for (int r = -5; r <= 3 * (48000 / sc); ++r) {
    glTranslated(-0.5, 17 * r + 9.5, 0);
    for (const ProfileText& t : ProfileAltitudeLabel(r * sc / 3))
      cgdraw::PrintUnits(t.large ? Font045 : Font035, t.text, t.x, t.y);
    glTranslated(0.5, -(17 * r + 9.5), 0);
  }
  glPopMatrix();
  // 3. The scale's ends.
  cgdraw::BlackColour();
  glRectf(0, 57.101f, 23.7f, 67);
  glColor3f(0.5f, 0.5f, 0.5f);
  glRectf(0, 0, 23.7f, 6.5f);
  // 4. Own aircraft.
  cgdraw::WhiteColour();
  glBegin(GL_LINE_LOOP);
  glVertex2d(30, 32.5 - w);
  glVertex2d(30, 36.5 - w);
  glVertex2d(42, 32.5 - w);
  glEnd();
  // 5. Flight path.
  glBegin(GL_LINES);
  Line(43, 32.5 - w, 43 + u, 32.5 - w + k * 5.5836);
  glEnd();
  // 6. Terrain.
  glPushMatrix();
  glTranslated(0, -o, 0);
  auto x = [](int n) { return 4.5 * n + 44; };
  glBegin(GL_LINES);
  for (int n = -4; n <= 19; ++n) {
    const double y1 = ProfileY(ProfileValue(Profile, n), sc), y2 = ProfileY(ProfileValue(Profile, n + 1), sc);
    for (const ProfileLine& l : ProfileSegment(x(n), y1, x(n + 1), y2, yBottom, yTop)) {
      glColor3f(l.r, l.g, l.b);
      Line(l.x1, l.y1, l.x2, l.y2);
    }
  }
  for (int n = -4; n <= 20; n += 2) {
    if (ProfileBin(n) == -1) continue;
    for (const ProfileLine& l : ProfileBar(x(n), ProfileY(ProfileValue(Profile, n), sc), yBottom, yTop)) {
      glColor3f(l.r, l.g, l.b);
      Line(l.x1, l.y1, l.x2, l.y2);
    }
  }
  glEnd();
  glPopMatrix();
  // 7. Distance scale.
  cgdraw::BlackColour();
  glRectf(24.5f, 9, 140.5f, 10);
  glColor3f(0.5f, 0.5f, 0.5f);
  glRectf(24.5f, 0, 140.5f, 9);
  cgdraw::WhiteColour();
  glEnable(GL_LINE_SMOOTH);
  const auto [quarter, half] = ProfileDistanceLabels(range);
  cgdraw::PrintUnits(Font035, "0", 8, 0.2);
  cgdraw::PrintUnits(Font035, quarter, 17.2, 0.2);
  cgdraw::PrintUnits(Font035, half, 26.5, 0.2);
  cgdraw::WhiteColour();
  glBegin(GL_LINES);
  Line(42, 9, 42, 6);
  Line(65, 9, 65, 7);
  Line(88, 9, 88, 6);
  Line(111, 9, 111, 7);
  Line(134, 9, 134, 6);
  glEnd();
  // 8. Frame.
  glTranslated(70, 102, 0);
  glLineWidth(2);
  cgdraw::WhiteColour();
  glBegin(GL_LINE_LOOP);
  glVertex2d(-70, -102);
  glVertex2d(70, -102);
  glVertex2d(70, -35);
  glVertex2d(-70, -35);
  glEnd();
}
