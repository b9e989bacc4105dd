// End to end: "tcas" items through the line dispatch, the frame's hand-over
// of the advisory rates, and the RA band on the PFD's attitude indicator.
#include <gtest/gtest.h>

#include <cmath>

#include "kestrane/KestraneFrame.h"
#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "pfd/Uhorizon.h"
#include "pfd/Upfd.h"
#include "platform/Numbers.h"
#include "tests/pfd/PfdTest.h"

namespace {

class TcasBand : public pfdtest::PfdTest {
 protected:
  void SetUp() override {
    PfdTest::SetUp();
    Tcas = std::make_unique<Ttcas>([this] {
      TcasTime t;
      t.monotonic = now;
      t.text = "now";
      return t;
    });
    Tcas->Init();
  }
  void TearDown() override {
    Tcas.reset();
    PfdTest::TearDown();
  }
  // A report of callsign nm NM north of the aircraft, then a second.
  void Report(double nm, int alt) {
    const double lat = OwnLatitude + nm / 60;
    harness->Feed({"IPC.vs 0 tcas {N77 0 0 " + platform::FormatDouble(lat, 7) + " " +
                   platform::FormatDouble(OwnLongitude, 7) + " " + std::to_string(alt) + " 0}\r"});
    now += 1;
  }
  void Frame() {
    TcasAdvisoryToPfd();
    harness->Render();
    ReadBack();
  }
  double now = 100;
};

TEST_F(TcasBand, DescendAdvisoryFromTheBrokerShowsOnThePfdAndEnds) {
  harness->Feed(pfdtest::NeutralLines());
  harness->Feed(pfdtest::AlignedIrsLines());
  harness->Feed({"IPC.talt 4000", "IPC.dalt 4000", "IPC.pitch 2"});
  Report(4.0, 4000);
  Frame();
  EXPECT_EQ(RaDescendRate, -9999);
  EXPECT_EQ(Horizon->DescendBand, -9999);
  Report(3.8, 4000);
  Frame();
  ExpectPicture("tcas-band-descend");
  EXPECT_EQ(RaDescendRate, 1500);
  EXPECT_EQ(RaClimbRate, -9999);
  EXPECT_EQ(Horizon->DescendBand, -1);
  EXPECT_EQ(Horizon->ClimbBand, -9999);
  EXPECT_GT(CountIn(*Horizon, 0, 0, 100, 108, pfdtest::kRaRed), 100);
  // A broker's "ND.RA" lasts until the next frame only.
  harness->Feed({"ND.RA 1500"});
  now += 9;  // 10 s after the RA: still shown
  Frame();
  EXPECT_EQ(RaDescendRate, 1500);
  EXPECT_EQ(RaClimbRate, -9999);
  now += 0.5;
  Frame();
  EXPECT_EQ(RaDescendRate, -9999);
  EXPECT_EQ(Horizon->DescendBand, -9999);
  EXPECT_EQ(CountIn(*Horizon, 0, 0, 100, 108, pfdtest::kRaRed), 0);
}

}  // namespace
