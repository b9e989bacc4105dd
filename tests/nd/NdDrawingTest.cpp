// The ND square drawn offscreen through the real dispatch: the reference
// states (written to test-frames/nd-<name>.png), what a pilot sees of them,
// and the GL state a frame leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Unavigation.h"
#include "platform/Numbers.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

using testsupport::Rgba;
constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kAmber{255, 255, 0, 255};
constexpr Rgba kMagenta{225, 125, 225, 255};
constexpr Rgba kGreen{0, 255, 0, 255};

class NdDrawing : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    harness = std::make_unique<ndtest::NdHarness>();
  }
  void TearDown() override { harness.reset(); }

  void Show(const std::string& name) {
    harness->Load(ndtest::ReferenceScenario(name));
    harness->Render();
    ReadBack();
    ExpectPicture("nd-" + name);
  }
  // Pixels of colour c within r units of the ND point (x, y).
  int Near(double x, double y, double r, Rgba c) const {
    int x0, y0, x1, y1;
    harness->NdToWindow(x - r, y - r, x0, y0);
    harness->NdToWindow(x + r, y + r, x1, y1);
    return CountColour(x0, y0, x1, y1, c);
  }
  // An IRS position star at distance nm and relative bearing deg.
  void PlaceIrs(int irs, double nm, double deg) {
    const double b = (90 + deg) * 3.14159265358979 / 180;  // the aircraft heads 090
    const double lat = broker::kDemoFieldLatitude + nm * std::cos(b) / 60;
    const double lon =
        broker::kDemoFieldLongitude + nm * std::sin(b) / (60 * std::cos(lat * 3.14159265358979 / 180));
    double x = 0, y = 0;
    broker::GridFromLatLon(lat, lon, -122, x, y);
    const std::string n = std::to_string(irs);
    harness->Feed({"MV.IrsX" + n + " " + platform::FormatDouble(x, 2) + " MV.IrsY" + n + " " +
                   platform::FormatDouble(y, 2)});
  }
  std::unique_ptr<ndtest::NdHarness> harness;
};

TEST_F(NdDrawing, EveryReferenceStateLeavesTheGlStateAsFound) {
  for (const ndtest::Scenario& s : ndtest::ReferenceScenarios()) {
    SCOPED_TRACE(s.name);
    harness->Load(s);
    GLfloat before[16], after[16];
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    glEnable(GL_LINE_SMOOTH);  // as the PFD may leave it
    harness->Render();
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    glLoadIdentity();
    glOrtho(0, DrawScale, 0, DrawScale, -1, 1);
    GLfloat ortho[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, ortho);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(after[i], ortho[i], 1e-5) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    ReadBack();
    ExpectPicture("nd-" + s.name);
    (void)before;
  }
}

TEST_F(NdDrawing, LineSmoothingIsOffBeforeTheFirstText) {
  bool smoothAtFirstText = true;
  bool seen = false;
  TCGFont3D::SetPrintHook([&](const TCGFont3D&, const char*, float, float, float) {
    if (!seen) smoothAtFirstText = glIsEnabled(GL_LINE_SMOOTH);
    seen = true;
  });
  harness->Load(ndtest::ReferenceScenario("right-turn-climb"));
  glEnable(GL_LINE_SMOOTH);
  harness->Render();
  TCGFont3D::SetPrintHook(nullptr);
  ASSERT_TRUE(seen);
  EXPECT_FALSE(smoothAtFirstText);
}

TEST_F(NdDrawing, IrsNotAlignedShowsFlagsOnly) {
  Show("irs-not-aligned");
  ASSERT_EQ(harness->Printed("HDG").size(), 1u);
  EXPECT_EQ(harness->Printed("HDG")[0].font, Font050);  // the amber flag, not the green label
  EXPECT_FLOAT_EQ(harness->Printed("HDG")[0].g, 1);
  EXPECT_FLOAT_EQ(harness->Printed("HDG")[0].b, 0);
  EXPECT_EQ(harness->Printed("MAP").size(), 1u);
  EXPECT_TRUE(harness->Printed("MAG").empty());
  // No card: nothing white on the arc; the aircraft triangle stays.
  EXPECT_EQ(Near(-100, 100, 4, kWhite), 0);
  EXPECT_GT(Near(0, -10, 5, kWhite), 0);
  EXPECT_GT(Near(0, 56, 8, kAmber), 0);  // the MAP box
}

TEST_F(NdDrawing, RightTurnClimb) {
  Show("right-turn-climb");
  // The heading box: 090 magnetic; the card's labels come from its list,
  // not from a text drawn this frame.
  for (const char* t : {"0", "9", "HDG", "MAG", "5"}) EXPECT_FALSE(harness->Printed(t).empty()) << t;
  EXPECT_TRUE(harness->Printed("12").empty());
  EXPECT_TRUE(harness->Printed("MAP").empty());
  EXPECT_GT(Near(0, DisplaySize, 3, kWhite), 0);               // heading pointer and card at the top
  EXPECT_GT(Near(-100, 100, 3, kWhite), 0);                    // the card's arc 45 degrees left
  // The dashed line to the selected heading 60 degrees right; the altitude
  // arc where 8000 ft will be reached, 8.33 NM ahead.
  EXPECT_GT(Near(37.1 * std::sin(1.0472), 37.1 * std::cos(1.0472), 2, kMagenta), 0);
  EXPECT_EQ(Near(-37.1 * std::sin(1.0472), 37.1 * std::cos(1.0472), 2, kMagenta), 0);
  EXPECT_GT(Near(0, 8.333 * 14.142, 3, kGreen), 0);
  // The trend vector curves right of the (drifted) track line.
  EXPECT_GT(Near(14, 14, 8, kWhite), 0);
  EXPECT_EQ(Near(-14, 14, 8, kWhite), 0);
}

TEST_F(NdDrawing, AHeadingBeyondTheSingleRangeSpoilsNoFrame) {
  // Each value, a double no single can hold, reaches the frame it arrives
  // in as a finite turn: the card is drawn in that frame, and the frame
  // after valid values is the plain picture again.
  const struct {
    const char* line;
    const char* picture;
  } cases[] = {
      {"IPC.thdg 1e39", "nd-huge-thdg"},       {"IPC.mcphdg 1e39", "nd-huge-mcphdg"},
      {"IPC.var 1e39", "nd-huge-var"},         {"MV.IrsPhdg 1e39", "nd-huge-irsphdg"},
      {"MV.YawTrack 1e39", "nd-huge-yawtrack"}, {"MV.Track 1e308", "nd-huge-track"},
      {"MV.Track -1e308", "nd-huge-track-negative"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    harness->Load(ndtest::ReferenceScenario("right-turn-climb"));
    harness->Feed({c.line});
    harness->Render();
    ReadBack();
    ExpectPicture(c.picture);
    harness->Load(ndtest::ReferenceScenario("right-turn-climb"));
    harness->Render();
    ReadBack();
    ExpectPicture("nd-right-turn-climb");
  }
}

TEST_F(NdDrawing, LeftTurnAtRange40) {
  Show("left-turn-range-40");
  EXPECT_EQ(harness->Printed("20").size(), 1u);  // half the range on the track line
  EXPECT_GT(Near(-10, 20, 10, kWhite), 0);
  EXPECT_EQ(Near(10, 20, 10, kWhite), 0);
}

TEST_F(NdDrawing, ProfileLayoutShowsTheCentredCard) {
  Show("profile");
  // The range label ahead and behind, and the profile panel's quarter-range
  // label.
  EXPECT_EQ(harness->Printed("2.5").size(), 3u);
  // The card of radius 70.71 around the aircraft, with its labels.
  EXPECT_GT(Near(70.71, 0, 3, kWhite) + Near(-70.71, 0, 3, kWhite), 0);
  EXPECT_GT(Near(0, -70.71, 3, kWhite), 0);
  // Without the terrain, or without the data, no panel: the card moves down.
  TerrainVisible = false;
  harness->Render();
  ReadBack();
  ExpectPicture("nd-profile-terrain-off");
  TerrainVisible = true;
  NdDataVisible = false;
  harness->Render();
  ReadBack();
  ExpectPicture("nd-profile-no-data");
  NdDataVisible = true;
}

TEST_F(NdDrawing, PolarPositionShowsTrueAndGridHeadings) {
  Show("polar");
  EXPECT_FALSE(harness->Printed("TRU").empty());
  EXPECT_FALSE(harness->Printed("GRID").empty());
  EXPECT_TRUE(harness->Printed("MAG").empty());
  EXPECT_NEAR(OwnLatitude, 80, 1e-6);
}

TEST_F(NdDrawing, HiddenBelowTheArcAndBeyondIt) {
  harness->Load(ndtest::ReferenceScenario("hide-below-arc"));
  // Stars 5 degrees right of the nose at 0.95 and 0.85 of the range.
  PlaceIrs(2, 0.95 * 10, 5);
  PlaceIrs(3, 0.85 * 10, 5);
  harness->Render();
  ReadBack();
  ExpectPicture("nd-hide-below-arc-stars");
  const double s5 = std::sin(5 * 3.14159265358979 / 180), c5 = std::cos(5 * 3.14159265358979 / 180);
  EXPECT_EQ(Near(0.95 * DisplaySize * s5, 0.95 * DisplaySize * c5, 2.5, kWhite), 0);
  EXPECT_GT(Near(0.85 * DisplaySize * s5, 0.85 * DisplaySize * c5, 2.5, kWhite), 0);

  // Without the stencil ring both show; beyond the arc the disk blacks a
  // star out while the pointer and heading box drawn after it stay.
  HideBelowCompassArc = false;
  // (20 degrees right: clear of the waypoint block drawn after the disk.)
  PlaceIrs(3, 1.2 * 10, 20);
  harness->Render();
  ReadBack();
  EXPECT_GT(Near(0.95 * DisplaySize * s5, 0.95 * DisplaySize * c5, 2.5, kWhite), 0);
  EXPECT_EQ(Near(1.2 * DisplaySize * 0.342, 1.2 * DisplaySize * 0.9397, 3, kWhite), 0);
  EXPECT_GT(Near(0, DisplaySize + 2, 2, kWhite), 0);  // heading pointer
  EXPECT_GT(Near(0, DisplaySize + 9, 8, kWhite), 0);  // heading box
  EXPECT_FALSE(harness->Printed("HDG").empty());
}

}  // namespace
