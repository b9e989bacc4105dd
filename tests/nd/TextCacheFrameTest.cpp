// Whole ND frames of the reference states drawn three times running, as
// the program draws them: the third frame, whose still texts come from
// the fonts' kept pixels, looks like the first, drawn edge by edge.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "tests/common/KeptText.h"
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

TEST_F(NdTextCache, KeptTextsLookLikeDrawnOnes) {
  for (const ndtest::Scenario& s : ndtest::ReferenceScenarios()) {
    SCOPED_TRACE(s.name);
    harness->Load(s);
    harness->Render();
    const std::uint64_t hits = testsupport::KeptStringsShown();
    for (int i = 0; i < 3; ++i) {
      TCGFont3D::EndFrame();
      harness->Render();
    }
    ReadBack();
    EXPECT_GT(testsupport::KeptStringsShown(), hits) << "the texts of a still frame are kept";
    EXPECT_TRUE(testsupport::MatchesReference("nd-" + s.name, kSize, kSize, pixels_,
                                              testsupport::KeptTextTolerance(), "kept"));
  }
}

}  // namespace
