// Time per ND frame for each reference state, drawn offscreen at 512 x 512
// pixels (frames hidden and shown), and for the longest trend vector a
// broker can ask for (1 kt in a 1.2 degree bank at range 40), which should
// stay within twice the right-turn frame. Traffic: an ND frame with the
// full intruder list (256, every one drawn with its label), and one report
// into the full list.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "kestrane/KestraneSettings.h"
#include "nd/Unavigation.h"
#include "nd/UtextVisual.h"
#include "platform/MediaPlayer.h"
#include "platform/OffscreenGL.h"
#include "platform/Paths.h"
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

// 256 intruders on rings around the aircraft, each reported twice, 1 s
// apart; every fourth closes fast enough for an advisory.
void FillTraffic(double& now) {
  Tcas = std::make_unique<Ttcas>([&now] {
    TcasTime t;
    t.monotonic = now;
    return t;
  });
  Tcas->Init();
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < static_cast<int>(Ttcas::kMaxIntruders); ++i) {
      tcasDataRecord m;
      m.callsign = "BENCH" + std::to_string(i);
      const double nm = 1 + (i % 9) - (pass == 1 && i % 4 == 0 ? 0.3 : 0.0);
      const double b = i * 0.7;
      m.latitude = static_cast<float>(OwnLatitude + nm * std::cos(b) / 60);
      m.longitude = static_cast<float>(OwnLongitude + nm * std::sin(b) / 60 / std::cos(OwnLatitude * 0.0174533));
      m.altitude = static_cast<int>(OwnAltitude) + (i % 11 - 5) * 200;
      Tcas->UpdateIntruder(m, OwnLatitude, OwnLongitude, OwnAltitude, 0);
    }
    now += 1;
  }
}

void BM_NdFullTraffic(benchmark::State& state) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;
  harness.Load(ndtest::ReferenceScenario("hide-below-arc"));
  double now = 1000;
  FillTraffic(now);
  for (auto _ : state) harness.Render();
  state.SetLabel(std::to_string(harness.printed.size()) + " texts");
  Tcas.reset();
}
BENCHMARK(BM_NdFullTraffic)->Unit(benchmark::kMillisecond);

void BM_TcasReportIntoFullList(benchmark::State& state) {
  double now = 1000;
  FillTraffic(now);
  tcasDataRecord m;
  m.callsign = "BENCH255";  // the last one: the longest look-up
  m.latitude = static_cast<float>(OwnLatitude + 0.05);
  m.longitude = static_cast<float>(OwnLongitude);
  m.altitude = static_cast<int>(OwnAltitude);
  for (auto _ : state) {
    now += 1;
    Tcas->UpdateIntruder(m, OwnLatitude, OwnLongitude, OwnAltitude, 0);
    benchmark::DoNotOptimize(Tcas->UpdateAdvisoryState());
  }
  Tcas.reset();
}
BENCHMARK(BM_TcasReportIntoFullList)->Unit(benchmark::kMicrosecond);

// The texts state with every text and flag shown: waypoint block with a
// route distance, speeds, wind, all mode flags with both terrain numbers,
// and the traffic annunciation.
void BM_NdTextsAndFlags(benchmark::State& state) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;
  harness.Load(ndtest::ReferenceScenario("texts"));
  TaOnlyFlag = true;
  TerrainMaxElevation = [] { return 12345; };
  TerrainMinElevation = [] { return 800; };
  RouteDistanceToActive = [](double, double) { return 123.4; };
  NdFrameFlagsHook = [](NdFrameFlags& f) { f.trafficAdvisoryDrawn = true; };
  for (auto _ : state) harness.Render();
  NdFrameFlagsHook = nullptr;
  TerrainMaxElevation = TerrainMinElevation = nullptr;
  RouteDistanceToActive = nullptr;
  TaOnlyFlag = false;
}
BENCHMARK(BM_NdTextsAndFlags)->Unit(benchmark::kMillisecond);

// One alert update that starts a sound (the generated traffic sound on
// SDL's silent driver), after an update that re-arms it. The device is
// opened once, not per sound.
void BM_AlertStartsSound(benchmark::State& state) {
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;  // fonts and the alert element
  platform::TMediaPlayer player;
  Talert alert;
  alert.Init(&player, platform::ProgramFolder());
  alert.Update(true, false, false, false);  // opens the device
  const int opens = platform::TMediaPlayer::DeviceOpenCount();
  for (auto _ : state) {
    state.PauseTiming();
    alert.Update(false, false, false, false);
    state.ResumeTiming();
    alert.Update(true, false, false, false);
  }
  glFinish();
  state.counters["device_opens"] = platform::TMediaPlayer::DeviceOpenCount() - opens;
  if (player.FileName.empty()) state.SkipWithError("no sound played");
}
BENCHMARK(BM_AlertStartsSound)->Unit(benchmark::kMillisecond);

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
