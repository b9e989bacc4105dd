#include "platform/Fpu.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>

TEST(Fpu, BracketClearsFlagsAndRestoresEnvironment) {
  std::feclearexcept(FE_ALL_EXCEPT);
  int roundBefore = std::fegetround();
  {
    platform::FpuGuard guard;
    volatile double zero = 0.0;
    volatile double r = 1.0 / zero;  // raises divide-by-zero, must not trap
    EXPECT_TRUE(std::isinf(r));
    EXPECT_TRUE(std::fetestexcept(FE_DIVBYZERO));
  }
  EXPECT_FALSE(std::fetestexcept(FE_DIVBYZERO));
  EXPECT_EQ(std::fegetround(), roundBefore);
}
