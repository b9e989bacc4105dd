// Time per ND frame for each reference state, drawn offscreen at 512 x 512
// pixels (frames hidden and shown), and for the longest trend vector a
// broker can ask for (1 kt in a 1.2 degree bank at range 40), which should
// stay within twice the right-turn frame.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "platform/OffscreenGL.h"
#include "tests/nd/NdHarness.h"

namespace {

platform::OffscreenGL& Context() {
  static platform::OffscreenGL ctx(512, 512);
  return ctx;
}

void BM_NdFrame(benchmark::State& state, ndtest::Scenario scenario, float drawScale) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;
  harness.Load(scenario);
  ndtest::FrameParams p;
  p.drawScale = drawScale;
  for (auto _ : state) {
    harness.Render(p);  // ends with glFinish: the frame is really drawn
  }
  state.SetLabel(scenario.name);
}

const bool registered = [] {
  std::vector<ndtest::Scenario> all = ndtest::ReferenceScenarios();
  ndtest::Scenario worst = ndtest::ReferenceScenario("right-turn-climb");
  worst.name = "worst-trend-vector";
  worst.range = 40;
  worst.lines.push_back("MV.GndSpeed 1");
  worst.lines.push_back("MV.Bank180 -0.020944");  // 1.2 degrees right
  all.push_back(worst);
  for (const ndtest::Scenario& s : all)
    for (float scale : {200.0f, 255.0f})
      benchmark::RegisterBenchmark(("NdFrame/" + s.name + (scale == 200 ? "/noframes" : "/frames")).c_str(),
                                   BM_NdFrame, s, scale)
          ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
