// Fixed-size records: whole records only, the partial tail dropped,
// entries that are not regular files refused, files beyond the cap
// refused, fields read at any offset.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "platform/RecordFile.h"
#include "tests/common/TestSupport.h"

namespace {

using platform::TRecordFile;

TEST(RecordFile, WholeRecordsAcrossChunksAndThePartialTailDropped) {
  testsupport::TempDir dir;
  // 3000 records of 50 bytes (more than one read chunk), then 17 stray bytes.
  std::string bytes;
  for (int i = 0; i < 3000; ++i) {
    std::string r(50, static_cast<char>(i & 0x7F));
    r[1] = static_cast<char>(i & 0xFF);
    r[2] = static_cast<char>(i >> 8);
    bytes += r;
  }
  testsupport::WriteFile(dir.File("Runways.APT"), bytes + std::string(17, 'x'));
  TRecordFile f;
  ASSERT_TRUE(f.Open(dir.Path() + "\\runways.apt", 50));
  int n = 0;
  while (const std::uint8_t* r = f.Next()) {
    EXPECT_EQ(platform::RecordUInt16(r, 1), n);
    ++n;
  }
  EXPECT_EQ(n, 3000);
  EXPECT_EQ(f.DroppedBytes(), 17u);
  EXPECT_FALSE(f.ReadError());
  EXPECT_EQ(f.Next(), nullptr);
}

TEST(RecordFile, EntriesThatCannotBeOpened) {
  testsupport::TempDir dir;
  ::mkdir(dir.File("folder.apt").c_str(), 0755);
  ::mkfifo(dir.File("fifo.apt").c_str(), 0644);
  testsupport::WriteFile(dir.File("empty.apt"), "");
  TRecordFile f;
  for (const std::string& path : {std::string(), dir.File("folder.apt"), dir.File("fifo.apt"), dir.File("none.apt")})
    EXPECT_FALSE(f.Open(path, 50)) << path;
  EXPECT_FALSE(f.Open(dir.File("empty.apt"), 0));
  ASSERT_TRUE(f.Open(dir.File("empty.apt"), 50));
  EXPECT_EQ(f.Next(), nullptr);
  EXPECT_FALSE(f.ReadError());
}

TEST(RecordFile, FilesBeyondTheCapAreRefused) {
  testsupport::TempDir dir;
  const std::uint64_t saved = platform::SetMaxRecordFileBytes(1000);
  struct Case {
    std::size_t bytes;
    bool opens;
  } cases[] = {{0, true}, {999, true}, {1000, true}, {1001, false}, {64 * 1024, false}};
  for (const Case& c : cases) {
    testsupport::WriteFile(dir.File("f"), std::string(c.bytes, 'x'));
    TRecordFile f;
    EXPECT_EQ(f.Open(dir.File("f"), 10), c.opens) << c.bytes;
    EXPECT_EQ(f.TooLarge(), !c.opens) << c.bytes;
    std::size_t n = 0;
    while (f.Next()) ++n;
    EXPECT_EQ(n, c.opens ? c.bytes / 10 : 0) << c.bytes;
  }
  // A file that grows past the cap while it is read ends with a read error,
  // never more than the cap read.
  testsupport::WriteFile(dir.File("f"), std::string(1000, 'x'));
  TRecordFile f;
  ASSERT_TRUE(f.Open(dir.File("f"), 10));
  testsupport::WriteFile(dir.File("f"), std::string(5000, 'x'));
  std::size_t n = 0;
  while (f.Next()) ++n;
  EXPECT_LE(n, 100u);
  EXPECT_TRUE(f.ReadError());
  EXPECT_TRUE(f.TooLarge());
  EXPECT_EQ(platform::RecordFileTooLargeText("747w.pc"), "747w.pc is larger than 1000 bytes. Not loaded.");

  // The real cap: a sparse file of 2 GiB is refused without being read.
  EXPECT_EQ(platform::SetMaxRecordFileBytes(saved), 1000u);
  testsupport::WriteFile(dir.File("big"), "");
  ASSERT_EQ(::truncate(dir.File("big").c_str(), 2ll << 30), 0);
  EXPECT_FALSE(f.Open(dir.File("big"), 12));
  EXPECT_TRUE(f.TooLarge());
}

TEST(RecordFile, LittleEndianFieldsAtAnyOffset) {
  const std::uint8_t r[6] = {0xFF, 0x34, 0x12, 0xFE, 0xFF, 0x80};
  EXPECT_EQ(platform::RecordInt8(r, 0), -1);
  EXPECT_EQ(platform::RecordInt8(r, 5), -128);
  EXPECT_EQ(platform::RecordUInt16(r, 1), 0x1234);
  EXPECT_EQ(platform::RecordInt16(r, 3), -2);
  EXPECT_EQ(platform::RecordUInt16(r, 3), 0xFFFE);
  EXPECT_EQ(platform::RecordInt16(r, 4), static_cast<std::int16_t>(0x80FF));
}

}  // namespace
