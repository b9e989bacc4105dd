// Whole ND frames of the reference states drawn three times running, as
// the program draws them: the third frame, whose still texts come from
// the fonts' kept pixels, looks like the first, drawn edge by edge.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "kestrane/Ufonts.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"

namespace {

class NdTextCache : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    harness = std::make_unique<ndtest::NdHarness>();
  }
  void TearDown() override { harness.reset(); }
  std::unique_ptr<ndtest::NdHarness> harness;
};

std::uint64_t Hits() {
  std::uint64_t n = 0;
  for (TCGFont3D* f : {Font035, Font040, Font045, Font050, Font6, Font8, Font10}) n += f->CacheStatistics().hits;
  return n;
}

TEST_F(NdTextCache, KeptTextsLookLikeDrawnOnes) {
  for (const ndtest::Scenario& s : ndtest::ReferenceScenarios()) {
    SCOPED_TRACE(s.name);
    harness->Load(s);
    harness->Render();
    ReadBack();
    const std::vector<uint8_t> drawn = pixels_;
    const std::uint64_t hits = Hits();
    for (int i = 0; i < 3; ++i) {
      TCGFont3D::EndFrame();
      harness->Render();
    }
    ReadBack();
    EXPECT_GT(Hits(), hits) << "the texts of a still frame are kept";
    // Rounding of the coverage: a few levels on edge pixels. Beyond that
    // only the odd pixel where a sliver of a glyph's triangles meets the
    // pixel grid a hair differently.
    int rounding = 0, more = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      if (i % 4 == 3) continue;
      const int d = std::abs(drawn[i] - pixels_[i]);
      rounding += d > 0 && d <= 4;
      more += d > 4;
    }
    EXPECT_LT(rounding, 3000) << "channels that differ, of " << drawn.size() / 4 * 3;
    EXPECT_LE(more, 60);
    if (s.name == "texts" || s.name == "tcas-advisories" || s.name == "polar") SavePng("nd-" + s.name + "-kept");
  }
}

}  // namespace
