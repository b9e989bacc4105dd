// The whole window of a frame as the main form paints it, offscreen at
// 900 x 450 with the frames' scale: the captain's layout (PFD left, ND
// right), the first officer's (ND left, PFD right) and the PFD-only window.
// The scenario turns every layer on: the demo flight's low pass over the
// ridge with the terrain warning, a route of 20 legs, 10 intruders with one
// resolution advisory, both fixes with their circles, both VOR/ADF sides,
// navaids and waypoints of the generated databases (small and full-size),
// all texts and flags. Each layout and range is timed frame by frame
// (median and 99th percentile) and once more with the glyph lists switched
// off, which gives the share of the text. Frames end as the program ends
// them, so texts that stand still come from the fonts' kept pixels; the
// captain's layout is timed once more with the aircraft moving on (the
// demo flight advanced a sixtieth of a second a frame: a second and a half
// of level flight, then the pull-up over the ridge), where only what
// stands still on the screen, to a 64th of a pixel, is kept. "kept" is the
// share of the strings drawn that came from kept pixels.
//
//   captain_bench [frames [png-prefix]]   (default 200 frames per figure;
//   "captain_bench --help" tells the arguments)
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kestrane/KestraneFrame.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "shared/Ufonts.h"
#include "nd/Unavigation.h"
#include "nd/Urunways.h"
#include "nd/Utcas.h"
#include "nd/Uterrain.h"
#include "platform/Numbers.h"
#include "platform/OffscreenGL.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"
#include "tools/make-navdata/NavData.h"
#include "tools/make-tiles/TileWriter.h"
#include "tools/scripted-broker/DemoFlight.h"

namespace {

constexpr int kWidth = 900, kHeight = 450;
constexpr double kPi = 3.14159265358979;
constexpr double kMoment = 219;  // s into the demo loop: the terrain warning over the ridge

// A folder holding data/ with the databases and the demo terrain.
struct DataSet {
  testsupport::TempDir root;
  bool ok = false;
  explicit DataSet(bool full) {
    const std::string data = root.File("data");
    testsupport::MakeDirs(data);
    std::vector<tiles::BlockRef> blocks;
    for (int r = 7; r <= 9; ++r)
      for (int c = 10; c <= 12; ++c) blocks.push_back({r, c});
    ok = navdata::WriteDatabases(data, full) && tiles::WriteBlocks(data, blocks, tiles::DemoTerrainCell);
  }
};

double now = 1000;  // the traffic computer's clock, seconds

std::string At(double lat, double lon) {
  return platform::FormatDouble(lat, 6) + " " + platform::FormatDouble(lon, 6);
}

// A point nm NM from (lat, lon) along true bearing deg.
void Offset(double lat, double lon, double nm, double deg, double& outLat, double& outLon) {
  const double b = deg * kPi / 180;
  outLat = lat + nm * std::cos(b) / 60;
  outLon = lon + nm * std::sin(b) / (60 * std::cos(lat * kPi / 180));
}

// Every layer on, on top of the demo flight's lines at kMoment.
std::vector<std::string> BusyLines(double lat, double lon, int alt) {
  std::vector<std::string> lines;
  // A route of 21 points (20 legs) zig-zagging ahead over about 150 NM.
  std::string route;
  for (int i = 1; i <= 21; ++i) {
    double plat = 0, plon = 0;
    Offset(lat, lon, 2.0 + i * 7.0, 250 + (i % 2 ? 25 : -25), plat, plon);
    route += broker::RoutePointItems(i, "WP" + std::to_string(i), plat, plon) + " ";
    if (i % 4 == 0) {
      lines.push_back(route + "\r");
      route.clear();
    }
  }
  lines.push_back(route + "R.LastLeg 0 R.W 21\r");
  // Both fixes with two circles and two radials each.
  for (int f = 1; f <= 2; ++f) {
    double flat = 0, flon = 0;
    Offset(lat, lon, 6.0 * f, f == 1 ? 300 : 200, flat, flon);
    int d1 = 0, t1 = 0, d2 = 0, t2 = 0;
    broker::RouteDegrees(flat, d1, t1);
    broker::RouteDegrees(flon, d2, t2);
    const std::string F = "MV.Fix" + std::to_string(f);
    lines.push_back(F + "Name FIX" + std::to_string(f) + " " + F + "Act 1 " + F + "Type 1 " + F + "Ndeg " +
                    std::to_string(d1) + " " + F + "Nmin " + std::to_string(t1) + " " + F + "Edeg " +
                    std::to_string(d2) + " " + F + "Emin " + std::to_string(t2) + " " + F + "Dis1 3 " + F +
                    "Dis2 8 " + F + "Dis3 999 " + F + "Dis4 999 " + F + "Brg1 45 " + F + "Brg2 170 " + F +
                    "Brg3 999 " + F + "Brg4 999\r");
  }
  // VOR on the left, ADF on the right, both received.
  lines.push_back("MV.vorEfisL 2 MV.vorEfisR 1 MV.vor1FreqStr 116.80 MV.vor1FreqLen 6 MV.vor1Ident sea "
                  "MV.vorDec1 1 MV.vorInRg1 1 MV.vorOldRad1 900 MV.vorCrs1 90 MV.adf2FreqStr 362.5 "
                  "MV.adf2FreqLen 5 MV.adf2Ident olm MV.adfDec2 1 MV.adf2Rec 1 MV.vorOldRad2 1800\r");
  lines.push_back("MV.GndSpeed 250 MV.TAS 280 MV.WindRad 0.7854 MV.WindSpd 1.1112 "
                  "MV.WptGMT1 12345 MV.WptStr rivra MV.WptLen 5\r");
  (void)alt;
  return lines;
}

// Ten intruders around the aircraft, reported twice a second apart: one
// closes head-on at its altitude (the resolution advisory), the others
// stand off at various ranges and heights.
void FeedTraffic(ndtest::NdHarness& h, double lat, double lon, int alt) {
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 10; ++i) {
      double nm = 0, deg = 0;
      int a = alt;
      if (i == 0) {
        nm = 5.4 - 0.4 * pass;
        deg = 250;
      } else {
        nm = 2.0 + i * 0.9;
        deg = i * 37.0;
        a = alt + (i % 5 - 2) * 900 + 300;
      }
      double tlat = 0, tlon = 0;
      Offset(lat, lon, nm, deg, tlat, tlon);
      h.Feed({"tcas {BUSY" + std::to_string(i) + " 0 0 " + At(tlat, tlon) + " " + std::to_string(a) + " 0}\r"});
    }
    now += 1;
  }
}

// One whole window paint, as the main form paints it: the frame images
// left out (the scale stays the frames' one), no rotation, no smoothing.
void Paint() {
  TWindowPaint paint;
  paint.width = kWidth;
  paint.height = kHeight;
  paint.drawScale = DrawScale;
  paint.framesShown = true;
  paint.pfdFrameTexture = nullptr;
  paint.ndFrameTexture = nullptr;
  paint.rotation = 0;
  paint.smoothLines = false;
  PaintWindow(paint);
  glFinish();
}

struct Figures {
  double median = 0, p99 = 0;
};

// Before each frame when the aircraft moves: the demo flight's lines a
// sixtieth of a second further on (fed outside the timed paint).
std::function<void(int frame)> BeforeFrame;

Figures Time(int frames) {
  for (int i = 0; i < 5; ++i) {  // warm-up: lists, JIT, textures
    if (BeforeFrame) BeforeFrame(i - 5);
    Paint();
  }
  std::vector<double> ms;
  ms.reserve(frames);
  for (int i = 0; i < frames; ++i) {
    if (BeforeFrame) BeforeFrame(i);
    const auto t0 = std::chrono::steady_clock::now();
    Paint();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  std::sort(ms.begin(), ms.end());
  Figures f;
  f.median = ms[ms.size() / 2];
  f.p99 = ms[std::min(ms.size() - 1, static_cast<std::size_t>(std::ceil(ms.size() * 0.99)) - 1)];
  return f;
}

// Times the frame with and without the glyph lists (a font without lists
// draws nothing).
// Strings asked for and put on the screen from kept pixels, all fonts.
std::pair<std::uint64_t, std::uint64_t> KeptCounts() {
  std::uint64_t asked = 0, hits = 0;
  for (TCGFont3D* f : {Font035, Font040, Font045, Font050, Font6, Font8, Font10}) {
    asked += f->CacheStatistics().asked;
    hits += f->CacheStatistics().hits;
  }
  return {asked, hits};
}

void Measure(const char* layout, const std::string& data, int range, int frames) {
  NdRange = range;
  const auto [asked0, hits0] = KeptCounts();
  const Figures all = Time(frames);
  const auto [asked1, hits1] = KeptCounts();
  const double kept = asked1 > asked0 ? static_cast<double>(hits1 - hits0) / (asked1 - asked0) : 0;
  TCGFont3D* fonts[] = {Font035, Font040, Font045, Font050, Font6, Font8, Font10};
  unsigned bases[7];
  for (int i = 0; i < 7; ++i) {
    bases[i] = fonts[i]->ListBase;
    fonts[i]->ListBase = 0;
  }
  const Figures bare = Time(frames);
  for (int i = 0; i < 7; ++i) fonts[i]->ListBase = bases[i];
  const double share = all.median > 0 ? std::max(0.0, 1 - bare.median / all.median) : 0;
  std::printf("%-8s %-13s %5d %9.2f %9.2f %9.2f %6.0f%% %6.0f%%\n", layout, data.c_str(), range, all.median, all.p99,
              bare.median, share * 100, kept * 100);
  std::fflush(stdout);
}

void Layout(const char* name) {
  const std::string n = name;
  PfdOnly = n == "pfdonly";
  CaptainSide = n != "fo";
  PfdVisible = true;
  NdVisible = !PfdOnly;
  DisplayCount = PfdOnly ? 1 : 2;
}

const char kUsage[] =
    "usage: captain_bench [frames [png-prefix]]\n"
    "  frames      frames timed per figure, a whole number (default 200; at least 10 are timed)\n"
    "  png-prefix  also write the captain's and the first officer's layouts at range 40\n"
    "              on the small data set to <png-prefix>-captain.png and <png-prefix>-fo.png\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "captain_bench: %s\n%s", problem.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::string_view a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  if (args.size() > 2) return Usage("too many arguments");
  int frames = 200;
  if (!args.empty() && (!platform::ParseDecimalInt(args[0], frames) || frames < 1))
    return Usage("not a frame count: \"" + std::string(args[0]) + "\"");
  frames = std::max(10, frames);
  // The second argument: the path prefix of PNGs of both layouts at range 40
  // (an option it does not know is no prefix).
  std::string pngPrefix;
  if (args.size() > 1) {
    if (args[1].empty() || args[1][0] == '-') return Usage("not a file prefix: \"" + std::string(args[1]) + "\"");
    pngPrefix = args[1];
    if (pngPrefix[0] != '/') pngPrefix = std::string(getenv("PWD") ? getenv("PWD") : ".") + "/" + pngPrefix;
  }
  const char* const png = pngPrefix.empty() ? nullptr : pngPrefix.c_str();
  platform::OffscreenGL ctx(kWidth, kHeight);
  if (!ctx.Valid() || !ctx.MakeCurrent()) {
    std::fprintf(stderr, "no offscreen GL context: %s\n", ctx.Error().c_str());
    return 1;
  }
  // What the program's start-up sets once and its frames keep: alpha
  // blending (the fonts keep texts as pixels only with it).
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  testsupport::TempDir logs;
  DebugFileName = logs.File("debug.txt");
  const char* const renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::printf("renderer: %s; %d x %d, frames shown (scale 255); %d frames per figure\n", renderer ? renderer : "?",
              kWidth, kHeight, frames);
  std::printf("%-8s %-13s %5s %9s %9s %9s %7s %7s\n", "layout", "data", "range", "median", "p99", "no-text", "text",
              "kept");
  std::printf("%-8s %-13s %5s %9s %9s %9s %7s %7s\n", "", "", "", "ms", "ms", "ms", "share", "texts");
  char cwd[4096];
  if (!getcwd(cwd, sizeof cwd)) return 1;
  for (const bool full : {false, true}) {
    DataSet set(full);
    if (!set.ok) {
      std::fprintf(stderr, "could not write the data set\n");
      return 1;
    }
    if (chdir(set.root.Path().c_str()) != 0) return 1;
    DataFolder = "data";
    DatabasesPresent = true;
    RequiredFilesFound = true;
    TerrainVisible = true;
    LoadMagneticVariation(DataFolder);
    Runways = std::make_unique<Trunways>();
    for (const char* layout : {"captain", "fo", "pfdonly"}) {
      Layout(layout);
      if (PfdOnly && full) continue;  // the PFD-only window reads no database
      {
        ndtest::NdHarness harness;
        Layout(layout);  // the harness starts with both displays
        Terrain->BaseFolder = set.root.Path();
        Tcas = std::make_unique<Ttcas>([] {
          TcasTime t;
          t.monotonic = now;
          t.text = "now";
          return t;
        });
        Tcas->Init();
        DrawScale = 255;
        harness.Load({"busy", ndtest::AlignedIrsLines()});
        broker::DemoFlight demo;
        for (const std::string& line : demo.Lines(kMoment, false)) harness.Feed({line});
        const broker::DemoState& s = demo.At(kMoment);
        harness.Feed(BusyLines(s.latitude, s.longitude, platform::SafeRound(s.altitude)));
        FeedTraffic(harness, s.latitude, s.longitude, platform::SafeRound(s.altitude));
        if (png && !full && !PfdOnly) {
          NdRange = 40;
          for (int i = 0; i < 3; ++i) Paint();
          testsupport::WritePng(std::string(png) + "-" + layout + ".png", kWidth, kHeight, ctx.ReadPixels());
        }
        for (int range : {10, 40, 640}) {
          if (PfdOnly && range != 10) continue;
          Measure(layout, full ? "full" : "small", range, frames);
        }
        if (!PfdOnly && std::string(layout) == "captain") {
          // The same flight moving on: texts that move from frame to frame
          // cannot be kept as pixels.
          BeforeFrame = [&](int frame) {
            for (const std::string& line : demo.Lines(kMoment + 1.5 + frame / 60.0, false)) harness.Feed({line});
          };
          for (int range : {10, 40, 640}) Measure(layout, full ? "full moving" : "small moving", range, frames);
          BeforeFrame = nullptr;
        }
        Tcas.reset();
      }
    }
    Runways.reset();
    if (chdir(cwd) != 0) return 1;
  }
  PfdOnly = false;
  return 0;
}
