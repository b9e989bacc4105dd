// The arithmetic of the ND's symbols, heading box and track line, without
// drawing, and the display-list numbers they may use.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "shared/UDeclarations.h"
#include "nd/UNDObjects.h"
#include "platform/DisplayLists.h"
#include "tests/common/TestSupport.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(SymbolPosition, PlacesAndWindows) {
  const struct {
    float acLat, acLon, heading, lat, lon;
    int range;
    bool drawn;
    double x, y;
  } cases[] = {
      {47, -122, 0, 47 + 5.0f / 60, -122, 10, true, 0, 70.71},    // ahead at half the range
      {47, -122, 90, 47 + 5.0f / 60, -122, 10, true, -70.71, 0},  // heading 90: to the left
      {0, 0, 0, 0.25f, 0, 10, false, 0, 0},                        // exactly 1.5 x range: not drawn
      {0, 0, 0, 0.2499f, 0, 10, true, 0, 212.04},                  // just inside, beyond the circle
      {0, 179.9f, 0, 0, -179.9f, 10, true, 169.7, 0},             // across the date line
      {0, 0, 0, 0, 0.25f, 10, false, 0, 0},                        // longitude window: exactly on its edge
      {0, 0, 0, 0, -0.2499f, 10, true, -212.04, 0},                // just inside
      {47, -122, 0, static_cast<float>(kNaN), -122, 10, false, 0, 0},
      {47, -122, 0, 47, -122, 0, false, 0, 0},  // no range
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.lat << " " << c.lon << " " << c.heading);
    const auto p = SymbolPosition(c.acLat, c.acLon, c.heading, c.lat, c.lon, c.range);
    ASSERT_EQ(p.has_value(), c.drawn);
    if (!p) continue;
    EXPECT_NEAR(p->x, c.x, 0.05);
    EXPECT_NEAR(p->y, c.y, 0.05);
  }
  // At the pole every longitude passes the window: 6 NM away at range 40.
  const auto pole = SymbolPosition(90, 0, 0, 89.9f, 120, 40);
  ASSERT_TRUE(pole.has_value());
  EXPECT_NEAR(std::hypot(pole->x, pole->y), 21.21, 0.05);
}

TEST(HeadingBox, DigitsAndRegion) {
  const struct {
    double heading;
    int status;
    const char* digits;
  } cases[] = {{359.6, 2, "000"}, {-0.4, 2, "000"}, {0.5, 2, "000"}, {1.5, 2, "002"},
               {-1000, 2, "080"}, {kNaN, 2, "000"}, {1e300, 2, "127"}, {123, 1, "---"}};
  for (const auto& c : cases) {
    const auto d = HeadingDigits(c.heading, c.status);
    EXPECT_EQ(d[0] + d[1] + d[2], c.digits) << c.heading;
  }
  EXPECT_TRUE(TrueHeadingRegion(73));
  EXPECT_TRUE(TrueHeadingRegion(-65));
  EXPECT_FALSE(TrueHeadingRegion(72.99));
  EXPECT_FALSE(TrueHeadingRegion(-64.99));
}

TEST(TrackLine, RangeMarks) {
  // Wings level: the line starts at the aircraft; in a turn 25.46 out.
  EXPECT_DOUBLE_EQ(RangeMarkSegments(1, 0.9, DisplaySize)[0].a.y, 0);
  EXPECT_NEAR(RangeMarkSegments(1, -1.5, DisplaySize)[0].a.y, 25.46, 0.01);
  EXPECT_NEAR(RangeMarkSegments(1, -1, DisplaySize)[0].a.y, 25.46, 0.01);  // a bank of 1 counts as a turn
  EXPECT_NEAR(RangeMarkSegments(0.5, 20, DisplaySize)[0].a.y, 25.46, 0.01);
  EXPECT_EQ(RangeMarkSegments(1, 0, DisplaySize).size(), 4u);  // line, half-range and two quarter ticks
  const auto behind = RangeMarkSegments(-0.5, 0, DisplaySize);
  ASSERT_EQ(behind.size(), 2u);
  EXPECT_NEAR(behind[0].a.y, -35.355, 0.001);
  EXPECT_NEAR(behind[0].b.y, -70.71, 0.001);
}

TEST(TrackLine, TrendVector) {
  // Bank 25 right at 250 kt: the turn centre 24.85 units to the right.
  const TrendVector right = TrendVectorGeometry(10, 250, 25);
  EXPECT_NEAR(right.r, 24.85, 0.01);
  ASSERT_EQ(right.strips.size(), 1u);
  // The strip starts 4.5 s ahead, beside the track, and curves right.
  EXPECT_GT(right.strips[0].front().y, 0);
  EXPECT_GT(right.strips[0].back().x + right.r, 0);
  EXPECT_EQ(TrendVectorGeometry(20, 250, 25).strips.size(), 2u);
  EXPECT_EQ(TrendVectorGeometry(40, 250, 25).strips.size(), 3u);
  const TrendVector left = TrendVectorGeometry(10, 250, -25);
  EXPECT_LT(left.r, 0);
  EXPECT_LT(left.strips[0].back().x + left.r, 0);
  // A bank beyond 30 degrees right, or any left bank: a point every degree.
  for (double bank : {45.0, -45.0}) {
    const TrendVector tv = TrendVectorGeometry(10, 250, bank);
    const auto& p = tv.strips.at(0);
    EXPECT_NEAR(std::hypot(p[1].x - p[0].x, p[1].y - p[0].y) / std::fabs(tv.r), 3.14159265358979 / 180, 1e-5);
  }
  // Nothing to show.
  for (double gs : {0.0, -10.0, kNaN}) EXPECT_TRUE(TrendVectorGeometry(10, gs, 25).strips.empty()) << gs;
  EXPECT_TRUE(TrendVectorGeometry(10, 250, 0.9).strips.empty());
  EXPECT_TRUE(TrendVectorGeometry(20, 250, -1).strips.empty());
  EXPECT_EQ(TrendVectorGeometry(10, 250, -1.5).strips.size(), 1u);
  EXPECT_TRUE(TrendVectorGeometry(10, 250, kNaN).strips.empty());
  EXPECT_TRUE(TrendVectorGeometry(10, 2000, 1.01).strips.empty());  // centre beyond 600 units
  // A crawl in a shallow bank: the curve is capped at three full turns.
  const TrendVector worst = TrendVectorGeometry(40, 1, 1.2);
  ASSERT_EQ(worst.strips.size(), 3u);
  std::size_t points = 0;
  for (const auto& s : worst.strips) points += s.size();
  EXPECT_LE(points, 3u * 360 * 25 + 3);
}

TEST(TrackLine, AltitudeArc) {
  const struct {
    bool centred;
    double vs, alt, sel;
    bool shown;
    double y;
  } cases[] = {
      {false, 1000, 4000, 4199, false, 0},   // 199 ft: no arc
      {false, 1000, 4000, 4200, true, -56.568},  // 200 ft at 300 kt: 1 NM ahead
      {false, -1000, 4000, 5000, false, 0},  // descending away from it
      {false, 0, 4000, 9000, false, 0},
      {false, 100, 4000, 9000, true, 70.71},  // far beyond the range: at the range
      {true, 100, 4000, 9000, true, 0},       // profile: at most half the range
      {false, kNaN, 4000, 9000, false, 0},
  };
  for (const auto& c : cases) {
    const auto y = AltitudeArcOffset(10, c.centred, 300, c.vs, c.alt, c.sel);
    ASSERT_EQ(y.has_value(), c.shown) << c.vs << " " << c.sel;
    if (y) {
      EXPECT_NEAR(*y, c.y, 0.01);
    }
  }
}

class NdLists : public testsupport::GLTest {};

TEST_F(NdLists, OnlyRegisteredNumbersAreCompiled) {
  platform::ReserveFixedDisplayLists();
  const GLuint unregistered = 2999;
  ASSERT_FALSE(platform::IsFixedDisplayList(unregistered));
  EXPECT_FALSE(platform::BeginFixedList(unregistered));
  EXPECT_FALSE(glIsList(unregistered));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  platform::DeleteFixedList(unregistered);  // never deletes another owner's list

  TNDDataElement symbols;
  symbols.BuildSymbolLists();
  TRoseCompass rose;
  rose.BuildDisplayLists();
  TTrackLine track;
  track.BuildDisplayLists(DisplaySize);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  for (GLuint id : {ndlist::kNavaidVorDme, ndlist::kWaypoint, ndlist::kTrafficAdvisory, ndlist::kHeadingPointer,
                    ndlist::kAltitudeArc, RoseCompassList, RoseCompassPlainList})
    EXPECT_TRUE(glIsList(id)) << id;
  // Deleting the shared symbols leaves the lists the base does not own.
  TNDDataElement::DeleteSymbolLists();
  EXPECT_FALSE(glIsList(ndlist::kNavaidVorDme));
  EXPECT_TRUE(glIsList(ndlist::kWaypoint));
  platform::ReserveFixedDisplayLists();
}

}  // namespace
