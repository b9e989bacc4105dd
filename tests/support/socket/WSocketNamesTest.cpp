// Resolution of host, port and protocol texts, the error texts, and the
// loading of the socket library with the live components.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <unistd.h>

#include "support/socket/WSocket.h"

namespace {

// Expects fn to throw ESocketException with exactly text.
template <typename Fn>
void ExpectError(Fn fn, const std::string& text) {
  try {
    fn();
    ADD_FAILURE() << "no exception, expected: " << text;
  } catch (const ESocketException& e) {
    EXPECT_EQ(std::string(e.what()), text);
  }
}

TEST(IsDottedIPAddress, FourNumbersUpTo255WithBlanksAround) {
  EXPECT_TRUE(IsDottedIPAddress("127.0.0.1"));
  EXPECT_TRUE(IsDottedIPAddress("  10.20.30.40  "));
  EXPECT_TRUE(IsDottedIPAddress("255.255.255.255"));
  EXPECT_FALSE(IsDottedIPAddress("1.2.3"));
  EXPECT_FALSE(IsDottedIPAddress("1..2.3"));
  EXPECT_FALSE(IsDottedIPAddress("1.2.3.4."));
  EXPECT_FALSE(IsDottedIPAddress("1.2.3.256"));
  EXPECT_FALSE(IsDottedIPAddress("256.1.1.1"));
  EXPECT_FALSE(IsDottedIPAddress(".1.2.3"));
  EXPECT_FALSE(IsDottedIPAddress("1.2.3.4.5"));
  EXPECT_FALSE(IsDottedIPAddress("1.2.3.4 x"));
  EXPECT_FALSE(IsDottedIPAddress("localhost"));
  EXPECT_FALSE(IsDottedIPAddress(""));
}

TEST(WSocketResolveHost, DottedNamesAndErrors) {
  EXPECT_EQ(WSocketResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
  EXPECT_EQ(WSocketResolveHost(" 127.0.0.1 "), htonl(INADDR_LOOPBACK));
  EXPECT_EQ(WSocketResolveHost("255.255.255.255"), 0xFFFFFFFFu);
  ExpectError([] { WSocketResolveHost(""); }, "WSocketResolveHost: '' Invalid Hostname.");
  const std::string longName(257, 'a');
  ExpectError([&] { WSocketResolveHost(longName); }, "WSocketResolveHost: '" + longName + "' Invalid Hostname.");
  ExpectError([] { WSocketResolveHost("1.2.3.4x"); }, "WSocketResolveHost: '1.2.3.4x' Invalid IP address.");
  ExpectError([] { WSocketResolveHost("broker.invalid"); },
              "WSocketResolveHost: Cannot convert host address 'broker.invalid', Error #11001");
}

TEST(WSocketResolvePort, NumbersServicesAndErrors) {
  EXPECT_EQ(WSocketResolvePort("1863", "tcp"), 1863);
  EXPECT_EQ(WSocketResolvePort("70000", "tcp"), 4464);  // low 16 bits
  EXPECT_EQ(WSocketResolvePort("80abc", "tcp"), 80);
  if (access("/etc/services", R_OK) == 0) {
    EXPECT_EQ(WSocketResolvePort("http", "tcp"), 80);
  }
  ExpectError([] { WSocketResolvePort(std::string(32, '1'), "tcp"); }, "WSocketResolvePort: Invalid Port.");
  EXPECT_EQ(WSocketResolvePort(std::string(30, '0') + "7", "tcp"), 7);
  ExpectError([] { WSocketResolvePort("", "tcp"); }, "WSocketResolvePort: Invalid Port.");
  ExpectError([] { WSocketResolvePort("80", ""); }, "WSocketResolvePort: Invalid Proto.");
  ExpectError([] { WSocketResolvePort("80", std::string(32, 't')); }, "WSocketResolvePort: Invalid Proto.");
  ExpectError([] { WSocketResolvePort("nosuchservice", "tcp"); },
              "WSocketResolvePort: Cannot convert port 'nosuchservice', Error #11004");
}

TEST(WSocketResolveProto, NamesNumbersAndErrors) {
  EXPECT_EQ(WSocketResolveProto("tcp"), 6);
  EXPECT_EQ(WSocketResolveProto("udp"), 17);
  EXPECT_EQ(WSocketResolveProto("17"), 17);
  EXPECT_EQ(WSocketResolveProto(" 6 "), 6);
  ExpectError([] { WSocketResolveProto(""); }, "WSocketResolveProto: Invalid Protocol.");
  ExpectError([] { WSocketResolveProto(std::string(32, 'x')); }, "WSocketResolveProto: Invalid Protocol.");
  ExpectError([] { WSocketResolveProto("nosuchproto"); },
              "WSocketResolveProto: Cannot convert protocol 'nosuchproto', Error #11004");
}

TEST(WinsockErrorText, EveryCodeOfTheTableAndOthers) {
  const std::map<int, std::string> table = {
      {0, "No Error"},
      {10004, "Interrupted system call"},
      {10009, "Bad file number"},
      {10013, "Permission denied"},
      {10014, "Bad address"},
      {10022, "Invalid argument"},
      {10024, "Too many open files"},
      {10035, "Operation would block"},
      {10036, "Operation now in progress"},
      {10037, "Operation already in progress"},
      {10038, "Socket operation on non-socket"},
      {10039, "Destination address required"},
      {10040, "Message too long"},
      {10041, "Protocol wrong type for socket"},
      {10042, "Protocol not available"},
      {10043, "Protocol not supported"},
      {10044, "Socket type not supported"},
      {10045, "Operation not supported on socket"},
      {10046, "Protocol family not supported"},
      {10047, "Address family not supported by protocol family"},
      {10048, "Address already in use"},
      {10049, "Address not available"},
      {10050, "Network is down"},
      {10051, "Network is unreachable"},
      {10052, "Network dropped connection on reset"},
      {10053, "Connection aborted"},
      {10054, "Connection reset by peer"},
      {10055, "No buffer space available"},
      {10056, "Socket is already connected"},
      {10057, "Socket is not connected"},
      {10058, "Can't send after socket shutdown"},
      {10059, "Too many references: can't splice"},
      {10060, "Connection timed out"},
      {10061, "Connection refused"},
      {10062, "Too many levels of symbolic links"},
      {10063, "File name too long"},
      {10064, "Host is down"},
      {10065, "No route to host"},
      {10066, "Directory not empty"},
      {10067, "Too many processes"},
      {10068, "Too many users"},
      {10069, "Disc quota exceeded"},
      {10070, "Stale NFS file handle"},
      {10071, "Too many levels of remote in path"},
      {10091, "Network sub-system is unusable"},
      {10092, "WinSock DLL cannot support this application"},
      {10093, "WinSock not initialized"},
      {11001, "Host not found"},
      {11002, "Non-authoritative host not found"},
      {11003, "Non-recoverable error"},
      {11004, "No Data"},
  };
  ASSERT_EQ(table.size(), 51u);
  for (const auto& [code, text] : table) EXPECT_EQ(WinsockErrorText(code), text) << code;
  for (int code = 9990; code <= 11010; ++code) {
    if (table.count(code) == 0) {
      EXPECT_EQ(WinsockErrorText(code), "Not a WinSock error") << code;
    }
  }
  EXPECT_EQ(WinsockErrorText(5), "Not a WinSock error");
  EXPECT_EQ(WinsockErrorText(-1), "Not a WinSock error");
  EXPECT_EQ(WSocketErrorDesc(10061), "Connection refused");
  EXPECT_EQ(WSocketErrorMessage(10057, "Send"), "Error 10057 in function Send\r\nSocket is not connected");
}

TEST(WinsockLoading, FirstUseLoadsAndLastComponentUnloads) {
  UnloadWinsock();
  EXPECT_FALSE(WinsockLoaded());
  auto a = std::make_unique<TWSocket>();
  auto b = std::make_unique<TWSocket>();
  EXPECT_EQ(WSocketLiveCount(), 2);
  EXPECT_FALSE(WinsockLoaded());  // nothing asked for the library yet
  EXPECT_EQ(WSocketResolveProto("tcp"), 6);
  EXPECT_TRUE(WinsockLoaded());
  EXPECT_TRUE(platform::WinsockStarted());
  a.reset();
  EXPECT_EQ(WSocketLiveCount(), 1);
  EXPECT_TRUE(WinsockLoaded());
  b.reset();
  EXPECT_EQ(WSocketLiveCount(), 0);
  EXPECT_FALSE(WinsockLoaded());
  EXPECT_FALSE(platform::WinsockStarted());
  // Loaded again by the next use.
  EXPECT_EQ(WSocketResolveHost("127.0.0.1"), htonl(INADDR_LOOPBACK));
  EXPECT_TRUE(WinsockLoaded());
  UnloadWinsock();
}

}  // namespace
