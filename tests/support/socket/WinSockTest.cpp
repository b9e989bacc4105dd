// The WinSock-shaped layer: error codes, start-up, name look-ups, sends
// without SIGPIPE, and notices that fire once and re-arm as WinSock's do.
#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "platform/WinSock.h"
#include "platform/WinSockNotices.h"
#include "tests/support/socket/TestPeer.h"

namespace {

using namespace platform;
using sockettest::Listener;
using sockettest::PumpFor;
using sockettest::PumpUntil;

// Keeps the layer started for the test.
struct Started {
  Started() {
    WSAData data;
    EXPECT_EQ(WSAStartup(0x0101, &data), 0);
    EXPECT_EQ(data.wVersion, 0x0101);
  }
  ~Started() { WSACleanup(); }
};

TEST(WinSockLayer, ErrnoTableGivesWinSockCodes) {
  EXPECT_EQ(WSAErrorFromErrno(0), 0);
  EXPECT_EQ(WSAErrorFromErrno(EINPROGRESS), WSAEWOULDBLOCK);
  EXPECT_EQ(WSAErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(WSAErrorFromErrno(EPIPE), WSAECONNRESET);
  EXPECT_EQ(WSAErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(WSAErrorFromErrno(ECONNABORTED), 10053);
  EXPECT_EQ(WSAErrorFromErrno(EBADF), 10038);
  EXPECT_EQ(WSAErrorFromErrno(ENOTSOCK), 10038);
  EXPECT_EQ(WSAErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(WSAErrorFromErrno(ENOTCONN), 10057);
  EXPECT_EQ(WSAErrorFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(WSAErrorFromErrno(EADDRINUSE), 10048);
  EXPECT_EQ(WSAErrorFromErrno(EHOSTUNREACH), 10065);
  // No errno becomes 10000 + errno.
  EXPECT_EQ(WSAErrorFromErrno(ENOENT), WSASYSCALLFAILURE);
  EXPECT_EQ(WSAErrorFromErrno(EIO), WSASYSCALLFAILURE);
}

TEST(WinSockLayer, CallsNeedStartUpAndCountIt) {
  if (!WinsockStarted()) {
    EXPECT_EQ(platform::socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  }
  {
    Started outer;
    {
      Started inner;
    }
    EXPECT_TRUE(WinsockStarted());
    const SOCKET s = platform::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(closesocket(s), 0);
    EXPECT_EQ(closesocket(s), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  }
  WSAData data;
  EXPECT_EQ(WSAStartup(0x0000, &data), WSAVERNOTSUPPORTED);
}

TEST(WinSockLayer, NameLookUps) {
  Started started;
  const protoent* tcp = platform::getprotobyname("tcp");
  ASSERT_NE(tcp, nullptr);
  EXPECT_EQ(tcp->p_proto, 6);
  const protoent* udp = platform::getprotobyname("udp");
  ASSERT_NE(udp, nullptr);
  EXPECT_EQ(udp->p_proto, 17);
  EXPECT_EQ(platform::getprotobyname("nosuchproto"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
  EXPECT_EQ(platform::getservbyname("nosuchservice", "tcp"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
  // The reserved "invalid" domain is never looked up.
  EXPECT_EQ(platform::gethostbyname("broker.invalid"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
  EXPECT_EQ(platform::gethostbyname("INVALID."), nullptr);
  EXPECT_EQ(platform::inet_addr("127.0.0.1"), htonl(INADDR_LOOPBACK));
  EXPECT_EQ(platform::inet_addr("1.2.3.x"), INADDR_NONE);
  in_addr a{};
  a.s_addr = htonl(0x0A000102);
  EXPECT_STREQ(platform::inet_ntoa(a), "10.0.1.2");
}

TEST(WinSockLayer, SendToVanishedPeerIsLostConnectionWithoutSignal) {
  std::signal(SIGPIPE, SIG_DFL);  // a SIGPIPE would end the test process
  Started started;
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
  ::close(pair[1]);
  const char data[] = "IPC.pitch 1.5\r\n";
  EXPECT_EQ(platform::send(pair[0], data, sizeof data - 1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  EXPECT_EQ(platform::send(pair[0], data, -1, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
  ::close(pair[0]);
}

TEST(NoticeWindow, DeliversInOrderAndDropsMessagesOfDestroyedWindows) {
  std::vector<std::string> got;
  NoticeWindow a([&](unsigned msg, std::uintptr_t w, std::intptr_t l) {
    got.push_back("a" + std::to_string(msg) + "/" + std::to_string(w) + "/" + std::to_string(l));
  });
  auto b = std::make_unique<NoticeWindow>([&](unsigned msg, std::uintptr_t, std::intptr_t) {
    got.push_back("b" + std::to_string(msg));
  });
  const WindowHandle deadHandle = b->Handle();
  EXPECT_TRUE(PostMessage(a.Handle(), WM_USER + 1, 5, 6));
  EXPECT_TRUE(PostMessage(b->Handle(), WM_USER + 2, 0, 0));
  EXPECT_TRUE(PostMessage(a.Handle(), WM_USER + 3, 7, -1));
  EXPECT_EQ(QueuedMessageCount(), 3u);
  b.reset();
  EXPECT_EQ(QueuedMessageCount(), 2u);
  EXPECT_FALSE(PostMessage(deadHandle, WM_USER, 0, 0));
  EXPECT_TRUE(PumpUntil([&] { return got.size() >= 2; }));
  EXPECT_EQ(got, (std::vector<std::string>{"a1025/5/6", "a1027/7/-1"}));
  EXPECT_TRUE(PostMessage(a.Handle(), WM_USER + 1, 9, 0));
  CancelMessages(a.Handle(), WM_USER + 1, 9);
  EXPECT_EQ(QueuedMessageCount(), 0u);
}

// Records the notices of one socket.
struct NoticeLog {
  std::vector<std::pair<unsigned, unsigned>> notices;  // event, error
  NoticeWindow window{[this](unsigned, std::uintptr_t, std::intptr_t l) {
    notices.emplace_back(WSAGETSELECTEVENT(l), WSAGETSELECTERROR(l));
  }};
  int Count(long event) const {
    int n = 0;
    for (const auto& [e, err] : notices) n += e == static_cast<unsigned>(event) ? 1 : 0;
    return n;
  }
};

SOCKET ConnectTo(std::uint16_t port, NoticeLog& log) {
  const SOCKET s = platform::socket(AF_INET, SOCK_STREAM, 0);
  EXPECT_EQ(WSAAsyncSelect(s, log.window.Handle(), WM_USER + 1, FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE), 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int rc = platform::connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a);
  // Never a refusal at once: that comes as the connect notice.
  EXPECT_TRUE(rc == 0 || WSAGetLastError() == WSAEWOULDBLOCK);
  return s;
}

TEST(WinSockNotices, FireOnceAndReArmLikeWinSock) {
  Started started;
  Listener listener;
  NoticeLog log;
  const SOCKET s = ConnectTo(listener.Port(), log);
  const int peer = listener.Accept();
  ASSERT_GE(peer, 0);

  // Connect once, then write once.
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_WRITE) == 1; }));
  ASSERT_GE(log.notices.size(), 2u);
  EXPECT_EQ(log.notices[0], std::make_pair(unsigned(FD_CONNECT), 0u));
  EXPECT_EQ(log.notices[1], std::make_pair(unsigned(FD_WRITE), 0u));
  PumpFor(0.1);
  EXPECT_EQ(log.notices.size(), 2u);

  // Read: once for data waiting, not again until a receive.
  ASSERT_TRUE(sockettest::WriteAll(peer, "0123456789"));
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_READ) == 1; }));
  ASSERT_TRUE(sockettest::WriteAll(peer, "abcdefghij"));
  PumpFor(0.1);
  EXPECT_EQ(log.Count(FD_READ), 1);
  char buf[64];
  EXPECT_EQ(platform::recv(s, buf, 5, 0), 5);  // data remains: read re-armed
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_READ) == 2; }));
  unsigned long waiting = 0;
  EXPECT_EQ(ioctlsocket(s, FIONREAD, &waiting), 0);
  EXPECT_EQ(waiting, 15u);
  EXPECT_EQ(platform::recv(s, buf, sizeof buf, 0), 15);
  EXPECT_EQ(platform::recv(s, buf, sizeof buf, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
  PumpFor(0.1);
  EXPECT_EQ(log.Count(FD_READ), 2);

  // Write: re-armed by a send that would block, fired once room is back.
  const std::string block(65536, 'x');
  int total = 0;
  for (int i = 0; i < 10000; ++i) {
    const int n = platform::send(s, block.data(), static_cast<int>(block.size()), 0);
    if (n == SOCKET_ERROR) {
      EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
      break;
    }
    total += n;
  }
  PumpFor(0.1);
  EXPECT_EQ(log.Count(FD_WRITE), 1);
  EXPECT_EQ(sockettest::ReadExactly(peer, static_cast<std::size_t>(total)).size(), static_cast<std::size_t>(total));
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_WRITE) == 2; }));

  // Close: once.
  ::close(peer);
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_CLOSE) == 1; }));
  PumpFor(0.1);
  EXPECT_EQ(log.Count(FD_CLOSE), 1);
  EXPECT_EQ(closesocket(s), 0);
}

TEST(WinSockNotices, RefusedConnectIsOneConnectNoticeWithTheError) {
  Started started;
  sockettest::ClosedPort closed;
  NoticeLog log;
  const SOCKET s = ConnectTo(closed.Port(), log);
  ASSERT_TRUE(PumpUntil([&] { return !log.notices.empty(); }));
  PumpFor(0.1);
  ASSERT_EQ(log.notices.size(), 1u);
  EXPECT_EQ(log.notices[0], std::make_pair(unsigned(FD_CONNECT), unsigned(WSAECONNREFUSED)));
  EXPECT_EQ(closesocket(s), 0);
}

TEST(WinSockNotices, ClosingDropsQueuedNoticesAndWatches) {
  Started started;
  Listener listener;
  NoticeLog log;
  const SOCKET s = ConnectTo(listener.Port(), log);
  const int peer = listener.Accept();
  ASSERT_TRUE(PumpUntil([&] { return log.Count(FD_WRITE) == 1; }));
  ASSERT_TRUE(sockettest::WriteAll(peer, "data"));
  ::close(peer);
  // Let the descriptor watch post its notices without delivering them.
  for (int i = 0; i < 100 && QueuedMessageCount() < 1; ++i) Fl::wait(0.05);
  ASSERT_GE(QueuedMessageCount(), 1u);
  const std::size_t before = log.notices.size();
  EXPECT_EQ(closesocket(s), 0);
  EXPECT_EQ(QueuedMessageCount(), 0u);
  PumpFor(0.1);
  EXPECT_EQ(log.notices.size(), before);
}

}  // namespace
