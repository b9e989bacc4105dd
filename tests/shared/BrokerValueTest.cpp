#include "shared/BrokerValue.h"
#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <clocale>
#include <string>

using namespace brokerlink;
using namespace platform;

TEST(BrokerValue, CutsCrAndBlankAndSkipsOneCharacter) {
  int vs = 0;
  ASSERT_TRUE(ReadBrokerInt("IPC.vs -1200\r", "IPC.vs", vs));
  EXPECT_EQ(vs, -1200);
  ASSERT_TRUE(ReadBrokerInt("IPC.ias 250 IPC.vs 800", "IPC.ias", vs));
  EXPECT_EQ(vs, 250);
}

TEST(BrokerValue, PrefixNameMatchesInsideLongerName) {
  int align = 7;
  ASSERT_TRUE(ReadBrokerInt("MV.Irs1AlignDel 5", "MV.Irs1Align", align));
  EXPECT_EQ(align, 0);  // "el" converts to 0
}

TEST(BrokerValue, LenientConversionAndMissingVariable) {
  int v = 99;
  ASSERT_TRUE(ReadBrokerInt("X 12a", "X", v));
  EXPECT_EQ(v, 12);
  ASSERT_TRUE(ReadBrokerInt("X abc", "X", v));
  EXPECT_EQ(v, 0);
  v = 42;
  EXPECT_FALSE(ReadBrokerInt("Y 5", "X", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ReadBrokerInt("X", "X", v));  // name at the end of the line
  EXPECT_EQ(v, 0);
}

TEST(BrokerValue, EightCharactersOrRestOfLine) {
  double d = 0;
  ASSERT_TRUE(ReadBrokerDouble("MV.RwyX1 47.123456789", "MV.RwyX1", d));
  EXPECT_DOUBLE_EQ(d, 47.12345);  // eight characters
  ASSERT_TRUE(ReadBrokerDouble("MV.RwyX1 47.123456789", "MV.RwyX1", d, ValueSpan::RestOfLine));
  EXPECT_DOUBLE_EQ(d, 47.123456789);
}

TEST(BrokerValue, HugeValuesSaturate) {
  int v = 0;
  ASSERT_TRUE(ReadBrokerInt("X 99999999", "X", v));
  EXPECT_EQ(v, 99999999);
  float f = 0;
  ASSERT_TRUE(ReadBrokerFloat("X 1e999", "X", f, ValueSpan::RestOfLine));
  EXPECT_EQ(f, FLT_MAX);
  double d = 0;
  ASSERT_TRUE(ReadBrokerDouble("X nan", "X", d));
  EXPECT_EQ(d, 0.0);
}

TEST(BrokerValue, TinyMagnitudesReadAsZeroHugeAsInfinity) {
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"1e-400", 0.0},        {"-1e-400", 0.0},     {"0.00000000001e-320", 0.0},
      {"1e999", HUGE_VAL},    {"-1e999", -HUGE_VAL}, {"123456789e301", HUGE_VAL},
      {"0.0001e-305", 1e-309}, {"5e-324", 5e-324},
  };
  for (const auto& c : cases) {
    double d = 99;
    ASSERT_TRUE(ReadBrokerDouble(std::string("X ") + c.text, "X", d, ValueSpan::RestOfLine));
    EXPECT_EQ(d, c.expected) << c.text;
  }
}

TEST(BrokerValue, ConnLines) {
  EXPECT_TRUE(IsConnLine("Connected to broker"));
  EXPECT_FALSE(IsConnLine("Con"));
  EXPECT_FALSE(IsConnLine(""));
}

TEST(BrokerValue, DecimalPointWhateverTheLocale) {
  const char* old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = old ? old : "C";
  bool comma = false;
  for (const char* name : {"de_DE.UTF-8", "de_DE", "fr_FR.UTF-8", "C.UTF-8"})
    if (std::setlocale(LC_NUMERIC, name)) {
      comma = std::localeconv()->decimal_point[0] == ',';
      if (comma) break;
    }
  double d = 0;
  ASSERT_TRUE(ReadBrokerDouble("IPC.dalt 1234.5", "IPC.dalt", d));
  EXPECT_DOUBLE_EQ(d, 1234.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
  if (!comma) GTEST_SKIP() << "no locale with a decimal comma here; read with the C locale only";
}
