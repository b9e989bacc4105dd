// The IRS element: parsing, the heading, attitude and position answers,
// and its position symbol.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include "nd/Uirs.h"
#include "platform/DisplayLists.h"
#include "tests/common/TestSupport.h"

namespace {

void Feed(tIRS& irs, std::initializer_list<const char*> lines) {
  for (const char* l : lines) irs.ParseLine(l);
}

TEST(Irs, NothingIsAvailableBeforeAnyIrsLine) {
  tIRS irs;
  EXPECT_EQ(irs.HeadingStatus(), 0);
  EXPECT_EQ(irs.AttitudeStatus(), 0);
  EXPECT_FALSE(irs.PositionValid());
}

TEST(Irs, ReadsEveryVariableIncludingThePrefixMatch) {
  tIRS irs;
  Feed(irs, {"MV.Irs1Align 7", "MV.Irs2Align 8 MV.Irs3Align 9", "MV.Irs1Sel 1", "MV.Irs2Sel 2",
             "MV.Irs3Sel 2\r", "MV.Irs1Quality 3", "MV.Irs2Quality 2", "MV.Irs3Quality 1",
             "MV.Irs2AlignDel 4", "MV.Irs3AlignDel 6", "MV.IrsAligning 1", "MV.IrsAttHdg -1"});
  EXPECT_EQ(irs.Align[0], 7);
  EXPECT_EQ(irs.Sel[2], 2);  // the CR is cut
  EXPECT_EQ(irs.Quality(1), 3);
  EXPECT_EQ(irs.Quality(3), 1);
  EXPECT_EQ(irs.Aligning, 1);
  EXPECT_EQ(irs.AttHdg, -1);
  // "MV.Irs2Align" is found inside "MV.Irs2AlignDel": its value text is "el".
  EXPECT_EQ(irs.Align[1], 0);
  EXPECT_EQ(irs.AlignDel[1], 4);
  // A line with the delay alone also does that to IRS 1.
  irs.ParseLine("MV.Irs1AlignDel 5");
  EXPECT_EQ(irs.Align[0], 0);
  EXPECT_EQ(irs.AlignDel[0], 5);
  EXPECT_EQ(irs.Align[2], 0);  // "MV.Irs3AlignDel 6" earlier did the same to IRS 3
}

TEST(Irs, ConnectionNoticesAndOtherLinesChangeNothing) {
  tIRS irs;
  Feed(irs, {"Conn MV.Irs1Sel 2", "IPC.pitch 3", "", "\r", "MV.IRS1Sel 2"});
  EXPECT_EQ(irs.Sel[0], 0);
  irs.ParseLine("MV.Irs1Sel 2 Conn");
  EXPECT_EQ(irs.Sel[0], 2);
}

TEST(Irs, HeadingStatus) {
  tIRS irs;
  Feed(irs, {"MV.IrsAttHdg 0", "MV.Irs1Sel 1"});
  EXPECT_EQ(irs.HeadingStatus(), 2);
  Feed(irs, {"MV.IrsAttHdg -2", "MV.Irs1Sel 0"});
  EXPECT_EQ(irs.HeadingStatus(), 0);
  irs.ParseLine("MV.IrsAligning 1");
  EXPECT_EQ(irs.HeadingStatus(), 1);
  irs.ParseLine("MV.IrsAttHdg -1");  // -1 or more; all selectors off counts only at 0
  EXPECT_EQ(irs.HeadingStatus(), 2);
  // A navigating IRS gives a heading whatever the flag says.
  Feed(irs, {"MV.IrsAttHdg -5", "MV.Irs2Sel 2", "MV.Irs2Quality 1"});
  EXPECT_EQ(irs.HeadingStatus(), 2);
  // All selectors off with the flag at 0: no heading, even while aligning.
  Feed(irs, {"MV.IrsAttHdg 0", "MV.Irs2Sel 0"});
  EXPECT_EQ(irs.HeadingStatus(), 0);
}

TEST(Irs, AttitudeStatus) {
  tIRS irs;
  Feed(irs, {"MV.Irs1Sel 1", "MV.Irs1AlignDel 0"});
  EXPECT_EQ(irs.AttitudeStatus(), 2);
  irs.ParseLine("MV.Irs1AlignDel 30");
  EXPECT_EQ(irs.AttitudeStatus(), 0);
  irs.ParseLine("MV.IrsAligning 1");
  EXPECT_EQ(irs.AttitudeStatus(), 1);
  // Aligning hides an otherwise ready IRS.
  irs.ParseLine("MV.Irs1AlignDel 0");
  EXPECT_EQ(irs.AttitudeStatus(), 1);
  // Three navigating IRS of bad quality: no attitude, even while aligning.
  Feed(irs, {"MV.Irs1Sel 2", "MV.Irs2Sel 2", "MV.Irs3Sel 2", "MV.Irs1Quality 3", "MV.Irs2Quality 3",
             "MV.Irs3Quality 4"});
  EXPECT_EQ(irs.AttitudeStatus(), 0);
  irs.ParseLine("MV.Irs3Quality 2");
  EXPECT_EQ(irs.AttitudeStatus(), 1);
}

TEST(Irs, PositionValidNeedsANavigatingIrsOfQualityOneOrTwo) {
  tIRS irs;
  Feed(irs, {"MV.Irs2Sel 1", "MV.Irs2Quality 1"});
  EXPECT_FALSE(irs.PositionValid());
  irs.ParseLine("MV.Irs2Sel 2");
  EXPECT_TRUE(irs.PositionValid());
  irs.ParseLine("MV.Irs2Quality 2");
  EXPECT_TRUE(irs.PositionValid());
  irs.ParseLine("MV.Irs2Quality 3");
  EXPECT_FALSE(irs.PositionValid());
  irs.ParseLine("MV.Irs2Quality 0");
  EXPECT_FALSE(irs.PositionValid());
}

TEST(Irs, IndexesOutsideOneToThreeAreIgnored) {
  tIRS irs;
  irs.ParseLine("MV.Irs1Quality 2");
  EXPECT_EQ(irs.Quality(0), 0);
  EXPECT_EQ(irs.Quality(4), 0);
  EXPECT_EQ(irs.Quality(-2147483647 - 1), 0);
  irs.SetPosition(2, 47.5, -122.25);
  irs.SetPosition(0, 1, 1);
  irs.SetPosition(4, 1, 1);
  EXPECT_DOUBLE_EQ(irs.Latitude[1], 47.5);
  EXPECT_DOUBLE_EQ(irs.Longitude[1], -122.25);
  EXPECT_DOUBLE_EQ(irs.Latitude[0], 0);
  EXPECT_DOUBLE_EQ(irs.Latitude[2], 0);
}

class IrsSymbol : public testsupport::GLTest {};

TEST_F(IrsSymbol, InitMarksPositionsUnknownAndBuildsTheStar) {
  platform::ReserveFixedDisplayLists();
  tIRS irs;
  irs.Init();
  for (int i = 0; i < 3; ++i) {
    EXPECT_DOUBLE_EQ(irs.Latitude[i], -91);
    EXPECT_DOUBLE_EQ(irs.Longitude[i], -181);
  }
  ASSERT_TRUE(glIsList(tIRS::kPositionSymbolList));
  // Draw the star at the middle of the frame, 3 units = 30 pixels.
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(-25.6, 25.6, -25.6, 25.6, -1, 1);
  glLineWidth(5);
  glColor3f(1, 0, 0);
  glCallList(tIRS::kPositionSymbolList);
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_FLOAT_EQ(width, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  ReadBack();
  // One spoke straight up (white), none straight down.
  EXPECT_GT(CountColour(254, 270, 258, 284, {255, 255, 255, 255}), 5);
  EXPECT_EQ(CountColour(254, 228, 258, 242, {255, 255, 255, 255}), 0);
  // The spoke at 72 degrees points right and a little up.
  EXPECT_GT(CountColour(276, 260, 284, 266, {255, 255, 255, 255}), 0);
}

}  // namespace
