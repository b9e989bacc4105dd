// Database symbols drawn as one batch: the picture equals the one drawn
// symbol by symbol, symbols of another colour keep their order, and what
// lies wholly outside the shown area is left out (the frame is written to
// test-frames/nd-symbol-batch.png).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "shared/Ufonts.h"
#include "nd/UNDObjects.h"
#include "nd/Uirs.h"
#include "tests/common/PrintRecorder.h"
#include "tests/common/TestSupport.h"
#include "tests/nd/NdHarness.h"

namespace {

TEST(SymbolOutsideCircle, BoxOfSymbolAndLabelAgainstTheCircle) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  struct Case {
    NdPoint p;
    std::size_t chars;
    double radius;
    bool outside;
  };
  // Circle about (0, 10); font size 4: the box reaches 5 left of the
  // symbol, 7 + 6 n right, 5 up and 17.4 down.
  const Case cases[] = {
      {{0, 10}, 0, 1, false},      // at the centre
      {{0, 127}, 0, 100, false},   // above: the label's depth reaches in
      {{0, 128}, 0, 100, true},    // ... not from one unit higher
      {{-106, 10}, 0, 100, false}, // left, no label
      {{-108, 10}, 0, 100, true},
      {{-124, 10}, 3, 100, false}, // a label to the right reaches in
      {{-126, 10}, 3, 100, true},
      {{0, -94}, 3, 100, false},   // below: only the symbol counts
      {{0, -96}, 3, 100, true},
      {{90, 100}, 0, 100, true},   // diagonally: the nearest corner (85, 82.6) is 111.8 away
      {{90, 100}, 0, 112, false},
      {{1e6, 1e6}, 5, 0, false},         // no shown area: nothing is left out
      {{1e6, 1e6}, 5, -1, false},
      {{1e6, 1e6}, 5, kNaN, false},
      {{1e6, 1e6}, 5, kInf, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SymbolOutsideCircle(c.p, c.chars, 4, {0, 10}, c.radius), c.outside)
        << c.p.x << ", " << c.p.y << " (" << c.chars << " characters), radius " << c.radius;
  }
}

class SymbolBatch : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    harness = std::make_unique<ndtest::NdHarness>();  // fonts and symbol lists
  }
  void TearDown() override {
    TNDDataElement::SetShownArea({}, 0);
    testsupport::StopRecordingPrints();
    harness.reset();
  }

  struct Symbol {
    unsigned list;
    const char* label;
    float lat, lon;
  };

  // One frame of the symbols about an aircraft at 47N 122W, heading 030,
  // range 40, in the middle of the window; batched or one by one. Returns
  // the pixels and fills printed.
  std::vector<std::uint8_t> Frame(const std::vector<Symbol>& symbols, bool batched) {
    testsupport::BeginProgramFrame(200);
    glViewport(0, 0, kSize, kSize);
    glTranslatef(100, 100, 0);
    glLineWidth(2);  // what the frame left: the first symbol meets it
    printed.clear();
    testsupport::RecordPrints(&printed);
    const TNDDataElement element;
    NdFrame view;
    view.range = 40;
    view.ownLatitude = 47;
    view.ownLongitude = -122;
    view.heading = 30;
    if (batched) element.BeginSymbols();
    for (const Symbol& s : symbols) element.PlotSymbol(view, s.list, s.label, s.lat, s.lon);
    if (batched) element.EndSymbols();
    testsupport::StopRecordingPrints();
    glTranslatef(-100, -100, 0);
    ReadBack();
    return pixels_;
  }

  // Pixels that differ, and by how much at most.
  static void Compare(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int& count,
                      int& most) {
    count = 0;
    most = 0;
    for (std::size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
      int d = 0;
      for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a[i + k] - b[i + k]));
      if (d > 0) ++count;
      most = std::max(most, d);
    }
  }

  // A grid of cyan outline symbols with labels across the whole range,
  // closely packed so that labels cross other symbols.
  static std::vector<Symbol> Crowd() {
    static const unsigned lists[] = {ndlist::kWaypoint, ndlist::kNavaidVorDme, ndlist::kNavaidVor,
                                     ndlist::kNavaidDme, ndlist::kAirport};
    static const char* const labels[] = {"ALDER", "", "SEA", "OLM", "KBFI", "X"};
    std::vector<Symbol> out;
    int n = 0;
    for (int i = -6; i <= 6; ++i)
      for (int j = -6; j <= 6; ++j, ++n)
        out.push_back({lists[n % 5], labels[n % 6], 47 + i * 0.09f + j * 0.013f, -122 + j * 0.12f - i * 0.02f});
    return out;
  }

  std::unique_ptr<ndtest::NdHarness> harness;
  std::vector<testsupport::PrintRecord> printed;
};

TEST_F(SymbolBatch, CyanSymbolsBatchedGiveThePictureDrawnOneByOne) {
  const auto symbols = Crowd();
  const auto single = Frame(symbols, false);
  const auto singlePrinted = printed;
  const auto batched = Frame(symbols, true);
  ExpectPicture("nd-symbol-batch");
  int differ = 0, most = 0;
  Compare(single, batched, differ, most);
  // Labels blended over outlines instead of under them round a few edge
  // pixels the other way, by one level; no outline moves.
  EXPECT_LE(differ, 40);
  EXPECT_LE(most, 1);
  // Something was drawn, and every label printed in order and in cyan.
  EXPECT_GT(CountColour(0, 0, kSize, kSize, {102, 204, 255, 255}, 10), 2000);
  ASSERT_EQ(printed.size(), singlePrinted.size());
  for (std::size_t i = 0; i < printed.size(); ++i) {
    EXPECT_EQ(printed[i].text, singlePrinted[i].text) << i;
    EXPECT_FLOAT_EQ(printed[i].winX, singlePrinted[i].winX) << i;
    EXPECT_FLOAT_EQ(printed[i].winY, singlePrinted[i].winY) << i;
    EXPECT_NEAR(printed[i].g, 0.8, 1e-6) << i;
  }
  // Ends as PlotSymbol does: white, line width 1.
  GLfloat colour[4], width = 0;
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(colour[0] + colour[1] + colour[2], 3);
  EXPECT_EQ(width, 1);
}

TEST_F(SymbolBatch, ASymbolOfAnotherColourKeepsTheOrder) {
  // A green tuned station among cyan ones, overlapping them: drawn in the
  // order given, exactly as one by one.
  auto symbols = Crowd();
  symbols.insert(symbols.begin() + static_cast<long>(symbols.size() / 2),
                 {ndlist::kTunedVorDme, "TUN", 47.0f, -122.0f});
  const auto single = Frame(symbols, false);
  const auto batched = Frame(symbols, true);
  int differ = 0, most = 0;
  Compare(single, batched, differ, most);
  EXPECT_EQ(differ, 0);
  EXPECT_GT(CountColour(0, 0, kSize, kSize, {0, 255, 0, 255}, 10), 20);
}

TEST_F(SymbolBatch, SymbolsWhollyOutsideTheShownAreaAreLeftOut) {
  // Range 40 on 141.42 units: 0.3 degrees north is 63.6 units up. The
  // shown circle (radius 60 about the aircraft) leaves NORTH out, keeps
  // EDGE whose box reaches in, and keeps everything once cleared.
  const std::vector<Symbol> symbols = {{ndlist::kWaypoint, "NEAR", 47.05f, -122},
                                       {ndlist::kWaypoint, "NORTH", 47.5f, -122},
                                       {ndlist::kAirport, "EDGE", 47.3f, -122}};
  TNDDataElement::SetShownArea({0, 0}, 60);
  Frame(symbols, true);
  std::vector<std::string> texts;
  for (const auto& p : printed) texts.push_back(p.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"NEAR", "EDGE"}));
  // Outside a batch nothing is left out.
  Frame(symbols, false);
  EXPECT_EQ(printed.size(), 3u);
  TNDDataElement::SetShownArea({}, 0);
  Frame(symbols, true);
  EXPECT_EQ(printed.size(), 3u);
}

TEST_F(SymbolBatch, EverySharedSymbolWithItsLabel) {
  // One by one in rows: each shape in its colour, the label in the colour
  // its list leaves; the arrows (in the white the symbol before them
  // leaves) and the IRS star without one.
  const unsigned lists[] = {ndlist::kNavaidVorDme, ndlist::kNavaidVor,     ndlist::kNavaidDme,
                            ndlist::kTunedVorDme,  ndlist::kTunedVor,      ndlist::kTunedDme,
                            ndlist::kAirport,      ndlist::kWaypoint,      ndlist::kTrafficOther,
                            ndlist::kTrafficProximate, ndlist::kTrafficAdvisory, ndlist::kResolutionAdvisory,
                            ndlist::kClimbArrow,   ndlist::kDescendArrow,  tIRS::kPositionSymbolList};
  std::vector<Symbol> symbols;
  for (int i = 0; i < 15; ++i)
    symbols.push_back({lists[i], i < 12 ? "AB" : "", 47.3f - (i / 4) * 0.15f, -122.3f + (i % 4) * 0.2f});
  Frame(symbols, false);
  ExpectPicture("nd-symbol-lists");
}

}  // namespace
