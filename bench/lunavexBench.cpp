// Time per Lunavex frame (attitude ball with both textures, airspeed
// indicator and altimeter stacked in 512 x 512 pixels, drawn offscreen) and
// per broker line parsed.
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>
#include <filesystem>
#include <memory>
#include <string>

#include "lunavex/Indicators.h"
#include "lunavex/LunavexState.h"
#include "platform/OffscreenGL.h"
#include "tools/make-bitmaps/JpegWriter.h"

namespace {

platform::OffscreenGL& Context() {
  static platform::OffscreenGL ctx(900, 512);
  return ctx;
}

// Writes the two ball textures (256 x 256, banded) into a fresh folder and
// loads them from there.
bool InitHorizon(lunavex::TArtHorizon& horizon) {
  char tmpl[] = "/tmp/lunavex-bench-XXXXXX";
  if (!mkdtemp(tmpl)) return false;
  const std::filesystem::path dir(tmpl);
  std::filesystem::create_directories(dir / "bitmaps");
  for (int ground = 0; ground < 2; ++ground) {
    bitmaps::Picture p(256, 256);
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const int band = (y / 16) % 2 * 20;
        if (ground) p.Set(x, y, static_cast<uint8_t>(90 + band), 60, 30);
        else p.Set(x, y, 40, static_cast<uint8_t>(110 + band), 230);
      }
    bitmaps::WriteJpeg((dir / "bitmaps" / (ground ? "AItexture-black.jpg" : "AItexture-blue.jpg")).string(), p, 90);
  }
  const std::filesystem::path old = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  horizon.Init();
  std::filesystem::current_path(old);
  std::filesystem::remove_all(dir);
  return horizon.SkyLoaded && horizon.GroundLoaded;
}

void BM_LunavexFrame(benchmark::State& state) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  static bool fonts = (lunavex::CreateStandbyFonts(reinterpret_cast<platform::HDC>(0x4c56)), true);
  (void)fonts;
  lunavex::TArtHorizon horizon;
  if (!InitHorizon(horizon)) {
    state.SkipWithError("textures not loaded");
    return;
  }
  lunavex::TSpeedScale speed;
  lunavex::TStandbyValues& v = lunavex::StandbyValues;
  v = lunavex::TStandbyValues{};
  v.HorizonVisible = v.SpeedVisible = v.AltimeterVisible = true;
  v.VisibleCount = 3;
  v.Pitch = 4.5f;
  v.Bank = -12.0f;
  v.Ias = 245.0f;
  v.Altitude = 12345.0f;
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  lunavex::ComputeLayout(w, h, v);
  glViewport(0, 0, w, h);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  lunavex::ResetProjection();
  for (int i = 0; i < 5; ++i) lunavex::DrawInstruments(w, h, horizon, speed);  // warm-up
  glFinish();
  // Frame by frame, for the median and the 99th percentile.
  std::vector<double> ms;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    lunavex::DrawInstruments(w, h, horizon, speed);
    glFinish();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  if (!ms.empty()) {
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[std::min(ms.size() - 1, static_cast<std::size_t>(std::ceil(ms.size() * 0.99)) - 1)];
  }
}
// The stacked instruments in a square window and in the captain frame's
// 900 x 450, 200 frames each.
BENCHMARK(BM_LunavexFrame)->Args({512, 512})->Args({900, 450})->Iterations(200)->Unit(benchmark::kMillisecond);

void BM_ProcessCommand(benchmark::State& state) {
  lunavex::TStandbyValues v;
  const std::string line = "IPC.ias 245.3 IPC.pitch 4.52 IPC.bank -12.01 IPC.dalt 12345.6 altim 2992\r";
  for (auto _ : state) {
    lunavex::ProcessCommand(line, v);
    benchmark::DoNotOptimize(v);
  }
}
BENCHMARK(BM_ProcessCommand);

}  // namespace

BENCHMARK_MAIN();
