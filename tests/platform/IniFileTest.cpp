#include "platform/IniFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "tests/common/TestSupport.h"

using platform::TIniFile;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(IniFile, MissingFileGivesDefaults) {
  TempDir dir;
  TIniFile ini(dir.File("config.ini"));
  EXPECT_EQ(ini.ReadInteger("A", "B", 499), 499);
  EXPECT_EQ(ini.ReadString("A", "B", "localhost"), "localhost");
  EXPECT_TRUE(ini.ReadBool("A", "B", true));
}

TEST(IniFile, NamesMatchInAnyCaseAndGarbageGivesDefault) {
  TempDir dir;
  WriteFile(dir.File("config.ini"),
            "; comment\r\n[Kestrane Settings]\r\nwindow left pos = 12\r\nRotation=abc\r\nFlag=2\r\n");
  TIniFile ini(dir.File("config.ini"));
  EXPECT_EQ(ini.ReadInteger("KESTRANE SETTINGS", "Window Left Pos", 0), 12);
  EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Rotation", 0), 0);
  EXPECT_TRUE(ini.ReadBool("Kestrane Settings", "flag", false));  // "2" is true
}

TEST(IniFile, WriteKeepsOtherSectionsCommentsAndOrder) {
  TempDir dir;
  WriteFile(dir.File("config.ini"),
            "; kept comment\n[Lunavex Settings]\nSize=80\n\n[TCP/IP Settings]\nIPAdress=host1\nIPPort=1863\n");
  TIniFile ini(dir.File("config.ini"));
  ASSERT_TRUE(ini.WriteString("tcp/ip settings", "IPADRESS", "host2"));
  ASSERT_TRUE(ini.WriteInteger("Kestrane Settings", "Rotation", 90));
  ASSERT_TRUE(ini.WriteInteger("Lunavex Settings", "Spacing", 4));
  EXPECT_EQ(ReadFile(dir.File("config.ini")),
            "; kept comment\n[Lunavex Settings]\nSize=80\nSpacing=4\n\n[TCP/IP Settings]\nIPADRESS=host2\n"
            "IPPort=1863\n\n[Kestrane Settings]\nRotation=90\n");
  EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPAdress", ""), "host2");
  EXPECT_EQ(ini.ReadInteger("Lunavex Settings", "Size", 0), 80);
}

TEST(IniFile, RefusesLineBreaksInValues) {
  TempDir dir;
  TIniFile ini(dir.File("config.ini"));
  ASSERT_TRUE(ini.WriteString("TCP/IP Settings", "IPAdress", "good"));
  EXPECT_FALSE(ini.WriteString("TCP/IP Settings", "IPAdress", "evil\r\n[X]\r\nY=1"));
  EXPECT_FALSE(ini.WriteString("TCP/IP Settings", "IPPort", "18\n63"));
  EXPECT_EQ(ini.ReadString("TCP/IP Settings", "IPAdress", ""), "good");
  EXPECT_EQ(ini.ReadString("X", "Y", "none"), "none");
}

TEST(IniFile, WriteIntoUnwritableFolderFailsCleanly) {
  TIniFile ini("/proc/definitely/not/here/config.ini");
  EXPECT_FALSE(ini.WriteInteger("A", "B", 1));
  EXPECT_EQ(ini.ReadInteger("A", "B", 3), 3);
}

// Two writers on one file (as two programs sharing "config.ini" at exit):
// every key of both survives.
TEST(IniFile, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const std::string file = dir.File("config.ini");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TIniFile ini(file);
    for (int i = 0; i < 60; ++i) ini.WriteInteger("Lunavex Settings", "Key" + std::to_string(i), i);
    _exit(0);
  }
  TIniFile ini(file);
  for (int i = 0; i < 60; ++i) ini.WriteInteger("Kestrane Settings", "Key" + std::to_string(i), i);
  int status = 0;
  waitpid(child, &status, 0);
  for (int i = 0; i < 60; ++i) {
    EXPECT_EQ(ini.ReadInteger("Lunavex Settings", "Key" + std::to_string(i), -1), i);
    EXPECT_EQ(ini.ReadInteger("Kestrane Settings", "Key" + std::to_string(i), -1), i);
  }
}
