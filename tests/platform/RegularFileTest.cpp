#include "platform/RegularFile.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/Paths.h"
#include "tests/common/TestSupport.h"

using platform::ReadResult;

// Anything but a regular file counts as missing, and none of them blocks
// (a FIFO without a writer would block a plain open for ever).
TEST(RegularFile, OnlyRegularFilesOpenAndNothingBlocks) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("plain"), "abc");
  testsupport::WriteFile(dir.File("empty"), "");
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0644), 0);
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0755), 0);
  ASSERT_EQ(symlink(dir.File("plain").c_str(), dir.File("link").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("fifo").c_str(), dir.File("fifolink").c_str()), 0);
  ASSERT_EQ(symlink(dir.File("nowhere").c_str(), dir.File("dangling").c_str()), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string sockPath = dir.File("socket");
  ASSERT_LT(sockPath.size(), sizeof addr.sun_path);
  std::copy(sockPath.begin(), sockPath.end(), addr.sun_path);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  struct Case {
    std::string path;
    ReadResult result;
    std::string data;
  };
  const Case cases[] = {
      {dir.File("plain"), ReadResult::Ok, "abc"},     {dir.File("empty"), ReadResult::Ok, ""},
      {dir.File("link"), ReadResult::Ok, "abc"},      {dir.File("missing"), ReadResult::Missing, ""},
      {dir.File("fifo"), ReadResult::Missing, ""},    {dir.File("fifolink"), ReadResult::Missing, ""},
      {dir.File("folder"), ReadResult::Missing, ""},  {dir.File("dangling"), ReadResult::Missing, ""},
      {dir.File("socket"), ReadResult::Missing, ""},  {"/dev/zero", ReadResult::Missing, ""},
      {"/dev/null", ReadResult::Missing, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    std::string data = "old";
    EXPECT_EQ(platform::ReadRegularFile(c.path, data, 1000), c.result);
    EXPECT_EQ(data, c.data);
    const bool regular = c.result == ReadResult::Ok;
    EXPECT_EQ(platform::IsRegularFile(c.path), regular);
    EXPECT_EQ(platform::FileExists(c.path), regular);
    const int fd = platform::OpenRegularFile(c.path);
    EXPECT_EQ(fd >= 0, regular);
    if (fd >= 0) close(fd);
  }
  close(sock);
}

TEST(RegularFile, SizeLimitHolds) {
  testsupport::TempDir dir;
  testsupport::WriteFile(dir.File("f"), std::string(1001, 'x'));
  std::string data;
  EXPECT_EQ(platform::ReadRegularFile(dir.File("f"), data, 1000), ReadResult::TooLarge);
  EXPECT_TRUE(data.empty());
  EXPECT_EQ(platform::ReadRegularFile(dir.File("f"), data, 1001), ReadResult::Ok);
  EXPECT_EQ(data.size(), 1001u);
}
