// WinSock-shaped sockets on POSIX.
//
// The socket component was designed around WinSock 1.1: WinSock error codes
// (WSAGetLastError), a start-up and clean-up of the library, non-blocking
// sockets whose network events arrive as posted messages at a hidden window
// (WSAAsyncSelect). This layer gives exactly that on Linux:
// - every failing call leaves a WinSock error code, translated from errno by
//   an explicit table (WSAErrorFromErrno);
// - sends never raise SIGPIPE; a lost connection reads as 10054;
// - a non-blocking connect reports "would block" (10035) and its outcome,
//   success or failure, later as one FD_CONNECT notice;
// - notices are posted to a NoticeWindow (WinSockNotices.h) from FLTK file
//   descriptor watches and fire once, re-armed the way WinSock re-arms them:
//   FD_CONNECT once; FD_WRITE once after the connect and then again only
//   after a send that would block or sent less than asked; FD_READ again
//   after each receive while data is waiting; FD_ACCEPT again after each
//   accept; FD_CLOSE once;
// - closesocket removes the watches before closing the descriptor and drops
//   the notices still queued for the socket.
//
// Structures, option names and byte-order helpers are the POSIX ones, which
// WinSock shares (sockaddr_in, SOL_SOCKET, SO_LINGER with Linux's struct
// linger, FIONREAD, htons, ...). Calls that take notices run on the GUI
// thread.
#pragma once
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinSockNotices.h"

namespace platform {

using SOCKET = int;
inline constexpr SOCKET INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

// Network events of WSAAsyncSelect.
inline constexpr long FD_READ = 0x01;
inline constexpr long FD_WRITE = 0x02;
inline constexpr long FD_OOB = 0x04;
inline constexpr long FD_ACCEPT = 0x08;
inline constexpr long FD_CONNECT = 0x10;
inline constexpr long FD_CLOSE = 0x20;

// lParam of a notice: the event in the low word, the error in the high word.
constexpr std::intptr_t WSAMAKESELECTREPLY(unsigned event, unsigned error) {
  return static_cast<std::intptr_t>((event & 0xFFFFu) | ((error & 0xFFFFu) << 16));
}
constexpr unsigned WSAGETSELECTEVENT(std::intptr_t lParam) { return static_cast<unsigned>(lParam) & 0xFFFFu; }
constexpr unsigned WSAGETSELECTERROR(std::intptr_t lParam) { return (static_cast<unsigned>(lParam) >> 16) & 0xFFFFu; }

// Shutdown directions.
inline constexpr int SD_RECEIVE = 0;
inline constexpr int SD_SEND = 1;
inline constexpr int SD_BOTH = 2;

// WinSock error codes.
inline constexpr int WSAEINTR = 10004;
inline constexpr int WSAEBADF = 10009;
inline constexpr int WSAEACCES = 10013;
inline constexpr int WSAEFAULT = 10014;
inline constexpr int WSAEINVAL = 10022;
inline constexpr int WSAEMFILE = 10024;
inline constexpr int WSAEWOULDBLOCK = 10035;
inline constexpr int WSAEINPROGRESS = 10036;
inline constexpr int WSAEALREADY = 10037;
inline constexpr int WSAENOTSOCK = 10038;
inline constexpr int WSAEDESTADDRREQ = 10039;
inline constexpr int WSAEMSGSIZE = 10040;
inline constexpr int WSAEPROTOTYPE = 10041;
inline constexpr int WSAENOPROTOOPT = 10042;
inline constexpr int WSAEPROTONOSUPPORT = 10043;
inline constexpr int WSAESOCKTNOSUPPORT = 10044;
inline constexpr int WSAEOPNOTSUPP = 10045;
inline constexpr int WSAEPFNOSUPPORT = 10046;
inline constexpr int WSAEAFNOSUPPORT = 10047;
inline constexpr int WSAEADDRINUSE = 10048;
inline constexpr int WSAEADDRNOTAVAIL = 10049;
inline constexpr int WSAENETDOWN = 10050;
inline constexpr int WSAENETUNREACH = 10051;
inline constexpr int WSAENETRESET = 10052;
inline constexpr int WSAECONNABORTED = 10053;
inline constexpr int WSAECONNRESET = 10054;
inline constexpr int WSAENOBUFS = 10055;
inline constexpr int WSAEISCONN = 10056;
inline constexpr int WSAENOTCONN = 10057;
inline constexpr int WSAESHUTDOWN = 10058;
inline constexpr int WSAETOOMANYREFS = 10059;
inline constexpr int WSAETIMEDOUT = 10060;
inline constexpr int WSAECONNREFUSED = 10061;
inline constexpr int WSAELOOP = 10062;
inline constexpr int WSAENAMETOOLONG = 10063;
inline constexpr int WSAEHOSTDOWN = 10064;
inline constexpr int WSAEHOSTUNREACH = 10065;
inline constexpr int WSAENOTEMPTY = 10066;
inline constexpr int WSAEPROCLIM = 10067;
inline constexpr int WSAEUSERS = 10068;
inline constexpr int WSAEDQUOT = 10069;
inline constexpr int WSAESTALE = 10070;
inline constexpr int WSAEREMOTE = 10071;
inline constexpr int WSASYSNOTREADY = 10091;
inline constexpr int WSAVERNOTSUPPORTED = 10092;
inline constexpr int WSANOTINITIALISED = 10093;
inline constexpr int WSASYSCALLFAILURE = 10107;
inline constexpr int WSAHOST_NOT_FOUND = 11001;
inline constexpr int WSATRY_AGAIN = 11002;
inline constexpr int WSANO_RECOVERY = 11003;
inline constexpr int WSANO_DATA = 11004;

struct WSAData {
  std::uint16_t wVersion = 0;
  std::uint16_t wHighVersion = 0;
  char szDescription[257] = {};
  char szSystemStatus[129] = {};
};

// Start-up and clean-up are counted; every other call except closesocket,
// inet_addr and inet_ntoa fails with WSANOTINITIALISED while the count is 0.
int WSAStartup(std::uint16_t versionRequested, WSAData* data);
int WSACleanup();
bool WinsockStarted();

// Per thread, as in WinSock.
int WSAGetLastError();
void WSASetLastError(int code);
// The WinSock code for an errno value (explicit table; WSASYSCALLFAILURE for
// a value without a counterpart).
int WSAErrorFromErrno(int err);

SOCKET socket(int af, int type, int protocol);
// Always releases the descriptor (its watches and queued notices first).
int closesocket(SOCKET s);
int shutdown(SOCKET s, int how);
int setsockopt(SOCKET s, int level, int optname, const void* optval, int optlen);
int getsockopt(SOCKET s, int level, int optname, void* optval, int* optlen);
int connect(SOCKET s, const sockaddr* name, int namelen);
int bind(SOCKET s, const sockaddr* name, int namelen);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen);
int send(SOCKET s, const void* buf, int len, int flags);
int sendto(SOCKET s, const void* buf, int len, int flags, const sockaddr* to, int tolen);
int recv(SOCKET s, void* buf, int len, int flags);
int recvfrom(SOCKET s, void* buf, int len, int flags, sockaddr* from, int* fromlen);
// FIONREAD (bytes waiting) and FIONBIO (non-blocking on or off).
int ioctlsocket(SOCKET s, unsigned long cmd, unsigned long* argp);
int getsockname(SOCKET s, sockaddr* name, int* namelen);
int getpeername(SOCKET s, sockaddr* name, int* namelen);

// Dotted IPv4 text to an address in network order; INADDR_NONE when invalid.
std::uint32_t inet_addr(const char* cp);
// Dotted text of an address (a per-thread buffer, valid until the next call).
const char* inet_ntoa(in_addr in);

// Name look-ups; the results live in per-thread storage until the next call
// of the same function. Names in the reserved "invalid" domain are not
// found, without asking a name server. "tcp" and "udp" are known protocols
// even without /etc/protocols.
const hostent* gethostbyname(const char* name);
const servent* getservbyname(const char* name, const char* proto);
const protoent* getprotobyname(const char* name);

// Asynchronous name look-ups. Each runs getaddrinfo or getnameinfo on a
// worker thread of its own; the result comes back by value through the GUI
// thread's wake-up hand-off and is then told by a message msg at window
// (wParam = the request handle, lParam = WSAMAKESELECTREPLY(0, error)).
// The caller takes the result with WSAAsyncLookupResult. A request that is
// cancelled, or whose window is gone, is dropped when its worker ends; the
// worker is joined on the GUI thread. Handles are never 0 and never reused.
using AsyncHandle = std::uintptr_t;
struct HostEntry {
  std::string name;                     // official name
  std::vector<std::uint32_t> addresses;  // IPv4, network order, in order
};
// 0 (with WSAGetLastError) when the request cannot be started.
AsyncHandle WSAAsyncGetHostByName(WindowHandle window, unsigned msg, const char* name);
// address: IPv4 in network order.
AsyncHandle WSAAsyncGetHostByAddr(WindowHandle window, unsigned msg, std::uint32_t address);
// Cancels a request still running or whose reply has not been taken; its
// queued reply message is dropped. SOCKET_ERROR (WSAEINVAL) for an unknown
// handle.
int WSACancelAsyncRequest(AsyncHandle handle);
// Takes (once) the result of a finished request whose reply was posted.
bool WSAAsyncLookupResult(AsyncHandle handle, HostEntry& result);
// Look-ups whose worker thread has not been joined yet (for tests).
int AsyncLookupsInFlight();

// Asks for the events of mask as notices msg at window (wParam = socket,
// lParam = WSAMAKESELECTREPLY(event, error)); makes the socket non-blocking.
// A window of 0 or an empty mask stops the notices.
int WSAAsyncSelect(SOCKET s, WindowHandle window, unsigned msg, long events);

}  // namespace platform
