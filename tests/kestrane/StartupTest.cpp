#include <gtest/gtest.h>

#include "kestrane/KestraneMain.h"
#include "shared/UDeclarations.h"
#include "shared/Udebug.h"
#include "platform/MessageBox.h"
#include "tests/common/TestSupport.h"

using testsupport::MakeDirs;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {
std::vector<std::string> AllDatabaseFiles() {
  std::vector<std::string> n = {"747eur.apt", "747spa.apt", "747nam.apt", "747asi.apt",
                                "747npo.apt", "747afr.apt", "747spo.apt", "747sam.apt"};
  for (char c = 'a'; c <= 'j'; ++c) n.push_back(std::string("747s.p") + c);
  for (char c = 'a'; c <= 'm'; ++c) n.push_back(std::string("747w.p") + c);
  return n;
}
}  // namespace

TEST(Databases, AllThirtyOneFilesInAnyCase) {
  TempDir dir;
  auto files = AllDatabaseFiles();
  ASSERT_EQ(files.size(), 31u);
  for (size_t i = 0; i < files.size(); ++i) {
    std::string name = files[i];
    if (i % 2) for (auto& c : name) c = static_cast<char>(toupper(c));
    WriteFile(dir.File(name), "");
  }
  EXPECT_TRUE(TKestraneForm::CheckPS13Databases(dir.Path()));
  EXPECT_TRUE(TKestraneForm::CheckPS13Databases(dir.Path() + "\\"));
  std::remove(dir.File("747W.PM").c_str());
  std::remove(dir.File("747w.pm").c_str());
  EXPECT_FALSE(TKestraneForm::CheckPS13Databases(dir.Path()));
}

TEST(Databases, EmptyFolderIsNotSet) {
  TempDir dir;
  EXPECT_FALSE(TKestraneForm::CheckPS13Databases(dir.Path()));
  EXPECT_FALSE(TKestraneForm::CheckPS13Databases(dir.File("nothere")));
}

// The message box and the log line for a missing magnetic-variation file.
TEST(RequiredFiles, MissingFileWarnsLogsAndGoesOn) {
  TempDir dir;
  MakeDirs(dir.File("data"));
  DebugFileName = dir.File("debug.txt");
  ASSERT_TRUE(ResetDebug());
  std::vector<std::string> shown;
  platform::SetMessageBoxHook([&](const std::string& t, const std::string&) { shown.push_back(t); });
  DataFolder = dir.File("data");
  TKestraneForm::CheckRequiredFiles();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0],
            "747world.mv not found.\rMagnetic Variation cannot be calculated + Airports will not "
            "load.\rPlease place 747world.mv into the Kestrane data directory.");
  EXPECT_FALSE(RequiredFilesFound);
  std::string log = ReadFile(DebugFileName);
  EXPECT_NE(log.find(" Startup : 747world.mv not found!\n"), std::string::npos);

  WriteFile(dir.File("data/747WORLD.MV"), "x");
  TKestraneForm::CheckRequiredFiles();
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_TRUE(RequiredFilesFound);
  platform::SetMessageBoxHook(nullptr);
  DebugFileName.clear();
}

TEST(DebugLog, ResetEmptiesAndLinesEndInLf) {
  TempDir dir;
  DebugFileName = dir.File("debug.txt");
  ASSERT_TRUE(ResetDebug());
  ASSERT_TRUE(WriteDebug(" first run"));
  ASSERT_TRUE(ResetDebug());
  ASSERT_TRUE(WriteDebug(" Startup: one"));
  ASSERT_TRUE(WriteDebug(""));
  const std::string log = ReadFile(DebugFileName);
  EXPECT_EQ(log.find("first run"), std::string::npos);
  const std::string stamp = DebugTimeStamp();
  ASSERT_FALSE(stamp.empty());
  // Two lines: time + message, and the time alone for an empty message.
  size_t nl = log.find('\n');
  ASSERT_NE(nl, std::string::npos);
  EXPECT_EQ(log.substr(nl - 13, 13), " Startup: one");
  EXPECT_EQ(log.find('\r'), std::string::npos);
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  DebugFileName.clear();
}

TEST(DebugLog, UnwritableLogNeverStopsTheProgram) {
  DebugFileName = "/proc/no/such/folder/debug.txt";
  EXPECT_FALSE(ResetDebug());
  EXPECT_FALSE(WriteDebug(" Startup: goes on"));
  DebugFileName.clear();
}
