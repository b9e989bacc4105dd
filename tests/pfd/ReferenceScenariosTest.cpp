// The reference PFD states, each compared with its reference picture
// (tests/reference/pfd-<name>.png), drawn edge by edge and from kept text.
#include <gtest/gtest.h>

#include "shared/Ufonts.h"
#include "pfd/Uhorizon.h"
#include "tests/pfd/PfdTest.h"

namespace {

using namespace pfdtest;

class ReferenceScenarios : public PfdTest {
 protected:
  const Scenario& Get(const std::string& name) {
    for (const Scenario& s : pfdtest::ReferenceScenarios())
      if (s.name == name) return s;
    throw std::runtime_error("no scenario " + name);
  }
  void Show(const std::string& name) {
    RenderScenario(Get(name));
    ExpectPicture("pfd-" + name);
    ExpectKeptPicture("pfd-" + name);
  }
  int InBox(testsupport::Rgba c) { return CountIn(*Horizon, 2, 2, 98, 106, c); }
};

TEST_F(ReferenceScenarios, IrsNotAligned) {
  Show("irs-not-aligned");
  EXPECT_EQ(harness->Printed("ATT", Font050).size(), 1u);
  EXPECT_EQ(InBox(kSky), 0);
}

TEST_F(ReferenceScenarios, OnGround) {
  Show("on-ground");
  EXPECT_TRUE(harness->Printed("ATT").empty());
  EXPECT_GT(InBox(kSky), 1000);
  EXPECT_GT(InBox(kGround), 1000);
  EXPECT_GT(InBox(kAmber), 0);  // pitch limit with flaps out
  EXPECT_EQ(InBox(kMagenta), 0);
}

TEST_F(ReferenceScenarios, TurnedScreensShowTheSameAttitude) {
  for (int rotation : {90, 180, 270})
    for (float scale : {200.0f, 255.0f}) {
      SCOPED_TRACE(testing::Message() << rotation << " " << scale);
      RenderScenario(Get("on-ground"), {.rotation = rotation, .drawScale = scale});
      if (scale == 255) {
        ExpectPicture("pfd-on-ground-rotation-" + std::to_string(rotation));
        ExpectKeptPicture("pfd-on-ground-rotation-" + std::to_string(rotation), {.rotation = rotation, .drawScale = scale});
      }
      EXPECT_TRUE(Near(At(*Horizon, 64, 60), kSky));
      EXPECT_TRUE(Near(At(*Horizon, 64, 46), kGround));
      EXPECT_TRUE(Near(At(*Horizon, 50, 20), kGround));
      EXPECT_TRUE(Near(At(*Horizon, 50, 80), kSky));
    }
}

TEST_F(ReferenceScenarios, ClimbingTurnWithFlightDirector) {
  Show("climbing-turn-fd");
  EXPECT_GT(InBox(kMagenta), 50);
  // Nose up 8: more ground than sky is not what a climb looks like.
  EXPECT_GT(InBox(kSky), InBox(kGround));
}

TEST_F(ReferenceScenarios, TcasClimb) {
  Show("tcas-climb");
  EXPECT_GT(InBox(kRaRed), 20);
  EXPECT_EQ(Horizon->DescendBand, -9999);
}

TEST_F(ReferenceScenarios, TcasDescend) {
  Show("tcas-descend");
  EXPECT_GT(InBox(kRaRed), 20);
  EXPECT_EQ(Horizon->ClimbBand, -9999);
}

TEST_F(ReferenceScenarios, Windshear) {
  Show("windshear");
  EXPECT_EQ(harness->Printed("WINDSHEAR", Font10).size(), 1u);
  // The alert is drawn below the indicator, outside its scissor box.
  float wx, wy;
  harness->GaugeToWindow(*Horizon, 28, -10, wx, wy);
  EXPECT_GT(CountColour(static_cast<int>(wx), static_cast<int>(wy) - 2, static_cast<int>(wx) + 120,
                        static_cast<int>(wy) + 25, {255, 0, 0, 255}, 60),
            20);
}

}  // namespace
