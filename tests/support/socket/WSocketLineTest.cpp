// Line mode (line ends split across receives, the line limit, editing and
// echo, the final line at close, switching the mode with bytes buffered,
// readers that take a line a byte at a time or not at all) and the
// synchronous wait, against a loopback peer.
#include <FL/Fl.H>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/GLForm.h"
#include "support/socket/WSocket.h"
#include "tests/support/socket/TestPeer.h"

namespace {

using sockettest::PumpFor;
using sockettest::PumpUntil;
using sockettest::WriteAll;

// A component in line mode connected to a peer; each OnDataAvailable call
// takes up to readSize bytes and records them as one delivery.
struct LinePair {
  sockettest::Listener listener;
  TWSocket s;
  int peer = -1;
  int readSize = 1024;
  std::vector<std::string> deliveries;
  std::vector<int> counts;  // RcvdCount at each call
  std::vector<std::string> events;

  LinePair() {
    s.SetLineMode(true);
    s.OnDataAvailable = [this](TCustomWSocket& sock, std::uint16_t) {
      counts.push_back(sock.RcvdCount());
      std::string buf(static_cast<std::size_t>(readSize), '\0');
      const int n = sock.Receive(buf.data(), readSize);
      if (n > 0) deliveries.push_back(buf.substr(0, static_cast<std::size_t>(n)));
    };
    s.OnSessionClosed = [this](TCustomWSocket&, std::uint16_t) { events.push_back("closed"); };
    s.SetPort(listener.PortText());
    s.SetAddr("127.0.0.1");
    s.Connect();
    peer = listener.Accept();
    PumpUntil([&] { return s.State() == wsConnected; });
  }
  ~LinePair() {
    if (peer >= 0) ::close(peer);
  }
  using Lines = std::vector<std::string>;
};

TEST(WSocketLineTest, DeliversWholeLinesAndFindsALineEndSplitAcrossReceives) {
  LinePair p;
  ASSERT_EQ(p.s.State(), wsConnected);
  ASSERT_TRUE(WriteAll(p.peer, "AB\r\nCD"));
  ASSERT_TRUE(PumpUntil([&] { return !p.deliveries.empty(); }));
  PumpFor(0.2);
  EXPECT_EQ(p.deliveries, LinePair::Lines{"AB\r\n"});
  EXPECT_EQ(p.counts, std::vector<int>{4});
  ASSERT_TRUE(WriteAll(p.peer, "EF\r"));
  PumpFor(0.2);
  ASSERT_TRUE(WriteAll(p.peer, "\nG"));
  ASSERT_TRUE(PumpUntil([&] { return p.deliveries.size() == 2; }));
  EXPECT_EQ(p.deliveries[1], "CDEF\r\n");
  EXPECT_EQ(p.s.ReadCount(), 10);
}

TEST(WSocketLineTest, AReaderTakingOneByteAtATimeGetsEveryByteOnce) {
  LinePair p;
  p.readSize = 1;
  ASSERT_TRUE(WriteAll(p.peer, "hello\r\nworld\r\nrest"));
  ASSERT_TRUE(PumpUntil([&] { return p.deliveries.size() == 14; }));
  PumpFor(0.2);
  std::string joined;
  for (const auto& d : p.deliveries) joined += d;
  EXPECT_EQ(joined, "hello\r\nworld\r\n");
  EXPECT_EQ(p.counts.front(), 7);
  EXPECT_EQ(p.counts[6], 1);
}

TEST(WSocketLineTest, ALineTheHandlerDidNotTakeIsKeptAndComesFirstLater) {
  LinePair p;
  bool ignore = true;
  int calls = 0;
  p.s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
    ++calls;
    if (ignore) return;
    char buf[64];
    const int n = sock.Receive(buf, sizeof buf);
    if (n > 0) p.deliveries.emplace_back(buf, static_cast<std::size_t>(n));
  };
  ASSERT_TRUE(WriteAll(p.peer, "a\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return calls > 0; }));
  PumpFor(0.2);
  EXPECT_EQ(calls, 1);  // no spinning on the untaken line
  ignore = false;
  ASSERT_TRUE(WriteAll(p.peer, "b\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return p.deliveries.size() == 2; }));
  EXPECT_EQ(p.deliveries, (LinePair::Lines{"a\r\n", "b\r\n"}));
}

TEST(WSocketLineTest, LineLimitFiresWithTheBufferedLengthAndDropsUnlessKept) {
  const struct {
    bool keep;
    const char* line;
  } cases[] = {{false, "Z\r\n"}, {true, "0123456789AZ\r\n"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keep);
    LinePair p;
    p.s.LineLimit = 10;
    std::vector<int> limits;
    p.s.OnLineLimitExceeded = [&](TCustomWSocket&, std::int32_t length, bool& clear) {
      limits.push_back(length);
      if (c.keep) clear = false;
    };
    ASSERT_TRUE(WriteAll(p.peer, "0123456789A"));
    ASSERT_TRUE(PumpUntil([&] { return !limits.empty(); }));
    EXPECT_EQ(limits, std::vector<int>{11});
    ASSERT_TRUE(WriteAll(p.peer, "Z\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return !p.deliveries.empty(); }));
    EXPECT_EQ(p.deliveries, LinePair::Lines{c.line});
  }
}

TEST(WSocketLineTest, EditingAppliesBackspaceAndTabAndEchoesWhatItDid) {
  LinePair p;
  p.s.LineEdit = true;
  p.s.LineEcho = true;
  ASSERT_TRUE(WriteAll(p.peer, "\b\bab\bc\t\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return !p.deliveries.empty(); }));
  EXPECT_EQ(p.deliveries, LinePair::Lines{"ac      \r\n"});
  EXPECT_EQ(sockettest::ReadExactly(p.peer, 14), "ab\b \bc      \r\n");

  // A backspace may erase a byte of an earlier receive of the same line.
  ASSERT_TRUE(WriteAll(p.peer, "xy"));
  PumpFor(0.2);
  ASSERT_TRUE(WriteAll(p.peer, "\bz\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return p.deliveries.size() == 2; }));
  EXPECT_EQ(p.deliveries[1], "xz\r\n");
}

TEST(WSocketLineTest, EchoWithoutEditingSendsTheBytesBack) {
  LinePair p;
  p.s.LineEcho = true;
  ASSERT_TRUE(WriteAll(p.peer, "a\bb\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return !p.deliveries.empty(); }));
  EXPECT_EQ(p.deliveries, LinePair::Lines{"a\bb\r\n"});
  EXPECT_EQ(sockettest::ReadExactly(p.peer, 5), "a\bb\r\n");
}

TEST(WSocketLineTest, ClosingDeliversTheUnfinishedLineBeforeSessionClosed) {
  LinePair p;
  p.s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
    char buf[64];
    const int n = sock.Receive(buf, sizeof buf);
    if (n > 0) p.events.emplace_back(buf, static_cast<std::size_t>(n));
  };
  ASSERT_TRUE(WriteAll(p.peer, "one\r\nxyz"));
  ::close(p.peer);
  p.peer = -1;
  ASSERT_TRUE(PumpUntil([&] { return p.s.State() == wsClosed; }));
  EXPECT_EQ(p.events, (LinePair::Lines{"one\r\n", "xyz", "closed"}));
}

TEST(WSocketLineTest, SwitchingTheModeDeliversBufferedBytesInTheNewMode) {
  LinePair p;
  std::vector<std::string> got;
  p.s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
    const bool lineMode = p.s.LineMode();
    char buf[64];
    // Out of line mode this reader takes one byte and returns to it.
    const int n = sock.Receive(buf, lineMode ? 64 : 1);
    if (n <= 0) return;
    got.push_back((lineMode ? "line " : "raw ") + std::string(buf, static_cast<std::size_t>(n)));
    p.s.SetLineMode(!lineMode);
  };
  ASSERT_TRUE(WriteAll(p.peer, "a\r\nbc\r\nd"));
  // Nothing more comes from the peer: every step runs on buffered bytes.
  ASSERT_TRUE(PumpUntil([&] { return got.size() == 4; }));
  PumpFor(0.2);
  EXPECT_EQ(got, (std::vector<std::string>{"line a\r\n", "raw b", "line c\r\n", "raw d"}));
}

// Exposes the wait time limit, which the component itself never sets.
class LimitedWait : public TWSocket {
 public:
  void SetWaitLimit(std::int32_t ms) { waitTimeLimit_ = ms; }
};

TEST(WSocketLineTest, RunAndWaitReturnsWhenAHandlerSetsTheFlag) {
  LimitedWait s;
  bool done = false;
  s.OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t) { done = true; };
  EXPECT_EQ(s.RunAndWait([&] { s.DnsLookup("localhost"); }, done), 0);
  EXPECT_EQ(s.DnsResultList().empty(), false);
  // A dotted address answers inside the method: no wait at all.
  EXPECT_EQ(s.RunAndWait([&] { s.DnsLookup("127.0.0.1"); }, done), 0);
  bool never = false;
  s.SetWaitLimit(50);
  EXPECT_EQ(s.WaitForFlag(never), 12001);
}

void StartEnding(void*) { platform::SetApplicationEnding(true); }
void SetFlag(void* flag) { *static_cast<bool*>(flag) = true; }

TEST(WSocketLineTest, AWaitWithoutLimitEndsWhenTheProgramStartsToEnd) {
  TWSocket s;
  bool flag = false;
  // The program starts to end while the wait runs; should the wait miss
  // it, the flag is set much later and the wait returns 0 instead.
  Fl::add_timeout(0.05, StartEnding);
  Fl::add_timeout(5.0, SetFlag, &flag);
  EXPECT_EQ(s.WaitForFlag(flag), 12001);
  Fl::remove_timeout(SetFlag, &flag);
  EXPECT_FALSE(flag);
  // Ending: a wait gives up at once, unless its flag is already set.
  bool again = false;
  EXPECT_EQ(s.RunAndWait([] {}, again), 12001);
  again = true;
  EXPECT_EQ(s.WaitForFlag(again), 0);
  platform::SetApplicationEnding(false);
}

}  // namespace
