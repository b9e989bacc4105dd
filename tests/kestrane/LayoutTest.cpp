#include <gtest/gtest.h>

#include "kestrane/KestraneFrame.h"
#include "shared/KestraneSettings.h"

namespace {
struct Layout : ::testing::Test {
  void TearDown() override {
    DisplayCount = 2;
    PfdVisible = NdVisible = CaptainSide = true;
  }
};
}  // namespace

TEST_F(Layout, TwoDisplaysSideBySide) {
  DisplayCount = 2;
  CaptainSide = true;
  auto v = ComputeLayout(800, 400);
  ASSERT_EQ(v.size(), 2u);
  EXPECT_EQ(v[0].size, 400);
  EXPECT_EQ(v[0].x, 0);
  EXPECT_EQ(v[0].y, 0);
  EXPECT_TRUE(v[0].pfd);
  EXPECT_EQ(v[1].x, 400);
  EXPECT_FALSE(v[1].pfd);
  v = ComputeLayout(800, 300);
  EXPECT_EQ(v[0].size, 300);
  EXPECT_EQ(v[0].x, 50);
  EXPECT_EQ(v[1].x, 450);
}

TEST_F(Layout, FirstOfficerSwapsTheSquares) {
  DisplayCount = 2;
  CaptainSide = false;
  auto v = ComputeLayout(800, 400);
  EXPECT_FALSE(v[0].pfd);
  EXPECT_TRUE(v[1].pfd);
}

TEST_F(Layout, OneDisplayCentred) {
  DisplayCount = 1;
  PfdVisible = true;
  NdVisible = false;
  auto v = ComputeLayout(500, 300);
  ASSERT_EQ(v.size(), 1u);
  EXPECT_EQ(v[0].size, 300);
  EXPECT_EQ(v[0].x, 100);
  EXPECT_EQ(v[0].y, 0);
  EXPECT_TRUE(v[0].pfd);
  PfdVisible = false;
  NdVisible = true;
  v = ComputeLayout(300, 500);
  EXPECT_EQ(v[0].y, 100);
  EXPECT_FALSE(v[0].pfd);
}

TEST_F(Layout, EmptyClientAreaGivesZeroSquares) {
  DisplayCount = 2;
  auto v = ComputeLayout(0, 0);
  for (const auto& s : v) EXPECT_EQ(s.size, 0);
  v = ComputeLayout(-5, 10);
  for (const auto& s : v) EXPECT_GE(s.size, 0);
}
