#include "platform/Paths.h"

#include <gtest/gtest.h>

#include "tests/common/TestSupport.h"

using namespace platform;
using testsupport::MakeDirs;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(Paths, BackslashesAndLetterCaseAreResolved) {
  TempDir dir;
  MakeDirs(dir.File("Data"));
  WriteFile(dir.File("Data/747World.MV"), "x");
  EXPECT_EQ(ResolvePath(dir.Path() + "\\data\\747world.mv"), dir.Path() + "/Data/747World.MV");
  EXPECT_TRUE(FileExists(dir.Path() + "/DATA/747WORLD.mv"));
  EXPECT_FALSE(FileExists(dir.Path() + "/data/747world.mvx"));
  EXPECT_TRUE(DirectoryExists(dir.Path() + "\\data"));
}

TEST(Paths, ExactMatchWinsOverCaseInsensitiveOne) {
  TempDir dir;
  WriteFile(dir.File("a.txt"), "lower");
  WriteFile(dir.File("A.txt"), "upper");
  EXPECT_EQ(ResolvePath(dir.File("A.txt")), dir.File("A.txt"));
  EXPECT_EQ(ResolvePath(dir.File("a.txt")), dir.File("a.txt"));
}

TEST(Paths, MissingTailIsKeptAsGiven) {
  TempDir dir;
  MakeDirs(dir.File("Bitmaps"));
  EXPECT_EQ(ResolvePath(dir.Path() + "\\bitmaps\\new.jpg"), dir.Path() + "/Bitmaps/new.jpg");
}

TEST(Paths, WildcardsSortCaseInsensitively) {
  TempDir dir;
  for (const char* n : {"747NAM.apt", "747eur.APT", "747afr.apt", "747s.pa", "other.apt"})
    WriteFile(dir.File(n), "");
  auto found = FindFiles(dir.Path() + "\\747*.apt");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0], dir.File("747afr.apt"));
  EXPECT_EQ(found[1], dir.File("747eur.APT"));
  EXPECT_EQ(found[2], dir.File("747NAM.apt"));
  EXPECT_TRUE(FindFiles(dir.Path() + "/nothere/*.apt").empty());
}

TEST(Paths, WildcardMatcher) {
  EXPECT_TRUE(WildcardMatchCI("747s.p*", "747S.PJ"));
  EXPECT_TRUE(WildcardMatchCI("a?c", "abc"));
  EXPECT_FALSE(WildcardMatchCI("a?c", "ac"));
  EXPECT_TRUE(WildcardMatchCI("*", ""));
  EXPECT_FALSE(WildcardMatchCI("*.apt", "x.ap"));
}
