// Traffic on the ND: what each intruder is drawn as (pure classification),
// and the symbols, labels and advisory flags of real frames fed through the
// line dispatch.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "platform/Numbers.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kAmber{255, 255, 0, 255};

TEST(TrafficLabels, HundredsOfFeetWithTheirSign) {
  const struct {
    long long rel;
    const char* text;
  } cases[] = {{0, " 00"},      {40, " 00"},     {-49, " 00"},  {50, "+01"},  {-50, "-01"},
               {149, "+01"},    {150, "+02"},    {550, "+06"},  {-1250, "-13"}, {9949, "+99"},
               {9960, "+100"},  {9999, "+100"},  {10000, ""},   {15000, ""},  {-15000, ""},
               {INT_MIN, ""},   {LLONG_MIN, ""}};
  for (const auto& c : cases) EXPECT_EQ(TrafficLabel(c.rel), c.text) << c.rel;
}

tcasDataRecord At(double nmNorth, int alt, bool ta = false, bool ra = false, int climb = 0) {
  tcasDataRecord r;
  r.callsign = "T";
  r.latitude = static_cast<float>(nmNorth / 60);
  r.altitude = alt;
  r.prevAltitude = alt - climb;
  r.trafficAdvisory = ta;
  r.resolutionAdvisory = ra;
  return r;
}

TEST(TrafficClasses, FirstClassThatApplies) {
  using C = TrafficClass;
  TrafficView v;  // at (0, 0), heading 0, range 10, field 0
  v.ownAlt = 10000;
  TrafficView above = v;
  above.upper = 8700;
  TrafficView below = v;
  below.lower = -8700;
  TrafficView taOnly = v;
  taOnly.taOnly = true;
  TrafficView highField = v;
  highField.fieldElevation = 9000;
  const struct {
    const char* what;
    tcasDataRecord r;
    TrafficView v;
    C cls;
  } cases[] = {
      {"other 2699 above", At(10, 12699), v, C::Other},
      {"other 2700 above", At(10, 12700), v, C::None},
      {"other 2699 below", At(10, 7301), v, C::Other},
      {"other 2700 below", At(10, 7300), v, C::None},
      {"Above mode 8699", At(10, 18699), above, C::Other},
      {"Above mode 8700", At(10, 18700), above, C::None},
      {"Below mode -8699", At(10, 1301), below, C::Other},
      {"Below mode -8700", At(10, 1300), below, C::None},
      {"proximate 5.9 NM 1199", At(5.9, 11199), v, C::Proximate},
      {"6.0 NM is other", At(6.0, 11199), v, C::Other},
      {"proximate ignores the window", At(5.9, 8801), v, C::Proximate},
      {"other at 39.9 NM", At(39.9, 10000), v, C::Other},
      {"other at 40 NM", At(40, 10000), v, C::None},
      {"TA at any distance", At(300, 10000, true), v, C::Advisory},
      {"RA", At(300, 10000, true, true), v, C::Resolution},
      {"RA in TA only", At(3, 10000, false, true), taOnly, C::Advisory},
      {"RA 1000 ft over the field", At(3, 10000, true, true), highField, C::Advisory},
      {"RA 1001 ft over the field", At(3, 10001, true, true), highField, C::Resolution},
      {"RA flag only, 1000 ft over the field", At(3, 10000, false, true), highField, C::Proximate},
      {"35 ft over the field", At(3, 9035, true, true), highField, C::None},
      {"36 ft over the field", At(3, 9036, true, false), highField, C::Advisory},
  };
  for (const auto& c : cases) EXPECT_EQ(ClassifyIntruder(c.r, c.v).cls, c.cls) << c.what;
}

TEST(TrafficClasses, LabelPlaceArrowAndPosition) {
  TrafficView v;
  v.ownAlt = 10000;
  // Due east at 5 NM, heading 0, range 10: right on the half-range ring.
  tcasDataRecord east = At(0, 10000, true, true);
  east.longitude = static_cast<float>(5.0 / 60);
  TrafficSymbol s = ClassifyIntruder(east, v);
  EXPECT_NEAR(s.x, 70.71, 0.01);
  EXPECT_NEAR(s.y, 0, 0.01);
  EXPECT_EQ(s.label, " 00");
  EXPECT_TRUE(s.above);
  // 0.4 ft below rounds to " 00" and still goes below the symbol.
  v.ownAlt = 10000.4;
  s = ClassifyIntruder(At(3, 10000, true), v);
  EXPECT_EQ(s.label, " 00");
  EXPECT_FALSE(s.above);
  v.ownAlt = 10000;
  const struct {
    int climb, arrow;
  } arrows[] = {{31, 1}, {30, 0}, {-30, 0}, {-31, -1}, {0, 0}};
  for (const auto& a : arrows) EXPECT_EQ(ClassifyIntruder(At(3, 10000, true, false, a.climb), v).arrow, a.arrow);
  // Absurd own values draw nothing odd: no label, no crash.
  v.ownAlt = 1e300;
  s = ClassifyIntruder(At(3, 10000, true), v);
  EXPECT_EQ(s.cls, TrafficClass::Advisory);
  EXPECT_EQ(s.label, "");
  EXPECT_FALSE(s.above);
  v.ownLat = std::nan("");
  EXPECT_EQ(ClassifyIntruder(At(3, 10000, true), v).cls, TrafficClass::None);
}

class TrafficDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    harness = std::make_unique<ndtest::NdHarness>();
    Tcas = std::make_unique<Ttcas>([this] {
      TcasTime t;
      t.monotonic = now;
      t.text = "now";
      return t;
    });
    Tcas->Init();
    harness->Feed(ndtest::NeutralLines());
    harness->Feed(ndtest::AlignedIrsLines());
    ownLat = OwnLatitude;
    ownLon = OwnLongitude;
  }
  void TearDown() override {
    Tcas.reset();
    harness.reset();
    TrafficVisible = true;
  }
  // A report of callsign cs, nm NM along true bearing deg, then a second.
  void Report(const std::string& cs, double nm, double deg, int alt) {
    const double b = deg * 3.14159265358979 / 180;
    const double lat = ownLat + nm * std::cos(b) / 60;
    const double lon = ownLon + nm * std::sin(b) / (60 * std::cos(lat * 3.14159265358979 / 180));
    harness->Feed({"tcas {" + cs + " 0 0 " + platform::FormatDouble(lat, 7) + " " +
                   platform::FormatDouble(lon, 7) + " " + std::to_string(alt) + " 0}\r"});
    now += 1;
  }
  void Frame(const std::string& png = "") {
    harness->Render();
    ReadBack();
    if (!png.empty()) ExpectPicture("nd-" + png);
  }
  int Near(double x, double y, double r, Rgba c) const {
    int x0, y0, x1, y1;
    harness->NdToWindow(x - r, y - r, x0, y0);
    harness->NdToWindow(x + r, y + r, x1, y1);
    return CountColour(x0, y0, x1, y1, c);
  }
  std::unique_ptr<ndtest::NdHarness> harness;
  double now = 100;
  double ownLat = 0, ownLon = 0;
};

TEST_F(TrafficDrawing, ResolutionAdvisoryIsARedSquareWithItsLabel) {
  // The aircraft heads 090: an intruder due south at 5 NM lies right of it.
  Report("RA1", 5.4, 180, 4000);
  Report("RA1", 5.0, 180, 4000);
  ASSERT_TRUE(Tcas->Intruder("RA1")->resolutionAdvisory);
  // A climbing TA 500 ft above, ahead, and descending other traffic 1300 ft
  // below, left.
  Report("TA1", 4.6, 90, 4440);
  Report("TA1", 4.4, 90, 4500);
  Report("O1", 5.2, 0, 2740);
  Report("O1", 5.0, 0, 2700);
  // Proximate traffic 900 ft above, ahead left, holding its distance.
  Report("P1", 5.5, 45, 4900);
  Report("P1", 5.5, 45, 4900);
  ASSERT_TRUE(Tcas->Intruder("TA1")->trafficAdvisory);
  Frame("tcas-advisories");
  EXPECT_GT(Near(70.71, 0, 2, kRed), 20);
  EXPECT_EQ(Near(70.71, 0, 2, kAmber), 0);
  EXPECT_GT(Near(0, 4.4 * 14.142, 2, kAmber), 10);
  bool ta = false, ra = false;
  Tcas->GetAdvisoryFlags(ta, ra);
  EXPECT_TRUE(ta && ra);
  EXPECT_TRUE(NdFlags.trafficAlert);
  // Labels: "00" red above the square; "+05" amber above, "-13" white below.
  int sx, sy;
  harness->NdToWindow(70.71, 0, sx, sy);
  const auto red = harness->Printed("00");
  ASSERT_EQ(red.size(), 1u);
  EXPECT_EQ(red[0].r, 1.0f);
  EXPECT_EQ(red[0].g, 0.0f);
  EXPECT_GT(red[0].winY, sy);
  const auto plus = harness->Printed("+05");
  ASSERT_EQ(plus.size(), 1u);
  EXPECT_EQ(plus[0].g, 1.0f);
  EXPECT_EQ(plus[0].b, 0.0f);
  const auto minus = harness->Printed("-13");
  ASSERT_EQ(minus.size(), 1u);
  EXPECT_EQ(minus[0].b, 1.0f);
  harness->NdToWindow(-5.0 * 14.142, 0, sx, sy);
  EXPECT_LT(minus[0].winY, sy);
  // Traffic is drawn whether or not there is a position.
  harness->Feed(ndtest::UnalignedIrsLines());
  Frame("tcas-advisories-without-position");
}

TEST_F(TrafficDrawing, TaTurningRaKeepsTheTrafficAlertAndHiddenTrafficRaisesNone) {
  Report("X", 5.2, 90, 4000);
  Report("X", 5.0, 90, 4000);  // TA only
  Frame();
  bool ta = false, ra = false;
  Tcas->GetAdvisoryFlags(ta, ra);
  EXPECT_TRUE(ta);
  EXPECT_FALSE(ra);
  EXPECT_TRUE(NdFlags.trafficAlert);
  now += 5;
  Report("X", 3.8, 90, 4000);  // now an RA
  Frame();
  Tcas->GetAdvisoryFlags(ta, ra);
  EXPECT_FALSE(ta);
  EXPECT_TRUE(ra);
  EXPECT_TRUE(NdFlags.trafficAlert);
  EXPECT_GT(Near(0, 3.8 * 14.142, 2, kRed), 20);
  TrafficVisible = false;
  Frame();
  Tcas->GetAdvisoryFlags(ta, ra);
  EXPECT_FALSE(ta || ra);
  EXPECT_FALSE(NdFlags.trafficAdvisoryDrawn || NdFlags.resolutionAdvisoryDrawn || NdFlags.trafficAlert);
  EXPECT_EQ(Near(0, 3.8 * 14.142, 2, kRed), 0);
}

}  // namespace
