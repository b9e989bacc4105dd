#include <gtest/gtest.h>

#include "tests/common/WholeProgram.h"
#include "tools/scripted-broker/Escape.h"

using broker::EscapeBytes;
using broker::UnescapeBytes;

TEST(Escape, LineEndsAndControlBytesStayVisible) {
  EXPECT_EQ(EscapeBytes("register ND running\r\n"), "register ND running\\r\\n");
  EXPECT_EQ(EscapeBytes("notify a \r"), "notify a \\r");
  EXPECT_EQ(EscapeBytes(std::string("a\0b\\c\t\xB0\x7F", 8)), "a\\x00b\\\\c\\t\\xB0\\x7F");
}

TEST(Escape, EveryByteRoundTrips) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  std::string escaped = EscapeBytes(all);
  EXPECT_EQ(escaped.find('\r'), std::string::npos);
  EXPECT_EQ(escaped.find('\n'), std::string::npos);
  std::string back;
  ASSERT_TRUE(UnescapeBytes(escaped, back));
  EXPECT_EQ(back, all);
}

TEST(Escape, BadEscapesAreRefusedAndLeaveTheOutputAlone) {
  for (const char* bad : {"ab\\", "\\q", "\\x4", "\\xZZ", "x\\x1"}) {
    std::string out = "unchanged", error;
    EXPECT_FALSE(UnescapeBytes(bad, out, &error)) << bad;
    EXPECT_EQ(out, "unchanged");
    EXPECT_FALSE(error.empty());
  }
  std::string out;
  ASSERT_TRUE(UnescapeBytes("\\x41\\x62", out));
  EXPECT_EQ(out, "Ab");
}

TEST(RecordLine, ParsesClientAndBytes) {
  int client = 0;
  std::string bytes;
  ASSERT_TRUE(wholeprogram::ParseRecordLine("client12 notify a \\r", client, bytes));
  EXPECT_EQ(client, 12);
  EXPECT_EQ(bytes, "notify a \r");
  ASSERT_TRUE(wholeprogram::ParseRecordLine("client1 ", client, bytes));
  EXPECT_EQ(bytes, "");
  for (const char* other : {"event client1 closed", "client notify", "clientX y", "client1", "client2 bad\\q"})
    EXPECT_FALSE(wholeprogram::ParseRecordLine(other, client, bytes)) << other;
}
