// Time per PFD frame for each reference state, drawn offscreen at 512 x 512
// pixels (frames hidden and shown).
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "platform/OffscreenGL.h"
#include "tests/pfd/PfdHarness.h"

namespace {

platform::OffscreenGL& Context() {
  static platform::OffscreenGL ctx(512, 512);
  return ctx;
}

void BM_PfdFrame(benchmark::State& state, const pfdtest::Scenario* scenario, float drawScale) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  pfdtest::PfdHarness harness;
  harness.Load(*scenario);
  pfdtest::FrameParams p;
  p.drawScale = drawScale;
  for (auto _ : state) {
    harness.DrawFrame(p);  // ends with glFinish: the frame is really drawn
  }
  state.SetLabel(scenario->name);
}

const bool registered = [] {
  for (const pfdtest::Scenario& s : pfdtest::ReferenceScenarios())
    for (float scale : {200.0f, 255.0f})
      benchmark::RegisterBenchmark(("PfdFrame/" + s.name + (scale == 200 ? "/noframes" : "/frames")).c_str(),
                                   BM_PfdFrame, &s, scale)
          ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
