// Send chunks and the send queue built from them.
#include <gtest/gtest.h>

#include <string>

#include "support/socket/WSocket.h"
#include "support/socket/WSockBuf.h"

namespace {

std::string Unread(const TBuffer& b) {
  const TBuffer::Span s = b.PeekData();
  return s.length > 0 ? std::string(s.data, static_cast<std::size_t>(s.length)) : std::string();
}

TEST(TBuffer, SizeZeroOrNegativeGets1514) {
  EXPECT_EQ(TBuffer(0).Size(), 1514);
  EXPECT_EQ(TBuffer(-3).Size(), 1514);
  EXPECT_EQ(TBuffer(1460).Size(), 1460);
}

TEST(TBuffer, AppendPeekConsume) {
  TBuffer b(8);
  EXPECT_EQ(b.PeekData().length, 0);
  EXPECT_EQ(b.PeekData().data, nullptr);
  EXPECT_EQ(b.Append("abcdef", 6), 6);
  EXPECT_EQ(b.Append("ghijk", 5), 2);  // only what fits
  EXPECT_EQ(b.Append("z", 1), 0);      // full
  EXPECT_EQ(Unread(b), "abcdefgh");
  EXPECT_EQ(b.Consume(3), 3);
  EXPECT_EQ(Unread(b), "defgh");
  EXPECT_EQ(b.Append("z", 1), 0);  // a partly read chunk is not refilled
  EXPECT_EQ(b.Consume(100), 5);    // only what is unread
  EXPECT_EQ(b.Consume(1), 0);
  // Emptied: both counts back to 0, filled again from the start.
  EXPECT_EQ(b.ReadCount(), 0);
  EXPECT_EQ(b.WriteCount(), 0);
  EXPECT_EQ(b.Append("xyz", 3), 3);
  EXPECT_EQ(Unread(b), "xyz");
}

TEST(TBuffer, NegativeLengthsTakeNothing) {
  TBuffer b(4);
  EXPECT_EQ(b.Append("abcd", -1), 0);
  EXPECT_EQ(b.Append(nullptr, 3), 0);
  EXPECT_EQ(b.Append("ab", 2), 2);
  EXPECT_EQ(b.Consume(-5), 0);
  EXPECT_EQ(Unread(b), "ab");
}

TEST(TBuffer, ResizeKeepsUnreadBytes) {
  TBuffer b(6);
  b.Append("abcdef", 6);
  b.Consume(2);
  b.Resize(16);
  EXPECT_EQ(b.Size(), 16);
  EXPECT_EQ(Unread(b), "cdef");
  EXPECT_EQ(b.Append("gh", 2), 2);
  EXPECT_EQ(Unread(b), "cdefgh");
  // Never smaller than what is stored while some is unread.
  b.Resize(3);
  EXPECT_EQ(b.Size(), 8);
  EXPECT_EQ(Unread(b), "cdefgh");
}

// Exposes the send queue of an unconnected component.
class QueueProbe : public TWSocket {
 public:
  using TCustomWSocket::QueueSendData;
  using TCustomWSocket::SendQueue;
};

TEST(SendQueue, FillsChunksOf1460InOrder) {
  QueueProbe s;
  std::string data(3000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
  s.QueueSendData(data.data(), data.size());
  ASSERT_EQ(s.SendQueue().size(), 3u);
  EXPECT_EQ(s.SendQueue()[0]->WriteCount(), 1460);
  EXPECT_EQ(s.SendQueue()[1]->WriteCount(), 1460);
  EXPECT_EQ(s.SendQueue()[2]->WriteCount(), 80);
  s.QueueSendData(data.data(), 100);  // joins the last chunk
  ASSERT_EQ(s.SendQueue().size(), 3u);
  EXPECT_EQ(s.SendQueue()[2]->WriteCount(), 180);
  std::string queued;
  for (const auto& c : s.SendQueue()) queued += Unread(*c);
  EXPECT_EQ(queued, data + data.substr(0, 100));
  s.QueueSendData(data.data(), 0);
  EXPECT_EQ(s.SendQueue().size(), 3u);
}

}  // namespace
