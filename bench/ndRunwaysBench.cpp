// The runway element on the demo data and on a full-size database (about
// 30,000 runway records world-wide), aircraft at the demo field: loading,
// the field-elevation search, and the per-frame work (active runway
// elevation and drawing, airport symbols), which must not grow with the
// database.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "nd/Urunways.h"
#include "platform/OffscreenGL.h"
#include "tests/common/TestSupport.h"
#include "bench/NdBenchData.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

constexpr double kLat = broker::kDemoFieldLatitude, kLon = broker::kDemoFieldLongitude;

const std::string& DataFolder(bool full) { return ndbench::DatabaseFolder(full); }

std::unique_ptr<Trunways> Loaded(bool full) {
  RequiredFilesFound = true;
  LoadMagneticVariation(DataFolder(full));
  auto rw = std::make_unique<Trunways>();
  rw->LoadAirports(kLat, kLon, DataFolder(full), true);
  // The demo broker's active runway: corner 1 on the field, "14".
  rw->ParseLine("MV.CenterLon " + std::to_string(broker::kDemoCenterLongitude));
  const broker::DemoState& s = broker::DemoFlight().At(0);
  for (const auto& row : broker::DemoTable())
    if (row.front().name == "MV.RwyX1") rw->ParseLine(broker::DemoLine(row, s));
  return rw;
}

void BM_LoadAirports(benchmark::State& state) {
  const bool full = state.range(0) != 0;
  auto rw = Loaded(full);
  for (auto _ : state) {
    rw->FreeAirports();
    rw->LoadAirports(kLat, kLon, DataFolder(full), true);
  }
  state.counters["kept"] = static_cast<double>(rw->List()->size());
}
BENCHMARK(BM_LoadAirports)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SelectRunway(benchmark::State& state) {
  auto rw = Loaded(state.range(0) != 0);
  for (auto _ : state) benchmark::DoNotOptimize(rw->SelectRunway(47.2f, -122.0633f, 2000));
  state.counters["kept"] = static_cast<double>(rw->List()->size());
}
BENCHMARK(BM_SelectRunway)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

platform::OffscreenGL& Context() {
  static platform::OffscreenGL ctx(512, 512);
  return ctx;
}

// One frame's runway work: the PFD's active elevation, then the active
// runway (range 40) or the airports (range 40) drawn.
void BM_FrameRunways(benchmark::State& state, bool airports) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;  // fonts and symbol lists
  auto rw = Loaded(state.range(0) != 0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(-100, 100, -100, 100, -1, 1);
  NdFrame view;
  view.range = 40;
  view.ownLatitude = kLat;
  view.ownLongitude = kLon;
  view.heading = 90;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rw->ActiveRunwayElevation());
    if (airports) rw->DrawAirports(view);
    else rw->DrawRunways(view);
    glFinish();
  }
  state.counters["kept"] = static_cast<double>(rw->List()->size());
  state.counters["active_ft"] = rw->ActiveRunwayElevation();
}
BENCHMARK_CAPTURE(BM_FrameRunways, active_runway, false)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FrameRunways, airports, true)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
