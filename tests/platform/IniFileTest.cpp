#include "platform/IniFile.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Paths.h"

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

// ---- A file that cannot be read is never replaced --------------------------

namespace {

// Runs body in a child process as the unprivileged user "nobody" when the
// test runs as root (root reads every file); returns the child's exit code,
// or -1 when it could not run.
int RunAsNobody(const std::function<int()>& body) {
  pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) _exit(100);
    _exit(body());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace

TEST(IniFileUnreadable, IsLeftUntouchedAndReportedOnce) {
  const std::string original = "; Lunavex's and Kestrane's settings\n[TCP/IP Settings]\nIPAdress=10.1.2.3\n";
  for (const std::string kind : {"no read permission", "fifo", "folder"}) {
    SCOPED_TRACE(kind);
    TempDir dir;
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);  // the writer could replace it
    const std::string file = dir.File("config.ini");
    if (kind == "no read permission") {
      WriteFile(file, original);
      ASSERT_EQ(chmod(file.c_str(), 0200), 0);
    } else if (kind == "fifo") {
      ASSERT_EQ(mkfifo(file.c_str(), 0644), 0);
    } else {
      ASSERT_EQ(mkdir(file.c_str(), 0755), 0);
    }
    struct stat before;
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    const int code = RunAsNobody([&] {
      int reports = 0;
      TIniFile ini(file);
      ini.SetReporter([&](const std::string& text) { reports += text.find("config.ini") != std::string::npos; });
      {
        platform::TIniBatch batch(ini);  // start-up
        if (ini.ReadString("TCP/IP Settings", "IPAdress", "localhost") != "localhost") return 10;
      }
      {
        platform::TIniBatch batch(ini);  // exit
        if (ini.WriteString("TCP/IP Settings", "IPAdress", "localhost")) return 11;
        if (ini.WriteInteger("Kestrane Settings", "Rotation", 90)) return 12;
      }
      return reports;
    });
    ASSERT_NE(code, 100) << "cannot switch to the user nobody";
    EXPECT_EQ(code, 1) << "reports (or a failed step, 10 and up)";
    struct stat after;
    ASSERT_EQ(stat(file.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    if (kind == "no read permission") {
      EXPECT_EQ(ReadFile(file), original);
    }
    std::vector<std::string> left = platform::FindFiles(dir.Path() + "/*");
    EXPECT_EQ(left.size(), 1u) << "a temporary file was left behind";
  }
}

TEST(IniFileReplace, KeepsThePermissionBits) {
  const mode_t oldMask = umask(022);
  for (mode_t mode : {0600, 0640, 0666, 0604}) {
    SCOPED_TRACE(mode);
    TempDir dir;
    const std::string file = dir.File("config.ini");
    WriteFile(file, "[A]\nB=1\n");
    ASSERT_EQ(chmod(file.c_str(), mode), 0);
    TIniFile ini(file);
    ASSERT_TRUE(ini.WriteInteger("A", "B", 2));
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    EXPECT_EQ(ini.ReadInteger("A", "B", 0), 2);
  }
  umask(oldMask);
}

// ---- One read and one replacement per batch --------------------------------

TEST(IniFileBatch, ReadsTheFileOnceAndReplacesItOnceWithTheSameResult) {
  const std::string text = "; top\n[Kestrane Settings]\nRotation=90\n; keep\n[Other]\nX=1\n";
  const std::vector<std::pair<std::string, std::string>> writes = {
      {"Kestrane Settings", "Rotation"}, {"Kestrane Settings", "Window Width"}, {"New", "Key"},
      {"other", "x"},                    {"New", "Second"}};
  TempDir dir;
  const std::string single = dir.File("single.ini"), batched = dir.File("batched.ini");
  WriteFile(single, text);
  WriteFile(batched, text);
  TIniFile one(single), many(batched);
  for (size_t i = 0; i < writes.size(); ++i) one.WriteInteger(writes[i].first, writes[i].second, int(i));

  many.BeginUpdate();
  EXPECT_EQ(many.ReadInteger("Kestrane Settings", "Rotation", 0), 90);
  // A change on disk during the batch is not seen: the batch's copy is used.
  WriteFile(batched, text + "[Late]\nY=2\n");
  EXPECT_EQ(many.ReadInteger("Late", "Y", -1), -1);
  WriteFile(batched, text);
  for (size_t i = 0; i < writes.size(); ++i) {
    EXPECT_TRUE(many.WriteInteger(writes[i].first, writes[i].second, int(i)));
    EXPECT_EQ(many.ReadInteger(writes[i].first, writes[i].second, -1), int(i));
  }
  EXPECT_EQ(ReadFile(batched), text) << "replaced before the batch ended";
  EXPECT_TRUE(many.EndUpdate());
  EXPECT_EQ(ReadFile(batched), ReadFile(single));
}
