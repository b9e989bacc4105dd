// The socket component against loopback peers: connect, events and states,
// data both ways, queued sends, refused connects, closes from either side,
// lost connections, errors, queued notices at destruction, handler
// exceptions and descriptor leaks.
#include <FL/Fl.H>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/socket/WSocket.h"
#include "tests/support/socket/TestPeer.h"

namespace {

using sockettest::Listener;
using sockettest::PumpFor;
using sockettest::PumpUntil;

const char* StateName(TSocketState s) {
  switch (s) {
    case wsInvalidState:
      return "Invalid";
    case wsOpened:
      return "Opened";
    case wsBound:
      return "Bound";
    case wsConnecting:
      return "Connecting";
    case wsConnected:
      return "Connected";
    case wsAccepting:
      return "Accepting";
    case wsListening:
      return "Listening";
    case wsClosed:
      return "Closed";
  }
  return "?";
}

// Records the events of a component in order.
struct Recorder {
  std::vector<std::string> events;
  std::string received;
  int readSize = 4096;  // most bytes taken per OnDataAvailable call
  long long sentBytes = 0;
  int sendCalls = 0;
  int largestSend = 0;

  void Attach(TCustomWSocket& s, bool withErrorHandler = true) {
    s.OnChangeState = [this](TCustomWSocket&, TSocketState o, TSocketState n) {
      events.push_back(std::string("state ") + StateName(o) + ">" + StateName(n));
    };
    s.OnSessionConnected = [this](TCustomWSocket&, std::uint16_t e) { events.push_back("connected " + std::to_string(e)); };
    s.OnSessionClosed = [this](TCustomWSocket&, std::uint16_t e) { events.push_back("closed " + std::to_string(e)); };
    s.OnDataSent = [this](TCustomWSocket&, std::uint16_t e) { events.push_back("sent " + std::to_string(e)); };
    s.OnSendData = [this](TCustomWSocket&, std::int32_t n) {
      sentBytes += n;
      ++sendCalls;
      largestSend = std::max(largestSend, n);
    };
    s.OnDataAvailable = [this](TCustomWSocket& sock, std::uint16_t) {
      std::vector<char> buf(static_cast<std::size_t>(readSize));
      const int n = sock.Receive(buf.data(), readSize);
      if (n > 0) {
        received.append(buf.data(), static_cast<std::size_t>(n));
        if (events.empty() || events.back() != "data") events.push_back("data");
      }
    };
    if (withErrorHandler) {
      s.OnError = [this](TCustomWSocket& sock) { events.push_back("error " + sock.LastErrorMessage()); };
    }
  }
  void Detach(TCustomWSocket& s) {
    s.OnChangeState = nullptr;
    s.OnSessionConnected = nullptr;
    s.OnSessionClosed = nullptr;
    s.OnDataSent = nullptr;
    s.OnSendData = nullptr;
    s.OnDataAvailable = nullptr;
    s.OnError = nullptr;
  }
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& e : events) n += e.rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
  }
  bool Has(const std::string& event) const {
    for (const auto& e : events) {
      if (e == event) return true;
    }
    return false;
  }
};

// Exposes the send queue and the socket handle.
class Probe : public TWSocket {
 public:
  using TCustomWSocket::SendQueue;
  platform::SOCKET Handle() const { return socket_; }
};

class WSocketTest : public ::testing::Test {
 protected:
  void SetUp() override { std::signal(SIGPIPE, SIG_DFL); }  // a SIGPIPE ends the test process

  static void Aim(TCustomWSocket& s, const std::string& port, const std::string& addr = "127.0.0.1") {
    s.SetProto("tcp");
    s.SetPort(port);
    s.SetAddr(addr);
  }

  // Connects s to listener; returns the peer's end.
  static int ConnectPair(TCustomWSocket& s, const Listener& listener) {
    Aim(s, listener.PortText());
    s.Connect();
    const int peer = listener.Accept();
    EXPECT_GE(peer, 0);
    EXPECT_TRUE(PumpUntil([&] { return s.State() == wsConnected; }));
    return peer;
  }
};

std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 7 + i / 251) % 256);
  return data;
}

TEST_F(WSocketTest, ConnectFiresEventsInOrderAndCarriesDataBothWays) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  EXPECT_EQ(s.State(), wsClosed);
  Aim(s, listener.PortText());
  s.Connect();
  EXPECT_EQ(s.State(), wsConnecting);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"state Closed>Opened", "state Opened>Connecting"}));
  const int peer = listener.Accept();
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(PumpUntil([&] { return rec.Has("sent 0"); }));
  EXPECT_EQ(rec.events, (std::vector<std::string>{"state Closed>Opened", "state Opened>Connecting",
                                                  "state Connecting>Connected", "connected 0", "sent 0"}));
  EXPECT_EQ(s.State(), wsConnected);

  // Client to peer, sent as it stands.
  const std::string hello = "register ND running\r\nnotify IPC.pitch IPC.bank\r\n";
  EXPECT_EQ(s.SendText(hello), static_cast<int>(hello.size()));
  EXPECT_EQ(sockettest::ReadExactly(peer, hello.size()), hello);
  EXPECT_EQ(s.SendText(""), 0);

  // Peer to client.
  const std::string lines = "IPC.pitch 1.5\r\nIPC.bank -3.25\r\n";
  ASSERT_TRUE(sockettest::WriteAll(peer, lines));
  ASSERT_TRUE(PumpUntil([&] { return rec.received.size() >= lines.size(); }));
  EXPECT_EQ(rec.received, lines);
  EXPECT_EQ(s.ReadCount(), static_cast<int>(lines.size()));

  // Nothing waiting: Receive never waits.
  char buf[16];
  EXPECT_EQ(s.Receive(buf, sizeof buf), -1);
  EXPECT_EQ(s.LastError(), platform::WSAEWOULDBLOCK);

  // Addr cannot change while open; the same text is no change at all.
  s.SetAddr("127.0.0.1");
  EXPECT_EQ(rec.Count("error"), 0);
  s.SetAddr("127.0.0.2");
  EXPECT_TRUE(rec.Has("error Cannot change Addr if not closed"));
  EXPECT_EQ(s.Addr(), "127.0.0.1");

  rec.events.clear();
  s.Close();
  EXPECT_EQ(rec.events, (std::vector<std::string>{"state Connected>Closed", "closed 0"}));
  EXPECT_EQ(s.State(), wsClosed);
  EXPECT_EQ(s.Proto(), "tcp");
  sockettest::ReadToEnd(peer);
  ::close(peer);
  PumpFor(0.1);
  EXPECT_EQ(rec.Count("closed"), 1);

  // Every close forgets Addr and Port.
  s.Connect();
  EXPECT_EQ(rec.events.back(), "error Connect: No Port Specified");
  s.SetPort(listener.PortText());
  s.Connect();
  EXPECT_EQ(rec.events.back(), "error Connect: No IP Address Specified");
  EXPECT_EQ(s.State(), wsClosed);
}

TEST_F(WSocketTest, LargeSendIsQueuedInChunksAndFullyDeliveredToASlowReader) {
  Listener listener(4096);
  Recorder rec;
  Probe s;
  rec.Attach(s);
  const int peer = ConnectPair(s, listener);
  ASSERT_TRUE(PumpUntil([&] { return rec.Has("sent 0"); }));
  rec.events.clear();

  const std::string payload = Pattern(8 * 1024 * 1024);
  std::string got;
  std::atomic<bool> done{false};
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the socket fills up first
    constexpr std::size_t kPiece = 1000;
    while (got.size() < payload.size()) {
      const std::string piece = sockettest::ReadExactly(peer, std::min(kPiece, payload.size() - got.size()));
      if (piece.empty()) break;
      got += piece;
    }
    done = true;
  });
  EXPECT_EQ(s.Send(payload.data(), static_cast<int>(payload.size())), static_cast<int>(payload.size()));
  // The socket took only part of it; the rest waits in the queue.
  EXPECT_LT(rec.sentBytes, static_cast<long long>(payload.size()));
  EXPECT_GT(s.SendQueue().size(), 1u);
  EXPECT_EQ(rec.Count("sent"), 0);
  ASSERT_TRUE(PumpUntil([&] { return done.load() && rec.Has("sent 0"); }, 60.0));
  reader.join();
  EXPECT_EQ(got.size(), payload.size());
  EXPECT_TRUE(got == payload) << "bytes lost or out of order";
  EXPECT_EQ(rec.sentBytes, static_cast<long long>(payload.size()));
  EXPECT_LE(rec.largestSend, 1460);
  EXPECT_GE(rec.sendCalls, static_cast<int>(payload.size() / 1460));
  EXPECT_EQ(s.SendQueue().size(), 1u);  // the last chunk stays for reuse
  EXPECT_EQ(s.SendQueue().front()->PeekData().length, 0);
  EXPECT_EQ(rec.Count("closed"), 0);
  EXPECT_EQ(rec.Count("error"), 0);
  s.Close();
  ::close(peer);
}

TEST_F(WSocketTest, RefusedConnectReportsThroughTheSessionEventsOnly) {
  sockettest::ClosedPort closed;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  Aim(s, closed.PortText());
  s.Connect();
  EXPECT_EQ(s.State(), wsConnecting);
  ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
  PumpFor(0.1);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"state Closed>Opened", "state Opened>Connecting",
                                                  "state Connecting>Connected", "connected 10061",
                                                  "state Connected>Closed", "closed 0"}));
  EXPECT_EQ(s.State(), wsClosed);
}

TEST_F(WSocketTest, PeerCloseDeliversPendingDataFirstAndClosesOnce) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  rec.readSize = 5;  // several handler calls per notice
  std::size_t receivedAtClose = 0;
  s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t e) {
    rec.events.push_back("closed " + std::to_string(e));
    receivedAtClose = rec.received.size();
  };
  const int peer = ConnectPair(s, listener);
  const std::string text = "IPC.ias 250\nIPC.dalt 1200\nBroker is shutting down\r\n";
  ASSERT_TRUE(sockettest::WriteAll(peer, text));
  ::close(peer);
  ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
  PumpFor(0.1);
  EXPECT_EQ(rec.received, text);
  EXPECT_EQ(receivedAtClose, text.size());
  EXPECT_EQ(rec.Count("closed"), 1);
  EXPECT_TRUE(rec.Has("closed 0"));
  EXPECT_EQ(rec.Count("error"), 0);
  EXPECT_EQ(rec.events.back(), "state Connected>Closed");
}

TEST_F(WSocketTest, PeerVanishingDuringASendClosesWithoutSignalOrError) {
  Listener listener(4096);
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  const int peer = ConnectPair(s, listener);
  std::thread vanisher([&] {
    sockettest::ReadExactly(peer, 64 * 1024);
    sockettest::CloseWithReset(peer);
  });
  const std::string payload = Pattern(16 * 1024 * 1024);
  EXPECT_EQ(s.Send(payload.data(), static_cast<int>(payload.size())), static_cast<int>(payload.size()));
  ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }, 30.0));
  vanisher.join();
  PumpFor(0.1);
  EXPECT_EQ(rec.Count("closed"), 1);
  EXPECT_TRUE(rec.Has("closed 10054") || rec.Has("closed 10053")) << ::testing::PrintToString(rec.events);
  EXPECT_EQ(rec.Count("error"), 0);
  EXPECT_LT(rec.sentBytes, static_cast<long long>(payload.size()));
}

struct ResolutionCase {
  std::string addr, port, proto, message;
};

class WSocketResolutionTest : public WSocketTest, public ::testing::WithParamInterface<ResolutionCase> {};

TEST_P(WSocketResolutionTest, ErrorTextGoesToOnErrorOrIsThrown) {
  const ResolutionCase& c = GetParam();
  const int descriptors = sockettest::OpenDescriptorCount();
  {
    TWSocket s;
    int errors = 0;
    std::string message;
    s.OnError = [&](TCustomWSocket& sock) {
      ++errors;
      message = sock.LastErrorMessage();
    };
    s.SetProto(c.proto);
    s.SetPort(c.port);
    s.SetAddr(c.addr);
    s.Connect();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(s.LastError(), 0);  // not a failing socket call
    EXPECT_EQ(s.State(), wsClosed);
  }
  {
    TWSocket s;
    s.SetProto(c.proto);
    s.SetPort(c.port);
    s.SetAddr(c.addr);
    try {
      s.Connect();
      ADD_FAILURE() << "no exception";
    } catch (const ESocketException& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
    EXPECT_EQ(s.State(), wsClosed);
  }
  EXPECT_EQ(sockettest::OpenDescriptorCount(), descriptors);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WSocketResolutionTest,
    ::testing::Values(
        ResolutionCase{"broker.invalid", "1863", "tcp",
                       "connect: WSocketResolveHost: Cannot convert host address 'broker.invalid', Error #11001"},
        ResolutionCase{"1.2.3.4x", "1863", "tcp", "connect: WSocketResolveHost: '1.2.3.4x' Invalid IP address."},
        ResolutionCase{"127.0.0.1", "nosuchservice", "tcp",
                       "connect: WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004"},
        ResolutionCase{"127.0.0.1", std::string(32, '9'), "tcp", "connect: WSocketResolvePort: Invalid Port."},
        ResolutionCase{"127.0.0.1", "1863", "nosuchproto",
                       "connect: WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004"},
        ResolutionCase{"127.0.0.1", "1863", std::string(32, 'p'), "connect: WSocketResolveProto: Invalid Protocol."}));

TEST_F(WSocketTest, SendWhileConnectingReportsNotConnectedAndCloses) {
  Listener listener;
  Recorder rec;
  Probe s;
  rec.Attach(s);
  Aim(s, listener.PortText());
  s.Connect();
  ASSERT_EQ(s.State(), wsConnecting);
  rec.events.clear();
  EXPECT_EQ(s.SendText("register ND running\r\n"), -1);
  EXPECT_EQ(rec.events, (std::vector<std::string>{"closed 10057", "state Connecting>Closed",
                                                  "error Error 10057 in function Send\r\nSocket is not connected"}));
  EXPECT_EQ(s.LastError(), 10057);
  EXPECT_EQ(s.Handle(), platform::INVALID_SOCKET);
  PumpFor(0.1);
  EXPECT_EQ(rec.events.size(), 3u);

  // Without OnError the same text is thrown.
  TWSocket t;
  Aim(t, listener.PortText());
  t.Connect();
  try {
    t.SendText("x");
    ADD_FAILURE() << "no exception";
  } catch (const ESocketException& e) {
    EXPECT_EQ(std::string(e.what()), "Error 10057 in function Send\r\nSocket is not connected");
  }
}

TEST_F(WSocketTest, FailedConnectAfterTheSocketExistsClosesIt) {
  Listener listener;
  const int descriptors = sockettest::OpenDescriptorCount();
  Recorder rec;
  Probe s;
  rec.Attach(s);
  s.SetLocalAddr("192.0.2.1");  // not an address of this machine: bind fails
  Aim(s, listener.PortText());
  s.Connect();
  EXPECT_TRUE(rec.Has("error winsock.bind failed, error #10049")) << ::testing::PrintToString(rec.events);
  EXPECT_EQ(s.State(), wsClosed);
  EXPECT_EQ(s.Handle(), platform::INVALID_SOCKET);
  EXPECT_EQ(sockettest::OpenDescriptorCount(), descriptors);
  // The next connect starts afresh.
  rec.events.clear();
  const int peer = ConnectPair(s, listener);
  EXPECT_EQ(rec.Count("error"), 0);
  EXPECT_EQ(s.State(), wsConnected);
  s.Close();
  ::close(peer);
}

TEST_F(WSocketTest, DestroyingWithNoticesQueuedDeliversNoneOfThem) {
  Listener listener;
  Recorder rec;
  auto s = std::make_unique<TWSocket>();
  rec.Attach(*s);
  const int peer = ConnectPair(*s, listener);
  ASSERT_TRUE(PumpUntil([&] { return rec.Has("sent 0"); }));
  ASSERT_EQ(platform::QueuedMessageCount(), 0u);
  // Data and the peer's close are posted by the descriptor watch; the event
  // loop delivers posted notices one round later.
  ASSERT_TRUE(sockettest::WriteAll(peer, "IPC.pitch 2\r\n"));
  ::close(peer);
  for (int i = 0; i < 100 && platform::QueuedMessageCount() < 1; ++i) Fl::wait(0.05);
  EXPECT_EQ(s->SendText("x"), 1);  // queues a write notice too
  ASSERT_GE(platform::QueuedMessageCount(), 2u);
  rec.events.clear();
  s.reset();
  EXPECT_EQ(platform::QueuedMessageCount(), 0u);
  PumpFor(0.2);
  // Only the close's state change, none of the queued notices.
  EXPECT_EQ(rec.events, (std::vector<std::string>{"state Connected>Closed"}));
  EXPECT_EQ(rec.received, "");
}

TEST_F(WSocketTest, CloseDropsTheNoticesOfTheClosedSocket) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  const int peer = ConnectPair(s, listener);
  ASSERT_TRUE(PumpUntil([&] { return rec.Has("sent 0"); }));
  ASSERT_TRUE(sockettest::WriteAll(peer, "IPC.bank 1\r\n"));
  for (int i = 0; i < 100 && platform::QueuedMessageCount() < 1; ++i) Fl::wait(0.05);
  ASSERT_GE(platform::QueuedMessageCount(), 1u);
  s.Close();
  EXPECT_EQ(platform::QueuedMessageCount(), 0u);
  // A new connection, likely on the same descriptor number, sees nothing of
  // the old one.
  rec.events.clear();
  rec.received.clear();
  const int peer2 = ConnectPair(s, listener);
  PumpFor(0.1);
  EXPECT_EQ(rec.received, "");
  EXPECT_EQ(rec.Count("closed"), 0);
  ::close(peer);
  ::close(peer2);
}

TEST_F(WSocketTest, ExceptionFromDataHandlerIsDroppedAndConnectionStays) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  int calls = 0;
  int bgExceptions = 0;
  s.OnBgException = [&](TCustomWSocket&, const std::exception&, bool&) { ++bgExceptions; };
  s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
    char buf[256];
    const int n = sock.Receive(buf, sizeof buf);
    if (n > 0) rec.received.append(buf, static_cast<std::size_t>(n));
    ++calls;
    if (calls == 1) throw std::runtime_error("parser failed");
    if (calls == 2) throw 42;  // not even a standard exception
  };
  const int peer = ConnectPair(s, listener);
  ASSERT_TRUE(sockettest::WriteAll(peer, "one\n"));
  ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
  ASSERT_TRUE(sockettest::WriteAll(peer, "two\n"));
  ASSERT_TRUE(PumpUntil([&] { return calls == 2; }));
  ASSERT_TRUE(sockettest::WriteAll(peer, "three\n"));
  ASSERT_TRUE(PumpUntil([&] { return rec.received == "one\ntwo\nthree\n"; }));
  EXPECT_EQ(s.State(), wsConnected);
  EXPECT_EQ(bgExceptions, 0);
  EXPECT_EQ(rec.Count("closed"), 0);
  // Sending still works.
  EXPECT_EQ(s.SendText("ok\n"), 3);
  EXPECT_EQ(sockettest::ReadExactly(peer, 3), "ok\n");
  s.Close();
  ::close(peer);
}

TEST_F(WSocketTest, ExceptionFromAnotherHandlerAbortsTheConnection) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  int bgExceptions = 0;
  std::string bgMessage;
  s.OnBgException = [&](TCustomWSocket&, const std::exception& e, bool& canClose) {
    ++bgExceptions;
    bgMessage = e.what();
    EXPECT_TRUE(canClose);
  };
  s.OnSessionConnected = [](TCustomWSocket&, std::uint16_t) { throw std::runtime_error("handler failed"); };
  Aim(s, listener.PortText());
  s.Connect();
  const int peer = listener.Accept();
  ASSERT_TRUE(PumpUntil([&] { return bgExceptions == 1; }));
  EXPECT_EQ(bgMessage, "handler failed");
  EXPECT_EQ(s.State(), wsClosed);
  EXPECT_EQ(rec.Count("closed"), 1);
  ::close(peer);
}

TEST_F(WSocketTest, ReceiveLoopEndsWhenTheHandlerTakesNothing) {
  Listener listener;
  Recorder rec;
  TWSocket s;
  rec.Attach(s);
  int calls = 0;
  s.OnDataAvailable = [&](TCustomWSocket& sock, std::uint16_t) {
    ++calls;
    if (calls > 100) {  // keeps a failing test from hanging
      char buf[64];
      sock.Receive(buf, sizeof buf);
    }
  };
  const int peer = ConnectPair(s, listener);
  ASSERT_TRUE(sockettest::WriteAll(peer, "IPC.ias 180\r\n"));
  ASSERT_TRUE(PumpUntil([&] { return calls >= 1; }));
  PumpFor(0.1);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.State(), wsConnected);
  // The data stayed in the socket; negative lengths read nothing.
  char buf[64];
  EXPECT_EQ(s.Receive(buf, -5), 0);
  EXPECT_EQ(s.RcvdCount(), 13);
  EXPECT_EQ(s.ReceiveText(), "IPC.ias 180\r\n");
  s.Close();
  ::close(peer);
}

TEST_F(WSocketTest, WithoutDataHandlerReceivedBytesAreDiscarded) {
  Listener listener;
  Recorder rec;
  Probe s;
  rec.Attach(s);
  s.OnDataAvailable = nullptr;
  const int peer = ConnectPair(s, listener);
  ASSERT_TRUE(sockettest::WriteAll(peer, std::string(5000, 'z')));
  ASSERT_TRUE(PumpUntil([&] {
    unsigned long waiting = 1;
    platform::ioctlsocket(s.Handle(), FIONREAD, &waiting);
    return waiting == 0 && platform::QueuedMessageCount() == 0;
  }));
  PumpFor(0.1);
  EXPECT_EQ(s.RcvdCount(), 0);
  EXPECT_EQ(s.ReadCount(), 0);
  EXPECT_EQ(s.State(), wsConnected);
  s.Close();
  ::close(peer);
}

TEST_F(WSocketTest, HundredConnectionsLeaveNoDescriptorOpen) {
  Listener listener;
  sockettest::ClosedPort closed;
  const int descriptors = sockettest::OpenDescriptorCount();
  TWSocket reused;
  for (int i = 0; i < 100; ++i) {
    Recorder rec;
    auto own = std::make_unique<TWSocket>();
    TWSocket& s = i % 2 == 0 ? reused : *own;
    rec.Attach(s);
    if (i % 10 == 9) {
      Aim(s, closed.PortText());
      s.Connect();
      ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
    } else {
      const int peer = ConnectPair(s, listener);
      ASSERT_EQ(s.State(), wsConnected);
      s.SendText("register ND running\r\n");
      switch (i % 3) {
        case 0:
          s.Close();
          ::close(peer);
          break;
        case 1:
          ::close(peer);
          ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
          break;
        default:
          ::close(peer);
          if (&s == own.get()) {
            own.reset();  // destroyed while connected
          } else {
            s.Abort();
          }
          break;
      }
      PumpFor(0.01);
    }
    if (own) own.reset();
    rec.Detach(reused);
  }
  EXPECT_EQ(sockettest::OpenDescriptorCount(), descriptors);
}

}  // namespace
