#include "platform/Numbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

using namespace platform;

TEST(SafeRound, HalvesGoToEven) {
  EXPECT_EQ(SafeRound(0.5), 0);
  EXPECT_EQ(SafeRound(1.5), 2);
  EXPECT_EQ(SafeRound(2.5), 2);
  EXPECT_EQ(SafeRound(-2.5), -2);
  EXPECT_EQ(SafeRound(2.4999), 2);
  EXPECT_EQ(SafeRound(-0.7), -1);
}

TEST(SafeRound, NanInfinityAndHugeValuesAreSafe) {
  EXPECT_EQ(SafeRound(std::nan("")), 0);
  EXPECT_EQ(SafeRound(HUGE_VAL), INT_MAX);
  EXPECT_EQ(SafeRound(-HUGE_VAL), INT_MIN);
  EXPECT_EQ(SafeRound(1e300), INT_MAX);
  EXPECT_EQ(SafeTrunc(-1e300), INT_MIN);
  EXPECT_EQ(SafeTrunc(std::nan("")), 0);
  EXPECT_EQ(SafeTrunc(-3.9), -3);
}

TEST(ParseInt, AcceptsOnlyWholeNumbers) {
  int v = 7;
  EXPECT_TRUE(ParseInt(" 42 ", v));
  EXPECT_EQ(v, 42);
  EXPECT_TRUE(ParseInt("-17", v));
  EXPECT_EQ(v, -17);
  EXPECT_TRUE(ParseInt("0x1F", v));
  EXPECT_EQ(v, 31);
  v = 7;
  EXPECT_FALSE(ParseInt("12abc", v));
  EXPECT_FALSE(ParseInt("", v));
  EXPECT_FALSE(ParseInt("99999999999", v));
  EXPECT_FALSE(ParseInt("1.5", v));
  EXPECT_EQ(v, 7);
}

TEST(Lenient, TakesTheLeadingNumber) {
  EXPECT_EQ(LenientInt("123abc"), 123);
  EXPECT_EQ(LenientInt("abc"), 0);
  EXPECT_EQ(LenientInt("-45"), -45);
  EXPECT_EQ(LenientInt("99999999999999999999"), INT_MAX);
  EXPECT_EQ(LenientInt("-99999999999999999999"), INT_MIN);
  EXPECT_DOUBLE_EQ(LenientDouble("12.5x"), 12.5);
  EXPECT_DOUBLE_EQ(LenientDouble("x12"), 0.0);
  EXPECT_DOUBLE_EQ(LenientDouble("-0.25"), -0.25);
  EXPECT_TRUE(std::isinf(LenientDouble("1e999")));
  EXPECT_DOUBLE_EQ(LenientDouble("nan"), 0.0);
  EXPECT_DOUBLE_EQ(LenientDouble("-inf"), 0.0);
}

TEST(Format, UsesDotWhateverTheLocale) {
  EXPECT_EQ(FormatDouble(3.14159, 2), "3.14");
  EXPECT_EQ(FormatInt(-1863), "-1863");
}
