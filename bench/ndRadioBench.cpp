// The fix page's rings and radials and the radio lines: vertices and time
// per frame for a ring of 20 NM at range 40, eight rings of 998 NM that
// cross the ND at range 5, eight rings of the largest distance a broker can
// send, and fixes 1500 NM away. Every case also draws eight radials, two
// selected-course lines and two radio lines.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

#include "nd/Ufixinfo.h"
#include "nd/Unavigation.h"
#include "nd/Uvordisplay.h"
#include "pfd/UcommonVariables.h"
#include "platform/OffscreenGL.h"
#include "tests/nd/NdHarness.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

platform::OffscreenGL& RadioContext() {
  static platform::OffscreenGL ctx(512, 512);
  return ctx;
}

// Both fixes nm NM north of the aircraft with four rings of D NM and four
// radials each.
std::string FixLines(double nm, long long D) {
  const double lat = OwnLatitude + nm / 60;
  int ld, lt, od, ot;
  broker::RouteDegrees(lat, ld, lt);
  broker::RouteDegrees(OwnLongitude, od, ot);
  std::string line;
  for (int f = 1; f <= 2; ++f) {
    const std::string p = " MV.Fix" + std::to_string(f);
    line += p + "Name BENCH" + p + "Act 1" + p + "Ndeg " + std::to_string(ld) + p + "Nmin " + std::to_string(lt) +
            p + "Edeg " + std::to_string(od) + p + "Emin " + std::to_string(ot);
    for (int i = 1; i <= 4; ++i)
      line += p + "Dis" + std::to_string(i) + " " + std::to_string(D) + p + "Brg" + std::to_string(i) + " " +
              std::to_string(i * 90);
  }
  return line + "\r";
}

void BM_FixAndRadioLines(benchmark::State& state, double nm, long long D, int range) {
  if (!RadioContext().Valid() || !RadioContext().MakeCurrent()) {
    state.SkipWithError("no offscreen GL context");
    return;
  }
  ndtest::NdHarness harness;
  ndtest::Scenario s;
  s.name = "fix-bench";
  s.lines = ndtest::AlignedIrsLines();
  harness.Load(s);
  const TVorNavaidLookups saved = VorNavaids;
  const double sLat = OwnLatitude + 0.1, sLon = OwnLongitude;
  VorNavaids.FindPosition = [&](const std::string&, double, double, double& lat, double& lon) {
    lat = sLat;
    lon = sLon;
  };
  harness.Feed({FixLines(nm, D),
                "MV.vorEfisL 2 MV.vorEfisR 2 MV.vorInRg1 1 MV.vorInRg2 1 MV.vor1Ident aaa MV.vor2Ident bbb "
                "MV.vorCrs1 10 MV.vorCrs2 200\r"});
  NdFrame view = CurrentNdFrame();
  view.range = range;
  long long vertices = 0;
  for (auto _ : state) {
    FixInfo->Draw(view);
    Vor->ResetVertexCount();
    Vor->DrawStations(view);
    Vor->DrawRadioLines(view);
    glFinish();
    vertices = FixInfo->LastVertices() + Vor->LastVertices();
  }
  state.counters["vertices"] = static_cast<double>(vertices);
  VorNavaids = saved;
}

BENCHMARK_CAPTURE(BM_FixAndRadioLines, ring20_range40, 0.0, 20, 40)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FixAndRadioLines, rings998_range5, 1000.0, 998, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FixAndRadioLines, ringsMaxInt_range5, 0.0, 2147483647, 5)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_FixAndRadioLines, fixes1500nm, 1500.0, 20, 40)->Unit(benchmark::kMicrosecond);

}  // namespace
