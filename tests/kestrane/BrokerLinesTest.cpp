#include <gtest/gtest.h>

#include "kestrane/KestraneMain.h"

TEST(TcasItem, FieldsOfTheGroup) {
  TcasMessage = {};
  ASSERT_TRUE(ParseTcasLine("tcas {N123AB 7 120 47.5 -122.3 3500 12}\r"));
  EXPECT_EQ(TcasMessage.callsign, "N123AB");
  EXPECT_FLOAT_EQ(TcasMessage.latitude, 47.5f);
  EXPECT_FLOAT_EQ(TcasMessage.longitude, -122.3f);
  EXPECT_EQ(TcasMessage.altitude, 3500);
}

TEST(TcasItem, FoundAfterOtherItemsAndInsideLongerWords) {
  TcasMessage = {};
  ASSERT_TRUE(ParseTcasLine("IPC.vs 500 tcas {DLH400 1 2 50.1 8.6 12000 0}"));
  EXPECT_EQ(TcasMessage.callsign, "DLH400");
  EXPECT_EQ(TcasMessage.altitude, 12000);
  EXPECT_FALSE(ParseTcasLine("IPC.vs 500"));
  EXPECT_FALSE(ParseTcasLine(""));
}

TEST(TcasItem, CallsignAtTheEndOfTheLine) {
  TcasMessage = {};
  TcasMessage.callsign = "KEEP";
  EXPECT_FALSE(ParseTcasLine("IPC.vs 0 tcas {N123AB"));
  EXPECT_FALSE(ParseTcasLine("tcas {N123AB\r"));
  EXPECT_EQ(TcasMessage.callsign, "KEEP");
}

TEST(TcasItem, MissingFieldsHandNothingOn) {
  TcasMessage = {};
  TcasMessage.callsign = "KEEP";
  TcasMessage.altitude = 1234;
  EXPECT_FALSE(ParseTcasLine("tcas {N1 7 120 47.5 -122.3}"));
  EXPECT_FALSE(ParseTcasLine("tcas {N1 7 120 47.5 -122.3 3500}"));
  EXPECT_FALSE(ParseTcasLine("tcas"));
  EXPECT_EQ(TcasMessage.callsign, "KEEP");
  EXPECT_EQ(TcasMessage.altitude, 1234);
}

TEST(TcasItem, LenientNumbers) {
  ASSERT_TRUE(ParseTcasLine("tcas {X 1 2 4x7 abc 99999999999 z}"));
  EXPECT_FLOAT_EQ(TcasMessage.latitude, 4.0f);
  EXPECT_FLOAT_EQ(TcasMessage.longitude, 0.0f);
  EXPECT_EQ(TcasMessage.altitude, 2147483647);
}

TEST(Subscriptions, EightNotifyLinesThenFiftyRouteLines) {
  auto lines = SubscriptionLines();
  ASSERT_EQ(lines.size(), 58u);
  for (const auto& l : lines) {
    EXPECT_EQ(l.rfind("notify ", 0), 0u);
    EXPECT_EQ(l.back(), '\r');
    EXPECT_EQ(l.find('\n'), std::string::npos);
  }
  EXPECT_NE(lines[1].find("VM.HiBufSpd + VM.StickShSpd ND.RA\r"), std::string::npos);
  EXPECT_NE(lines[2].find("MV.Fix2Act  MV.Fix2Ndeg"), std::string::npos);
  EXPECT_EQ(lines[4].substr(lines[4].size() - 11), "MV.IrsY3  \r");
  EXPECT_EQ(lines[8], "notify R.00 R.a00 R.b00 R.c00 R.d00 R.e00 R.f00 R.g00 \r");
  EXPECT_EQ(lines[57], "notify R.49 R.a49 R.b49 R.c49 R.d49 R.e49 R.f49 R.g49 \r");
}
