// The main form empties the FMC route when the link to the broker closes,
// by the user or by the broker's shutting down; the next connection starts
// without a stale route.
#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "kestrane/KestraneMain.h"
#include "shared/KestraneSettings.h"
#include "nd/Uroutes.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"
#include "tests/common/TestSupport.h"
#include "tests/kestrane/FormTestSupport.h"

namespace {

using formtest::Listener;
using formtest::Pump;

class RouteDisconnect : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X server";
    form = formtest::StartForm();
    ASSERT_TRUE(form);
    Pump(0.2);
  }
  void TearDown() override {
    formtest::StopForm(form);
  }
  void ConnectAndSendRoute(const Listener& l) {
    BrokerHost = "127.0.0.1";
    BrokerPort = std::to_string(l.Port());
    form->Connect1Click();
    ASSERT_TRUE(form->Connected());
    form->ProcessCommand("R.01 KSEA R.a01 47 R.LastLeg 7 R.W 3\r");
    ASSERT_NE(Route, nullptr);
    ASSERT_EQ(Route->Count(), 3);
  }
  void ExpectEmptied() const {
    EXPECT_FALSE(form->Connected());
    EXPECT_EQ(Route->Count(), 0);
    EXPECT_EQ(Route->Name(1), "");
    EXPECT_EQ(Route->LatDegrees(1), -91);
    EXPECT_EQ(Route->LastLeg(), 7);
  }
  std::unique_ptr<TKestraneForm> form;
};

}  // namespace

TEST_F(RouteDisconnect, TheUsersDisconnectEmptiesTheRoute) {
  Listener l;
  ConnectAndSendRoute(l);
  form->Disconnect1Click();
  ExpectEmptied();
}

TEST_F(RouteDisconnect, TheBrokersShutdownEmptiesTheRoute) {
  Listener l;
  ConnectAndSendRoute(l);
  form->ProcessCommand("Broker is shutting down\r");
  ExpectEmptied();
}
