// The proxy layer against a scripted proxy stub on loopback: the stub
// checks the exact request bytes, writes scripted replies (whole or a byte
// per write) and then application bytes; it relays nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/socket/WSocket.h"
#include "tests/support/socket/TestPeer.h"

namespace {

using sockettest::PumpFor;
using sockettest::PumpUntil;

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Hex(const std::string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : s) {
    out += digits[c >> 4];
    out += digits[c & 15];
    out += ' ';
  }
  return out;
}

struct Step {
  std::string expect;  // the exact bytes the client must send
  std::string reply;
  bool bytewise = false;  // one byte per write, waiting for the gate after the first
};

class ProxyStub {
 public:
  explicit ProxyStub(std::vector<Step> script) : script_(std::move(script)) {
    thread_ = std::thread([this] { Run(); });
  }
  ~ProxyStub() { Join(); }
  std::string PortText() const { return listener_.PortText(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // After Join: what the client sent that the script did not expect, and
  // what it sent after the script had ended.
  std::vector<std::string> mismatches;
  std::string trailing;
  std::atomic<bool> firstByteWritten{false};
  std::atomic<bool> gate{false};

 private:
  void Run() {
    const int fd = listener_.Accept();
    if (fd < 0) {
      mismatches.push_back("no connection");
      return;
    }
    for (const Step& step : script_) {
      const std::string got = sockettest::ReadExactly(fd, step.expect.size());
      if (got != step.expect) mismatches.push_back("expected " + Hex(step.expect) + "got " + Hex(got));
      if (!step.bytewise) {
        sockettest::WriteAll(fd, step.reply);
        continue;
      }
      for (std::size_t i = 0; i < step.reply.size(); ++i) {
        sockettest::WriteAll(fd, step.reply.substr(i, 1));
        if (i == 0) {
          firstByteWritten = true;
          for (int w = 0; w < 1000 && !gate; ++w) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
      }
    }
    trailing = sockettest::ReadToEnd(fd);
    ::close(fd);
  }

  sockettest::Listener listener_;
  std::vector<Step> script_;
  std::thread thread_;
};

// Records the events of a proxied component in order.
struct Events {
  std::vector<std::string> list;
  std::string data;
  void Attach(TCustomSocksWSocket& s) {
    s.OnSocksConnected = [this](TCustomWSocket&, std::uint16_t e) { list.push_back("socks " + std::to_string(e)); };
    s.OnSocksError = [this](TCustomWSocket&, std::int32_t e, const std::string& m) {
      list.push_back("error " + std::to_string(e) + " " + m);
    };
    s.OnSocksAuthState = [this](TCustomWSocket&, TSocksAuthState a) { list.push_back("auth " + std::to_string(a)); };
    s.OnSessionConnected = [this](TCustomWSocket&, std::uint16_t e) { list.push_back("connected " + std::to_string(e)); };
    s.OnSessionClosed = [this](TCustomWSocket&, std::uint16_t e) { list.push_back("closed " + std::to_string(e)); };
    s.OnDataAvailable = [this](TCustomWSocket& sock, std::uint16_t) {
      char buf[512];
      const int n = sock.Receive(buf, sizeof buf);
      if (n > 0) {
        data.append(buf, static_cast<std::size_t>(n));
        list.push_back("data " + std::string(buf, static_cast<std::size_t>(n)));
      }
    };
  }
};

void AimThroughProxy(TWSocket& s, const ProxyStub& proxy, const std::string& level, const std::string& host,
                     const std::string& port = "80") {
  s.SetAddr(host);
  s.SetPort(port);
  s.SetSocksServer("127.0.0.1");
  s.SetSocksPort(proxy.PortText());
  s.SetSocksLevel(level);
}

const std::string kSocks5Hello = Bytes({5, 1, 0});
const std::string kGranted5 = Bytes({5, 0, 0, 1, 127, 0, 0, 1, 0x12, 0x34});
const std::string kGranted4 = Bytes({0, 90, 0, 0, 0, 0, 0, 0});

TEST(WSocketSocksTest, Socks5WithoutAuthenticationHandsTheLeftoverBytesToTheFirstReceive) {
  ProxyStub proxy({{kSocks5Hello, Bytes({5, 0})},
                   {Bytes({5, 1, 0, 3, 7}) + "example" + Bytes({0, 80}), kGranted5 + "hello"}});
  TWSocket s;
  Events ev;
  ev.Attach(s);
  AimThroughProxy(s, proxy, "5", "example");
  s.Connect();
  // The stub sends nothing after "hello": it must arrive without new data.
  ASSERT_TRUE(PumpUntil([&] { return ev.data == "hello"; }));
  EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", "connected 0", "data hello"}));
  EXPECT_EQ(s.BoundAddr(), "127.0.0.1");
  EXPECT_EQ(s.BoundPort(), "4660");
  s.Close();
  proxy.Join();
  EXPECT_TRUE(proxy.mismatches.empty()) << proxy.mismatches.front();
}

TEST(WSocketSocksTest, Socks4And4ARequestsCarryTheExactBytes) {
  const struct {
    const char* level;
    const char* host;
    const char* user;
    std::string request;
  } cases[] = {
      {"4", "127.0.0.1", "", Bytes({4, 1, 0, 80, 127, 0, 0, 1, 0})},
      {"4a", "abc.com", "u", Bytes({4, 1, 0, 80, 0, 0, 0, 1, 'u', 0}) + "abc.com" + Bytes({0})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    ProxyStub proxy({{c.request, kGranted4 + "hi"}});
    TWSocket s;
    Events ev;
    ev.Attach(s);
    s.SocksUsercode = c.user;
    AimThroughProxy(s, proxy, c.level, c.host);
    EXPECT_EQ(s.SocksLevel(), c.level == std::string("4a") ? "4A" : c.level);
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return ev.data == "hi"; }));
    EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", "connected 0", "data hi"}));
    s.Close();
    proxy.Join();
    EXPECT_TRUE(proxy.mismatches.empty()) << proxy.mismatches.front();
  }
}

TEST(WSocketSocksTest, AuthenticationIsTakenOnlyWhenBothReplyBytesAreIn) {
  ProxyStub proxy({{Bytes({5, 1, 2}), Bytes({5, 2})},
                   {Bytes({1, 4}) + "user" + Bytes({4}) + "pass", Bytes({1, 0}), true},
                   {Bytes({5, 1, 0, 3, 4}) + "host" + Bytes({0x1F, 0x90}), kGranted5}});
  TWSocket s;
  Events ev;
  ev.Attach(s);
  s.SocksAuthentication = socksAuthenticateUsercode;
  s.SocksUsercode = "user";
  s.SocksPassword = "pass";
  AimThroughProxy(s, proxy, "5", "host", "8080");
  s.Connect();
  ASSERT_TRUE(PumpUntil([&] { return proxy.firstByteWritten.load(); }));
  PumpFor(0.3);
  EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", "auth 0"}));
  proxy.gate = true;
  ASSERT_TRUE(PumpUntil([&] { return s.State() == wsConnected && ev.list.size() == 4; }));
  EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", "auth 0", "auth 1", "connected 0"}));
  s.Close();
  proxy.Join();
  EXPECT_TRUE(proxy.mismatches.empty()) << proxy.mismatches.front();
}

TEST(WSocketSocksTest, RefusalsAreToldByErrorThenConnectedThenClosed) {
  const struct {
    const char* level;
    std::string reply;
    int code;
    std::string text;
  } cases[] = {
      {"4", Bytes({0, 91, 0, 0, 0, 0, 0, 0}), 20016, "request rejected or failed"},
      {"4", Bytes({0, 92, 0, 0, 0, 0, 0, 0}), 20008, "connection refused"},
      {"4", Bytes({0, 93, 0, 0, 0, 0, 0, 0}), 20015, "authentification failed"},
      {"4", Bytes({0, 99, 0, 0, 0, 0, 0, 0}), 20012, "unassigned error #99"},
      {"4", Bytes({4, 90, 0, 0, 0, 0, 0, 0}), 20002, "socks version error"},
      {"5", Bytes({5, 1}), 20004, "general SOCKS server failure"},
      {"5", Bytes({5, 2}), 20005, "connection not allowed by ruleset"},
      {"5", Bytes({5, 3}), 20006, "network unreachable"},
      {"5", Bytes({5, 4}), 20007, "host unreachable"},
      {"5", Bytes({5, 5}), 20008, "connection refused"},
      {"5", Bytes({5, 6}), 20009, "time to live expired"},
      {"5", Bytes({5, 7}), 20010, "command not supported"},
      {"5", Bytes({5, 8}), 20011, "address type not supported"},
      {"5", Bytes({5, 9}), 20012, "unassigned error #9"},
      {"5", Bytes({5, 0, 0, 4, 0, 0}), 20011, "address type not supported"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<Step> script;
    if (c.level[0] == '5') {
      script = {{kSocks5Hello, Bytes({5, 0})}, {Bytes({5, 1, 0, 3, 1, 'h', 0, 80}), c.reply}};
    } else {
      script = {{Bytes({4, 1, 0, 80, 127, 0, 0, 1, 0}), c.reply}};
    }
    ProxyStub proxy(script);
    TWSocket s;
    Events ev;
    ev.Attach(s);
    AimThroughProxy(s, proxy, c.level, c.level[0] == '5' ? "h" : "127.0.0.1");
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
    const std::string code = std::to_string(c.code);
    EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", "error " + code + " " + c.text, "connected " + code,
                                                  "closed " + code}));
    proxy.Join();
    EXPECT_TRUE(proxy.mismatches.empty()) << proxy.mismatches.front();
  }
}

TEST(WSocketSocksTest, DomainNameReplyLongerThanAHundredBytesCompletes) {
  const std::string name(200, 'n');
  ProxyStub proxy({{kSocks5Hello, Bytes({5, 0})},
                   {Bytes({5, 1, 0, 3, 1, 'h', 0, 80}), Bytes({5, 0, 0, 3, 200}) + name + Bytes({0, 21}) + "tail"}});
  TWSocket s;
  Events ev;
  ev.Attach(s);
  AimThroughProxy(s, proxy, "5", "h");
  s.Connect();
  ASSERT_TRUE(PumpUntil([&] { return ev.data == "tail"; }));
  EXPECT_EQ(s.BoundAddr(), name);
  EXPECT_EQ(s.BoundPort(), "21");
  s.Close();
  proxy.Join();
}

TEST(WSocketSocksTest, OversizeFieldsAreRefusedBeforeAnythingIsSent) {
  const std::string big(256, 'x');
  const struct {
    const char* name;
    const char* level;
    std::string host;
    std::string user;
    std::string password;
    const char* text;
  } cases[] = {
      {"socks 5 host", "5", big, "", "", "request field too long"},
      {"socks 5 user code", "5", "h", big, "p", "request field too long"},
      {"socks 5 password", "5", "h", "u", big, "request field too long"},
      {"socks 4 user code", "4", "127.0.0.1", big, "", "request field too long"},
      {"socks 4A host", "4A", big, "u", "", "request field too long"},
      {"socks 4A host with a 0 byte", "4A", std::string("a\0b", 3), "", "", "request field holds a 0 byte"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProxyStub proxy({});
    TWSocket s;
    Events ev;
    ev.Attach(s);
    s.SocksAuthentication = c.password.empty() ? socksNoAuthentication : socksAuthenticateUsercode;
    s.SocksUsercode = c.user;
    s.SocksPassword = c.password;
    AimThroughProxy(s, proxy, c.level, c.host);
    s.Connect();
    ASSERT_TRUE(PumpUntil([&] { return s.State() == wsClosed; }));
    EXPECT_EQ(ev.list, (std::vector<std::string>{"socks 0", std::string("error 20014 ") + c.text, "connected 20014",
                                                  "closed 20014"}));
    proxy.Join();
    EXPECT_EQ(proxy.trailing, "");
  }
}

TEST(WSocketSocksTest, SettingsAreCheckedAndResetByAClose) {
  TWSocket s;
  std::vector<std::string> errors;
  s.OnError = [&](TCustomWSocket& sock) { errors.push_back(sock.LastErrorMessage()); };
  s.SetSocksLevel("6");
  EXPECT_EQ(s.SocksLevel(), "5");
  s.SetSocksServer("  127.0.0.1 ");
  EXPECT_EQ(s.SocksServer(), "127.0.0.1");
  s.Listen();
  s.SetProto("udp");
  s.SetPort("1");
  s.SetAddr("h");
  s.Connect();
  EXPECT_EQ(errors, (std::vector<std::string>{"Invalid socks level. Must be 4, 4A or 5.",
                                               "Listening is not supported thru socks server",
                                               "tcp is the only protocol supported thru socks server"}));
  errors.clear();
  sockettest::Listener listener;
  s.SetProto("tcp");
  s.SetSocksPort(listener.PortText());
  s.SetSocksLevel("4");
  s.SocksUsercode = "kept";
  s.Connect();
  ASSERT_EQ(s.State(), wsConnecting);
  s.SetSocksLevel("5");
  s.SetSocksPort("1");
  s.SetSocksServer("");
  EXPECT_EQ(errors, (std::vector<std::string>{"Can't change socks level if not closed",
                                               "Can't change socks port if not closed",
                                               "Can't change socks server if not closed"}));
  s.Close();
  EXPECT_EQ(s.SocksServer(), "");
  EXPECT_EQ(s.SocksPort(), "");
  EXPECT_EQ(s.SocksLevel(), "5");
  EXPECT_EQ(s.SocksUsercode, "kept");
}

}  // namespace
