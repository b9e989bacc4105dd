// The navaid and waypoint elements on the demo data and on a full-size
// database (20,000 navaids in ten files, 45,000 waypoints in the demo's
// region file, 30,000 runways), aircraft at the demo field: the whole
// database reload, the per-frame navaid and waypoint work with the VOR/ADF
// look-ups, and a whole ND frame at range 40, which must not grow with the
// database.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "nd/Unavaids.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "nd/Uwaypoints.h"
#include "platform/OffscreenGL.h"
#include "tests/common/TestSupport.h"
#include "bench/NdBenchData.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

constexpr double kLat = broker::kDemoFieldLatitude, kLon = broker::kDemoFieldLongitude;

const std::string& Folder(bool full) { return ndbench::DatabaseFolder(full); }

void BM_ReloadDatabases(benchmark::State& state) {
  const bool full = state.range(0) != 0;
  const std::string& folder = Folder(full);
  RequiredFilesFound = true;
  LoadMagneticVariation(folder);
  Tnavaids navaids;
  Twaypoints waypoints;
  Trunways runways;
  for (auto _ : state) {
    navaids.Clear();
    navaids.LoadFromFiles(kLat, kLon, folder, true);
    waypoints.Clear();
    waypoints.LoadFromFile(kLat, kLon, folder, true);
    runways.FreeAirports();
    runways.LoadAirports(kLat, kLon, folder, true);
  }
  state.counters["navaids"] = static_cast<double>(navaids.List()->size());
  state.counters["waypoints"] = static_cast<double>(waypoints.List()->size());
  state.counters["runways"] = static_cast<double>(runways.List()->size());
}
BENCHMARK(BM_ReloadDatabases)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// How many symbols the two elements plot at range 40 around the demo field.
double Plotted(const Tnavaids& navaids, const Twaypoints& waypoints) {
  int n = 0;
  if (navaids.List())
    for (const NavaidRecord& r : *navaids.List())
      if (NavaidSymbolList(r.type, false) != 0 &&
          InPlotWindow(r.latitude, r.longitude, kLat, kLon, 40))
        ++n;
  if (waypoints.List())
    for (const wpt_rec& w : *waypoints.List())
      if (InPlotWindow(w.latitude, w.longitude, kLat, kLon, 40)) ++n;
  return n;
}

// The search of one frame without the drawing: the latitude band of each
// element's index and the window test, on the loaded lists.
void BM_WindowSearch(benchmark::State& state) {
  const bool full = state.range(0) != 0;
  Tnavaids navaids;
  Twaypoints waypoints;
  navaids.LoadFromFiles(kLat, kLon, Folder(full), true);
  waypoints.LoadFromFile(kLat, kLon, Folder(full), true);
  LatitudeIndex navIndex, wptIndex;
  for (std::uint32_t i = 0; i < navaids.List()->size(); ++i) navIndex.emplace_back((*navaids.List())[i].latitude, i);
  for (std::uint32_t i = 0; i < waypoints.List()->size(); ++i)
    wptIndex.emplace_back((*waypoints.List())[i].latitude, i);
  std::sort(navIndex.begin(), navIndex.end());
  std::sort(wptIndex.begin(), wptIndex.end());
  std::vector<std::uint32_t> band;
  int in = 0;
  for (auto _ : state) {
    in = 0;
    LatitudeBand(navIndex, kLat, 1.0 + 1e-6, band);
    for (std::uint32_t i : band) {
      const NavaidRecord& r = (*navaids.List())[i];
      in += InPlotWindow(r.latitude, r.longitude, kLat, kLon, 40);
    }
    LatitudeBand(wptIndex, kLat, 1.0 + 1e-6, band);
    for (std::uint32_t i : band) {
      const wpt_rec& w = (*waypoints.List())[i];
      in += InPlotWindow(w.latitude, w.longitude, kLat, kLon, 40);
    }
    benchmark::DoNotOptimize(in);
  }
  state.counters["in_window"] = in;
  state.counters["waypoints"] = static_cast<double>(waypoints.List()->size());
}
BENCHMARK(BM_WindowSearch)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

platform::OffscreenGL& Context() {
  static platform::OffscreenGL ctx(512, 512);
  return ctx;
}

// One frame's navaid and waypoint work at range 40: both drawn, two tuned
// frequencies, and the look-ups of the VOR/ADF display.
void BM_FrameNavaids(benchmark::State& state) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  const bool full = state.range(0) != 0;
  ndtest::NdHarness harness;  // fonts and symbol lists
  Tnavaids navaids;
  Twaypoints waypoints;
  navaids.LoadFromFiles(kLat, kLon, Folder(full), true);
  waypoints.LoadFromFile(kLat, kLon, Folder(full), true);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(-100, 100, -100, 100, -1, 1);
  NdFrame view;
  view.range = 40;
  view.ownLatitude = kLat;
  view.ownLongitude = kLon;
  view.heading = 90;
  double lat = 0, lon = 0;
  bool dme = false;
  for (auto _ : state) {
    waypoints.Draw(view);
    navaids.Draw(view);
    navaids.DrawTuned(view, 11680, 11060);
    navaids.FindPosition("sea", kLat, kLon, lat, lon);
    navaids.FindPosition("PAE", kLat, kLon, lat, lon);
    benchmark::DoNotOptimize(navaids.DmeDistance("sea", dme, kLat, kLon, 4000));
    benchmark::DoNotOptimize(navaids.DmeDistance("pae", dme, kLat, kLon, 4000));
    benchmark::DoNotOptimize(navaids.DmeDistance("olm", dme, kLat, kLon, 4000));
    benchmark::DoNotOptimize(navaids.DmeDistance("btg", dme, kLat, kLon, 4000));
    glFinish();
  }
  state.counters["navaids"] = static_cast<double>(navaids.List()->size());
  state.counters["waypoints"] = static_cast<double>(waypoints.List()->size());
  state.counters["plotted"] = Plotted(navaids, waypoints);
}
BENCHMARK(BM_FrameNavaids)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// A whole ND frame at range 40 with the databases loaded at the first
// position, as the program draws it.
void BM_NdFrameWithDatabases(benchmark::State& state) {
  if (!Context().Valid() || !Context().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  const bool full = state.range(0) != 0;
  const std::string saved = DataFolder;
  DataFolder = Folder(full);
  DatabasesPresent = true;
  RequiredFilesFound = true;
  LoadMagneticVariation(DataFolder);
  Runways = std::make_unique<Trunways>();
  {
    ndtest::NdHarness harness;
    ndtest::Scenario s;
    s.name = "databases";
    s.range = 40;
    s.lines = ndtest::AlignedIrsLines();
    harness.Load(s);
    for (auto _ : state) harness.Render();
    state.counters["navaids"] = Navaids && Navaids->List() ? static_cast<double>(Navaids->List()->size()) : 0;
    state.counters["waypoints"] = Waypoints && Waypoints->List() ? static_cast<double>(Waypoints->List()->size()) : 0;
    if (Navaids && Waypoints) state.counters["plotted"] = Plotted(*Navaids, *Waypoints);
  }
  Runways.reset();
  DataFolder = saved;
  DatabasesPresent = false;
}
BENCHMARK(BM_NdFrameWithDatabases)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
