// GoogleTest fixture for PFD drawing tests: the offscreen context, a fresh
// set of PFD objects per test, and pixel look-ups in gauge units.
#pragma once
#include <cmath>
#include <cstdlib>
#include <memory>

#include "pfd/Ugauges.h"
#include "tests/common/KeptText.h"
#include "tests/common/TestSupport.h"
#include "tests/pfd/PfdHarness.h"

namespace pfdtest {

inline constexpr testsupport::Rgba kSky{65, 145, 254, 255};
inline constexpr testsupport::Rgba kGround{150, 99, 48, 255};
inline constexpr testsupport::Rgba kWhite{255, 255, 255, 255};
inline constexpr testsupport::Rgba kBlack{0, 0, 0, 255};
inline constexpr testsupport::Rgba kMagenta{225, 125, 225, 255};
inline constexpr testsupport::Rgba kAmber{255, 255, 0, 255};
inline constexpr testsupport::Rgba kRaRed{230, 51, 0, 255};

inline bool Near(testsupport::Rgba a, testsupport::Rgba b, int tol = 30) {
  return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

class PfdTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    harness = std::make_unique<PfdHarness>();
  }
  void TearDown() override { harness.reset(); }

  // Loads the scenario, draws one frame and reads it back.
  void RenderScenario(const Scenario& s, const FrameParams& p = {}) {
    harness->Load(s);
    harness->Render(p);
    ReadBack();
  }
  // The frame of the last Render drawn three times more with the program's
  // frame end, so that its still texts come from kept pixels: it must
  // match the reference picture all the same. The frame read back stays
  // the edge-drawn one.
  void ExpectKeptPicture(const std::string& name, const FrameParams& p = {}) {
    const std::vector<uint8_t> drawn = pixels_;
    const std::uint64_t kept = testsupport::KeptStringsShown();
    for (int i = 0; i < 3; ++i) {
      TCGFont3D::EndFrame();
      harness->Render(p);
    }
    ReadBack();
    EXPECT_GT(testsupport::KeptStringsShown(), kept) << name << ": the still texts are kept";
    EXPECT_TRUE(testsupport::MatchesReference(name, kSize, kSize, pixels_, testsupport::KeptTextTolerance(), "kept"));
    pixels_ = drawn;
  }
  // Pixel under a point given in a gauge's own units.
  testsupport::Rgba At(const TGauge& g, float gx, float gy) const {
    float wx = 0, wy = 0;
    harness->GaugeToWindow(g, gx, gy, wx, wy);
    return Pixel(static_cast<int>(std::floor(wx)), static_cast<int>(std::floor(wy)));
  }
  // Pixels of colour c in the gauge rectangle (x0, y0)-(x1, y1).
  int CountIn(const TGauge& g, float x0, float y0, float x1, float y1, testsupport::Rgba c,
              int tol = 30) const {
    float ax, ay, bx, by;
    harness->GaugeToWindow(g, x0, y0, ax, ay);
    harness->GaugeToWindow(g, x1, y1, bx, by);
    return CountColour(static_cast<int>(std::floor(std::fmin(ax, bx))),
                       static_cast<int>(std::floor(std::fmin(ay, by))),
                       static_cast<int>(std::ceil(std::fmax(ax, bx))),
                       static_cast<int>(std::ceil(std::fmax(ay, by))), c, tol);
  }

  std::unique_ptr<PfdHarness> harness;
};

}  // namespace pfdtest
