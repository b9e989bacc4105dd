// Time per ND frame for each reference state, drawn offscreen at 512 x 512
// pixels (frames hidden and shown), and for the longest trend vector a
// broker can ask for (1 kt in a 1.2 degree bank at range 40), which should
// stay within twice the right-turn frame. Traffic: an ND frame with the
// full intruder list (256, every one drawn with its label), and one report
// into the full list. Terrain: the scan and the map of one frame.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include <unistd.h>

#include "shared/KestraneSettings.h"
#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "nd/UtextVisual.h"
#include "nd/Uterrain.h"
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
  alert.Update(true, false, false, false, false);  // opens the device
  const int opens = platform::TMediaPlayer::DeviceOpenCount();
  for (auto _ : state) {
    state.PauseTiming();
    alert.Update(false, false, false, false, false);
    state.ResumeTiming();
    alert.Update(true, false, false, false, false);
  }
  glFinish();
  state.counters["device_opens"] = platform::TMediaPlayer::DeviceOpenCount() - opens;
  if (player.FileName.empty()) state.SkipWithError("no sound played");
}
BENCHMARK(BM_AlertStartsSound)->Unit(benchmark::kMillisecond);

// The terrain scan of one frame over terrain that is high everywhere, so
// that every cell in view is sampled. It runs every frame, terrain shown or
// not.
void BM_TerrainScan(benchmark::State& state, int range, double lat) {
  Tterrain terrain;
  terrain.InitData(range, "");
  for (auto& block : terrain.Blocks)
    for (int i = 0; i < 720000; i += 2) {
      block[i] = 3000 >> 8;  // 3000 m, big-endian
      block[i + 1] = 3000 & 0xFF;
    }
  const double lon = -122.06;
  terrain.CentreRow = static_cast<int>((90 - lat) * 120) / 600;
  terrain.CentreColumn = static_cast<int>((lon + 180) * 120) / 600;
  bool caution = false, warning = false;
  for (auto _ : state) {
    terrain.Scan(range, false, lat, lon, 30, 10, 250, -500, 12000, false, caution, warning);
    benchmark::DoNotOptimize(caution);
  }
}

// The terrain map of one frame (the frame's scan done beforehand: it has
// its own benchmark) over terrain that is high everywhere, every cell drawn
// in the three patterns or solid, with stipples or textures, on an ND of
// side px pixels.
void BM_TerrainMap(benchmark::State& state, int range, bool textures, int px) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  Tterrain terrain;
  // The pattern images of the staged program folder, beside the benchmark.
  char here[4096];
  if (!getcwd(here, sizeof here) || chdir(platform::ProgramFolder().c_str()) != 0) {
    state.SkipWithError("no program folder");
    return;
  }
  terrain.Init(range, platform::ProgramFolder());
  if (chdir(here) != 0 || (textures && !terrain.TexturesFound)) {
    terrain.DeleteTextures();
    state.SkipWithError("no pattern textures");
    return;
  }
  for (auto& block : terrain.Blocks)
    for (int i = 0; i < 720000; i += 2) {
      const int metres = 700 + (i / 2 % 600) * 1 + (i / 1200 % 600) / 2;  // 700 to 1,600 m
      block[i] = static_cast<std::uint8_t>(metres >> 8);
      block[i + 1] = static_cast<std::uint8_t>(metres & 0xFF);
    }
  terrain.CentreRow = 8;
  terrain.CentreColumn = 11;
  bool caution = false, warning = false;
  terrain.SetReferenceAltitude(0);
  terrain.Scan(range, textures, 47.2, -122.06, 30, 0, 250, 0, 5000, false, caution, warning);
  NdFrame view;
  view.range = range;
  view.ownLatitude = 47.2;
  view.ownLongitude = -122.06;
  view.heading = 30;
  view.ownAltitude = 5000;
  glViewport(0, 0, px, px);
  for (auto _ : state) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    terrain.Draw(view, textures, true);
    glFinish();
  }
  glViewport(0, 0, 512, 512);
  terrain.DeleteTextures();
}

const bool registered = [] {
  for (int px : {450, 512})
    for (bool textures : {false, true})
      for (int range : {10, 40, 640})
        benchmark::RegisterBenchmark(("TerrainMap/" + std::string(textures ? "textures" : "stipples") + "/px" +
                                      std::to_string(px) + "/range" + std::to_string(range)).c_str(),
                                     BM_TerrainMap, range, textures, px)
            ->Unit(benchmark::kMillisecond);
  for (double lat : {47.0, 80.0})
    for (int range : {10, 20, 40, 640})
      benchmark::RegisterBenchmark(("TerrainScan/lat" + std::to_string(static_cast<int>(lat)) + "/range" +
                                    std::to_string(range)).c_str(),
                                   BM_TerrainScan, range, lat)
          ->Unit(benchmark::kMillisecond);

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
