// The staged scripted broker over TCP with real clients.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

#include "tests/common/WholeProgram.h"

using wholeprogram::ScriptedBroker;
using Clock = std::chrono::steady_clock;

namespace {

class TestClient {
 public:
  explicit TestClient(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~TestClient() { Close(); }
  bool Connected() const { return fd_ >= 0; }
  void Send(const std::string& bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL), static_cast<ssize_t>(bytes.size()));
  }
  // Reads until the data hold text, the peer closes, or timeoutMs (times
  // the wait factor) pass. Returns everything received so far.
  const std::string& ReadUntil(const std::string& text, int timeoutMs) {
    wholeprogram::WaitUntil(
        [&] {
          if (closed_ || (!text.empty() && data_.find(text) != std::string::npos)) return true;
          pollfd p{fd_, POLLIN, 0};
          if (::poll(&p, 1, 20) <= 0) return false;
          char buf[65536];
          ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
          if (n <= 0) {
            closed_ = true;
            return true;
          }
          data_.append(buf, static_cast<size_t>(n));
          arrivals_.push_back({data_.size(), Clock::now()});
          return false;
        },
        timeoutMs, 1);
    return data_;
  }
  const std::string& ReadUntilClosed(int timeoutMs) { return ReadUntil("", timeoutMs); }
  bool PeerClosed() const { return closed_; }
  // When the byte at offset arrived.
  Clock::time_point ArrivalOf(size_t offset) const {
    for (const auto& [end, when] : arrivals_)
      if (offset < end) return when;
    return Clock::time_point::max();
  }
  // Goes away without an orderly close (the peer sees a reset).
  void Abort() {
    linger l{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    Close();
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  bool closed_ = false;
  std::string data_;
  std::vector<std::pair<size_t, Clock::time_point>> arrivals_;
};

long Ms(Clock::time_point a, Clock::time_point b) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count());
}

class BrokerProcess : public ::testing::Test {
 protected:
  // Starts the broker with a scenario text (none when empty).
  void StartBroker(const std::string& scenario, const std::vector<std::string>& args = {}) {
    std::string file;
    if (!scenario.empty()) {
      file = dir_.File("scenario.txt");
      testsupport::WriteFile(file, scenario);
    }
    ASSERT_TRUE(broker_.Start(file, dir_.File("record.txt"), args)) << broker_.Log();
  }
  std::string Records() const { return testsupport::ReadFile(dir_.File("record.txt")); }
  bool WaitRecord(const std::string& text) { return wholeprogram::WaitForLine(dir_.File("record.txt"), text, 5000); }

  testsupport::TempDir dir_;
  ScriptedBroker broker_;
};

}  // namespace

TEST_F(BrokerProcess, RecordsTheExactBytesOfEachLine) {
  StartBroker("");
  {
    TestClient c(broker_.Port());
    ASSERT_TRUE(c.Connected());
    c.Send("register ND running\r\n");
    c.Send("notify trk IPC.vs \rnotify R.00 R.a00 \r");
    c.Send(std::string("odd \\ \x01\xB0", 8));
    ASSERT_TRUE(WaitRecord("client1 notify R.00"));
  }
  ASSERT_TRUE(WaitRecord("event client1 closed"));
  EXPECT_EQ(broker_.ClientRecords(1), (std::vector<std::string>{"register ND running\r\n", "notify trk IPC.vs \r",
                                                                 "notify R.00 R.a00 \r", "odd \\ \x01\xB0"}));
  EXPECT_NE(Records().find("client1 register ND running\\r\\n\n"), std::string::npos);
  EXPECT_NE(Records().find("client1 notify trk IPC.vs \\r\n"), std::string::npos);
  EXPECT_NE(Records().find("client1 odd \\\\ \\x01\\xB0\n"), std::string::npos);
  EXPECT_EQ(Records().rfind("event client1 connected\n", 0), 0u);
}

TEST_F(BrokerProcess, PlaysTheScenarioInOrderAfterRegistration) {
  StartBroker(
      "+0 Connected\n"
      "+300 IPC.vs -1200\n"
      "+0 @raw IPC.bank 12.5\\r\n"
      "+200 @fill 3 ab\n"
      "+0 @close\n");
  TestClient c(broker_.Port());
  ASSERT_TRUE(c.Connected());
  EXPECT_EQ(c.ReadUntil("C", 200), "");  // nothing before the register line
  auto registered = Clock::now();
  c.Send("register Lunavex running\r\n");
  const std::string& got = c.ReadUntilClosed(10000);
  EXPECT_TRUE(c.PeerClosed());
  EXPECT_EQ(got, "Connected\r\nIPC.vs -1200\r\nIPC.bank 12.5\rababab");
  // Delays count from the register line; a little early never, late within reason.
  long second = Ms(registered, c.ArrivalOf(got.find("IPC.vs")));
  long fill = Ms(registered, c.ArrivalOf(got.find("abab")));
  EXPECT_GE(second, 290);
  EXPECT_GE(fill, 490);
  EXPECT_LT(fill, wholeprogram::Scaled(5000));
  EXPECT_LE(c.ArrivalOf(got.find("IPC.bank")), c.ArrivalOf(got.find("abab")));
  ASSERT_TRUE(WaitRecord("event client1 closed"));
}

TEST_F(BrokerProcess, StartOnConnectNeedsNoRegisterLine) {
  StartBroker("+0 hello\n", {"--start-on", "connect"});
  TestClient c(broker_.Port());
  EXPECT_EQ(c.ReadUntil("hello\r\n", 5000), "hello\r\n");
}

TEST_F(BrokerProcess, ShutdownAfterSendsTheNoticeClosesAndExits) {
  StartBroker("", {"--shutdown-after", "0.5"});
  TestClient registered(broker_.Port()), silent(broker_.Port());
  registered.Send("register ND running\r\n");
  EXPECT_EQ(registered.ReadUntilClosed(10000), "Broker is shutting down\r\n");
  EXPECT_TRUE(registered.PeerClosed());
  EXPECT_EQ(silent.ReadUntilClosed(10000), "Broker is shutting down\r\n");
  auto status = broker_.Process().Wait(10000);
  EXPECT_TRUE(status.exited);
  EXPECT_EQ(status.code, 0);
  EXPECT_EQ(wholeprogram::CountLines(broker_.RecordFile(), "closed"), 2);
}

TEST_F(BrokerProcess, ShutdownStepSendsTheNoticeOnly) {
  StartBroker("+0 @shutdown\n+100 still here\n");
  TestClient c(broker_.Port());
  c.Send("register ND running\r\n");
  EXPECT_EQ(c.ReadUntil("here\r\n", 5000), "Broker is shutting down\r\nstill here\r\n");
  EXPECT_FALSE(c.PeerClosed());
}

TEST_F(BrokerProcess, EveryClientGetsItsOwnPlayback) {
  StartBroker("+0 hello\n+100 bye\n+0 @close\n");
  TestClient a(broker_.Port()), b(broker_.Port()), c(broker_.Port());
  ASSERT_TRUE(a.Connected() && b.Connected() && c.Connected());
  ASSERT_TRUE(WaitRecord("event client3 connected"));
  c.Send("register c3\r\n");
  a.Send("register c1\r\n");
  EXPECT_EQ(c.ReadUntilClosed(5000), "hello\r\nbye\r\n");
  EXPECT_EQ(b.ReadUntil("hello", 200), "");  // b has not registered
  b.Send("register c2\r\n");
  EXPECT_EQ(b.ReadUntilClosed(5000), "hello\r\nbye\r\n");
  EXPECT_EQ(a.ReadUntilClosed(5000), "hello\r\nbye\r\n");
  ASSERT_TRUE(WaitRecord("event client2 closed"));
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(broker_.ClientRecords(i), (std::vector<std::string>{"register c" + std::to_string(i) + "\r\n"}));
}

TEST_F(BrokerProcess, AVanishingClientLeavesTheOthersServed) {
  StartBroker("", {"--demo"});
  {
    TestClient gone(broker_.Port());
    gone.Send("register ND running\r\n");
    EXPECT_NE(gone.ReadUntil("IPC.ias", 5000).find("IPC.ias"), std::string::npos);
    gone.Abort();
  }
  ASSERT_TRUE(WaitRecord("event client1 closed"));
  TestClient next(broker_.Port());
  next.Send("register Lunavex running\r\n");
  // The demo goes on: frames keep coming, with the standby variables.
  const std::string& got = next.ReadUntil("tcas {", 5000);
  EXPECT_NE(got.find("IPC.pitch "), std::string::npos);
  EXPECT_NE(got.find(" altim "), std::string::npos);
  EXPECT_TRUE(broker_.Process().Running());
  EXPECT_EQ(broker_.Stop().code, 0);
}

TEST_F(BrokerProcess, AClientThatStopsReadingIsDropped) {
  StartBroker("+0 @fill 1048576 0123456789abcdef\n+0 @fill 1048576 0123456789abcdef\n"
              "+0 @fill 1048576 0123456789abcdef\n+0 @fill 1048576 0123456789abcdef\n");
  TestClient slow(broker_.Port());
  slow.Send("register ND running\r\n");
  ASSERT_TRUE(WaitRecord("event client1 closed"));
  EXPECT_NE(broker_.Log().find("client 1 does not read; dropped"), std::string::npos);
  TestClient next(broker_.Port());  // still accepting
  EXPECT_TRUE(next.Connected());
  EXPECT_TRUE(broker_.Process().Running());
}

TEST_F(BrokerProcess, BadScenarioOrOptionIsRefused) {
  testsupport::WriteFile(dir_.File("bad.txt"), "+0 fine\n+1 @nonsense\n");
  wholeprogram::ScriptedBroker bad;
  EXPECT_FALSE(bad.Start(dir_.File("bad.txt"), dir_.File("r.txt")));
  auto status = bad.Process().Wait(5000);
  EXPECT_EQ(status.code, 2);
  EXPECT_NE(bad.Log().find("line 2: unknown directive @nonsense"), std::string::npos);

  wholeprogram::ScriptedBroker wrong;
  EXPECT_FALSE(wrong.Start("", dir_.File("r.txt"), {"--shutdown-after", "soon"}));
  EXPECT_EQ(wrong.Process().Wait(5000).code, 2);
}

TEST_F(BrokerProcess, SigtermEndsItCleanly) {
  StartBroker("");
  TestClient c(broker_.Port());
  c.Send("register ND running\r\n");
  ASSERT_TRUE(WaitRecord("client1 register"));
  auto status = broker_.Stop();
  EXPECT_TRUE(status.exited);
  EXPECT_EQ(status.code, 0);
  EXPECT_FALSE(status.timedOut);
  EXPECT_EQ(c.ReadUntilClosed(5000), "");
  EXPECT_TRUE(c.PeerClosed());
  EXPECT_NE(Records().find("event client1 closed"), std::string::npos);
}
