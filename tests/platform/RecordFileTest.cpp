// Fixed-size records: whole records only, the partial tail dropped,
// entries that are not regular files refused, fields read at any offset.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>

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
