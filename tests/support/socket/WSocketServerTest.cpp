// Listening, accepting and taking over sockets, datagrams, asynchronous
// look-ups, peer and local names, pause and resume, delayed close and free,
// and draining, against loopback peers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "support/socket/WSocket.h"
#include "tests/support/socket/TestPeer.h"

namespace {

using sockettest::PumpFor;
using sockettest::PumpUntil;

// A name look-up that the resolver passes on to a name server this machine
// cannot reach ends only after the resolver's own time-outs (5 s, twice):
// a look-up is waited for longer than that.
constexpr double kResolverWait = 30;

int ConnectTo(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

std::string ReceiveAll(TCustomWSocket& s) {
  char buf[256];
  const int n = s.Receive(buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}

void AimListener(TCustomWSocket& s, const std::string& proto, const std::string& port = "0") {
  s.SetProto(proto);
  s.SetPort(port);
  s.SetAddr("127.0.0.1");
}

TEST(WSocketServerTest, ListensAcceptsAndTakesOverTheConnectionWithDataBothWays) {
  std::vector<std::string> states;
  std::string received;
  TWSocket server;
  server.OnChangeState = [&](TCustomWSocket&, TSocketState, TSocketState n) { states.push_back(std::to_string(n)); };
  TWSocket client;
  client.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) { received += ReceiveAll(s); };
  server.OnSessionAvailable = [&](TCustomWSocket& s, std::uint16_t error) {
    ASSERT_EQ(error, 0);
    client.Dup(s.Accept());
  };
  AimListener(server, "tcp");
  server.Listen();
  EXPECT_EQ(states, (std::vector<std::string>{std::to_string(wsBound), std::to_string(wsListening)}));
  ASSERT_EQ(server.State(), wsListening);
  EXPECT_EQ(server.GetLocalAddrText(), "127.0.0.1");
  const std::string port = server.GetLocalPortText();
  ASSERT_NE(port, "0");

  const int peer = ConnectTo(static_cast<std::uint16_t>(std::stoi(port)));
  ASSERT_GE(peer, 0);
  ASSERT_TRUE(PumpUntil([&] { return client.State() == wsConnected; }));
  EXPECT_EQ(server.State(), wsListening);
  EXPECT_EQ(client.GetPeerAddr(), "127.0.0.1");
  EXPECT_EQ(client.GetLocalPortText(), port);
  ASSERT_TRUE(sockettest::WriteAll(peer, "ping"));
  ASSERT_TRUE(PumpUntil([&] { return received == "ping"; }));
  client.SendText("pong");
  EXPECT_EQ(sockettest::ReadExactly(peer, 4), "pong");
  sockaddr_in peerName{};
  sockaddr_in localName{};
  int peerLength = sizeof peerName;
  int localLength = sizeof localName;
  ASSERT_EQ(client.PeerSockAddr(peerName, peerLength), 0);
  ASSERT_EQ(client.LocalSockAddr(localName, localLength), 0);
  EXPECT_EQ(std::to_string(ntohs(localName.sin_port)), port);
  EXPECT_EQ(client.GetPeerPort(), std::to_string(ntohs(peerName.sin_port)));
  client.Shutdown(platform::SD_SEND);
  EXPECT_EQ(sockettest::ReadToEnd(peer), "");
  ::close(peer);
  ASSERT_TRUE(PumpUntil([&] { return client.State() == wsClosed; }));
}

TEST(WSocketServerTest, AcceptWhenNotListeningReportsInvalidArgument) {
  TWSocket s;
  std::vector<int> codes;
  s.OnError = [&](TCustomWSocket& sock) { codes.push_back(sock.LastError()); };
  EXPECT_EQ(s.Accept(), platform::INVALID_SOCKET);
  EXPECT_EQ(codes, std::vector<int>{10022});
  EXPECT_EQ(s.LastErrorMessage(), "Error 10022 in function not a listening socket\r\nInvalid argument");
  s.OnError = nullptr;
  EXPECT_THROW(s.Dup(platform::INVALID_SOCKET), ESocketException);
}

TEST(WSocketServerTest, ListenReportsMissingSettingsInOrder) {
  TWSocket s;
  std::vector<std::string> errors;
  s.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
  s.SetProto("");
  s.Listen();
  s.SetPort("0");
  s.Listen();
  s.SetProto("tcp");
  s.Listen();
  const std::string invalid = "\r\nInvalid argument";
  EXPECT_EQ(errors, (std::vector<std::string>{"Error 10022 in function listen: port not assigned" + invalid,
                                               "Error 10022 in function listen: protocol not assigned" + invalid,
                                               "Error 10022 in function listen: address not assigned" + invalid}));
  EXPECT_EQ(s.State(), wsClosed);
}

TEST(WSocketServerTest, ListenOnAPortInUseLeaksNoDescriptorAndStaysClosed) {
  sockettest::Listener busy;
  const int before = sockettest::OpenDescriptorCount();
  for (int i = 0; i < 20; ++i) {
    TWSocket s;
    std::vector<std::string> errors;
    s.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
    AimListener(s, "tcp", busy.PortText());
    s.Listen();
    ASSERT_EQ(errors, std::vector<std::string>{"Error 10048 in function Bind\r\nAddress already in use"});
    EXPECT_EQ(s.State(), wsClosed);
  }
  EXPECT_EQ(sockettest::OpenDescriptorCount(), before);
}

TEST(WSocketServerTest, DatagramsFlowBothWaysAndAnEmptyOneIsNoClose) {
  TWSocket receiver;
  std::vector<std::string> datagrams;
  sockaddr_in from{};
  receiver.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) {
    char buf[64];
    int fromLength = sizeof from;
    const int n = s.ReceiveFrom(buf, sizeof buf, from, fromLength);
    if (n >= 0) datagrams.emplace_back(buf, static_cast<std::size_t>(n));
  };
  AimListener(receiver, "udp");
  receiver.Listen();
  ASSERT_EQ(receiver.State(), wsConnected);
  const int port = std::stoi(receiver.GetLocalPortText());

  TWSocket sender;
  std::vector<std::string> errors;
  sender.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
  sender.SetProto("udp");
  sender.SetPort(std::to_string(port));
  sender.SetAddr("127.0.0.1");
  sender.SetLocalAddr("127.0.0.1");
  sender.Connect();
  ASSERT_EQ(sender.State(), wsConnected);
  ASSERT_NE(sender.LocalPort(), "0");  // the bound port
  sender.SetLocalPort("1");
  EXPECT_EQ(errors, std::vector<std::string>{"Cannot change LocalPort if not closed"});
  sender.SendText("one");
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<std::uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(sender.SendTo(to, sizeof to, "", 0), 0);
  EXPECT_EQ(sender.SendTo(to, sizeof to, "three", 5), 5);
  ASSERT_TRUE(PumpUntil([&] { return datagrams.size() == 3; }));
  EXPECT_EQ(datagrams, (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(std::to_string(ntohs(from.sin_port)), sender.LocalPort());
  EXPECT_EQ(receiver.State(), wsConnected);
  EXPECT_EQ(receiver.ReadCount(), 8);

  // And back to where the datagrams came from.
  std::string reply;
  sender.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) { reply += ReceiveAll(s); };
  EXPECT_EQ(receiver.SendTo(from, sizeof from, "back", 4), 4);
  ASSERT_TRUE(PumpUntil([&] { return reply == "back"; }));
}

TEST(WSocketServerTest, DatagramListenerJoinsAMulticastGroupOrClosesOnFailure) {
  const struct {
    const char* group;
    TSocketState state;
    std::vector<std::string> errors;
  } cases[] = {
      {"239.1.2.3", wsConnected, {}},
      {"not a group", wsClosed, {"Error 10022 in function setsockopt(IP MULTICAST)\r\nInvalid argument"}},
  };
  const int before = sockettest::OpenDescriptorCount();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.group);
    std::vector<std::string> errors;
    TWSocket s;
    s.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
    s.MultiCast = true;
    s.MultiCastAddrStr = c.group;
    AimListener(s, "udp");
    s.Listen();
    EXPECT_EQ(s.State(), c.state);
    EXPECT_EQ(errors, c.errors);
  }
  EXPECT_EQ(sockettest::OpenDescriptorCount(), before);
}

// Records OnDnsLookupDone with the results at that moment.
struct DnsRecorder {
  std::vector<std::string> done;
  void Attach(TCustomWSocket& s) {
    s.OnDnsLookupDone = [this](TCustomWSocket& sock, std::uint16_t error) {
      std::string entry = std::to_string(error);
      for (const auto& r : sock.DnsResultList()) entry += " " + r;
      done.push_back(entry);
    };
  }
};

TEST(WSocketServerTest, DottedLookupAnswersAtOnceAndANameLater) {
  TWSocket s;
  DnsRecorder rec;
  rec.Attach(s);
  s.DnsLookup("127.0.0.1");
  EXPECT_EQ(rec.done, std::vector<std::string>{"0 127.0.0.1"});
  EXPECT_EQ(s.DnsResult(), "127.0.0.1");

  rec.done.clear();
  s.DnsLookup("localhost");
  EXPECT_TRUE(rec.done.empty());
  ASSERT_TRUE(PumpUntil([&] { return !rec.done.empty(); }, kResolverWait));
  ASSERT_EQ(rec.done.size(), 1u);
  EXPECT_EQ(rec.done[0].substr(0, 2), "0 ");
  EXPECT_NE(rec.done[0].find("127."), std::string::npos);
  EXPECT_EQ(s.DnsResult(), s.DnsResultList().front());

  rec.done.clear();
  s.ReverseDnsLookup("127.0.0.1");
  ASSERT_TRUE(PumpUntil([&] { return !rec.done.empty(); }, kResolverWait));
  ASSERT_EQ(s.DnsResultList().size(), 1u);
  EXPECT_FALSE(s.DnsResult().empty());

  rec.done.clear();
  s.DnsLookup("no-such-host.invalid");
  ASSERT_TRUE(PumpUntil([&] { return !rec.done.empty(); }, kResolverWait));
  EXPECT_EQ(rec.done, std::vector<std::string>{"11001"});
  EXPECT_TRUE(PumpUntil([] { return platform::AsyncLookupsInFlight() == 0; }, kResolverWait));
}

TEST(WSocketServerTest, BadLookupTextsAreRefused) {
  TWSocket s;
  DnsRecorder rec;
  rec.Attach(s);
  std::vector<std::string> errors;
  s.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
  s.DnsLookup("");
  s.ReverseDnsLookup("");
  s.ReverseDnsLookup("not an address");
  s.ReverseDnsLookup(std::string(300, '1'));
  EXPECT_EQ(errors, (std::vector<std::string>{"DNS lookup: invalid host name.", "ReverseDnsLookup: Invalid host name.",
                                               "ReverseDnsLookup: Invalid host name.",
                                               "ReverseDnsLookup: Invalid host name."}));
  EXPECT_EQ(rec.done, (std::vector<std::string>(4, "10022")));
}

TEST(WSocketServerTest, CancelledLookupReportsInterruptedAndNoLateResult) {
  TWSocket s;
  DnsRecorder rec;
  rec.Attach(s);
  s.DnsLookup("localhost");
  s.CancelDnsLookup();
  EXPECT_EQ(rec.done, std::vector<std::string>{"10004"});
  // A new look-up drops the one before it without a word.
  s.DnsLookup("localhost");
  s.DnsLookup("127.0.0.2");
  ASSERT_TRUE(PumpUntil([] { return platform::AsyncLookupsInFlight() == 0; }, kResolverWait));
  PumpFor(0.1);
  EXPECT_EQ(rec.done, (std::vector<std::string>{"10004", "0 127.0.0.2"}));
}

TEST(WSocketServerTest, DestroyingWithALookupPendingIsClean) {
  bool fired = false;
  for (int i = 0; i < 5; ++i) {
    auto s = std::make_unique<TWSocket>();
    s->OnDnsLookupDone = [&](TCustomWSocket&, std::uint16_t) { fired = true; };
    s->DnsLookup("localhost");
    s.reset();
  }
  ASSERT_TRUE(PumpUntil([] { return platform::AsyncLookupsInFlight() == 0; }, kResolverWait));
  PumpFor(0.1);
  EXPECT_FALSE(fired);
  EXPECT_EQ(platform::QueuedMessageCount(), 0u);
}

// A connected pair: the component and the peer's descriptor.
struct Pair {
  sockettest::Listener listener;
  TWSocket s;
  int peer = -1;
  Pair() {
    s.SetProto("tcp");
    s.SetPort(listener.PortText());
    s.SetAddr("127.0.0.1");
    s.Connect();
    peer = listener.Accept();
    PumpUntil([&] { return s.State() == wsConnected; });
  }
  ~Pair() {
    if (peer >= 0) ::close(peer);
  }
};

TEST(WSocketServerTest, PausedComponentHearsNothingUntilResumed) {
  Pair p;
  ASSERT_EQ(p.s.State(), wsConnected);
  std::string received;
  p.s.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) { received += ReceiveAll(s); };
  p.s.Pause();
  ASSERT_TRUE(sockettest::WriteAll(p.peer, "held"));
  PumpFor(0.3);
  EXPECT_EQ(received, "");
  p.s.Resume();
  ASSERT_TRUE(PumpUntil([&] { return received == "held"; }));
  EXPECT_EQ(p.s.GetPeerPort(), p.listener.PortText());
}

TEST(WSocketServerTest, PostCloseClosesAfterTheHandlerReturns) {
  Pair p;
  std::vector<std::string> events;
  p.s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { events.push_back("closed"); };
  p.s.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) {
    ReceiveAll(s);
    s.PostClose();
    events.push_back(s.State() == wsConnected ? "handler done, open" : "handler done, closed");
  };
  ASSERT_TRUE(sockettest::WriteAll(p.peer, "x"));
  ASSERT_TRUE(PumpUntil([&] { return p.s.State() == wsClosed; }));
  EXPECT_EQ(events, (std::vector<std::string>{"handler done, open", "closed"}));
  EXPECT_EQ(p.s.GetPeerAddr(), "error");
  EXPECT_EQ(p.s.GetLocalPortText(), "error");
}

TEST(WSocketServerTest, PostFreeFreesOnlyASelfOwnedComponent) {
  sockettest::Listener listener;
  auto* own = new TWSocket();
  own->SelfOwned = true;
  bool closedSeen = false;
  own->OnChangeState = [&](TCustomWSocket&, TSocketState, TSocketState n) { closedSeen |= n == wsClosed; };
  own->SetPort(listener.PortText());
  own->SetAddr("127.0.0.1");
  own->Connect();
  own->PostFree();
  own->PostFree();  // the second notice goes with the component
  ASSERT_TRUE(PumpUntil([&] { return closedSeen; }));
  EXPECT_TRUE(PumpUntil([] { return platform::QueuedMessageCount() == 0; }));

  TWSocket owned;
  std::vector<std::string> errors;
  owned.OnError = [&](TCustomWSocket& s) { errors.push_back(s.LastErrorMessage()); };
  owned.PostFree();
  PumpFor(0.1);
  EXPECT_EQ(errors, std::vector<std::string>{"PostFree: the component is not self-owned"});
}

TEST(WSocketServerTest, DrainUntilClosedDeliversEverythingThenSeesThePeerClose) {
  Pair p;
  std::string received;
  int closed = 0;
  p.s.OnSessionClosed = [&](TCustomWSocket&, std::uint16_t) { ++closed; };
  p.s.OnDataAvailable = [&](TCustomWSocket& s, std::uint16_t) { received += ReceiveAll(s); };
  p.s.Pause();  // no notices: the drain alone must find data and close
  ASSERT_TRUE(sockettest::WriteAll(p.peer, std::string(1000, 'd')));
  ::shutdown(p.peer, SHUT_WR);
  p.s.DrainUntilClosed();
  EXPECT_EQ(received, std::string(1000, 'd'));
  EXPECT_EQ(p.s.State(), wsClosed);
  EXPECT_EQ(closed, 1);
}

TEST(WSocketServerTest, TimeValues) {
  TTimeVal t{0, 1};
  EXPECT_TRUE(TCustomWSocket::TimeValueIsSet(t));
  EXPECT_TRUE(TCustomWSocket::TimeValueCompare(t, TTimeVal{0, 1}, true));
  EXPECT_TRUE(TCustomWSocket::TimeValueCompare(t, TTimeVal{1, 1}, false));
  TCustomWSocket::ClearTimeValue(t);
  EXPECT_FALSE(TCustomWSocket::TimeValueIsSet(t));
}

}  // namespace
