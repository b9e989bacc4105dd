// Loading of the socket library, the resolution of host, port and protocol
// texts, and the English texts of the WinSock error codes.
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "support/socket/WSocket.h"
#include "support/socket/WSocketDetail.h"

namespace wsocket_detail {

std::atomic<int> g_liveCount{0};

std::string Trim(const std::string& s) {
  std::size_t b = 0;
  std::size_t e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace wsocket_detail

namespace {

constexpr const char* kLibraryName = "wsock32.dll";

std::mutex g_loadMutex;
bool g_loaded = false;

// Unloads the library at program end.
struct Finalization {
  ~Finalization() { UnloadWinsock(); }
} g_finalization;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

using wsocket_detail::Trim;

// Decimal digits after leading blanks, up to the first other character;
// no sign, no overflow check (the value wraps), 0 without digits.
std::uint32_t LeadingDecimal(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  std::uint32_t value = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) value = value * 10u + static_cast<std::uint32_t>(s[i] - '0');
  return value;
}

struct ErrorText {
  int code;
  const char* text;
};
constexpr ErrorText kErrorTexts[] = {
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

}  // namespace

void LoadWinsock() {
  std::lock_guard<std::mutex> lock(g_loadMutex);
  if (g_loaded) return;
  // Like a library that stays loaded after a failed start-up, a failure is
  // reported once and start-up is not tried again.
  g_loaded = true;
  platform::WSAData data;
  const int rc = platform::WSAStartup(0x0101, &data);
  if (rc != 0) {
    throw ESocketException(std::string(kLibraryName) + ": WSAStartup error #" + std::to_string(rc));
  }
}

void UnloadWinsock() {
  {
    std::lock_guard<std::mutex> lock(g_loadMutex);
    if (g_loaded) {
      platform::WSACleanup();
      g_loaded = false;
    }
  }
  wsocket_detail::g_liveCount = 0;
}

bool WinsockLoaded() {
  std::lock_guard<std::mutex> lock(g_loadMutex);
  return g_loaded;
}

int WSocketLiveCount() { return wsocket_detail::g_liveCount.load(); }

bool IsDottedIPAddress(const std::string& text) {
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n && text[i] == ' ') ++i;
  if (i < n && text[i] == '.') return false;
  int dots = 0;
  int value = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      value = value * 10 + (c - '0');
      if (value > 256) value = 256;  // only "above 255" matters
    } else if (c == '.') {
      ++dots;
      if (dots > 3 || value > 255 || i + 1 == n || !IsDigit(text[i + 1])) return false;
      value = 0;
    } else {
      for (std::size_t j = i + 1; j < n; ++j) {
        if (text[j] != ' ') return false;
      }
      break;
    }
  }
  return dots == 3 && value <= 255;
}

std::uint32_t WSocketResolveHost(const std::string& text) {
  if (text.empty() || text.size() > 256) {
    throw ESocketException("WSocketResolveHost: '" + text + "' Invalid Hostname.");
  }
  LoadWinsock();
  const std::string host = Trim(text);
  if (IsDottedIPAddress(text)) {
    const std::uint32_t address = platform::inet_addr(host.c_str());
    if (address == INADDR_NONE && host != "255.255.255.255") {
      throw ESocketException("WSocketResolveHost: '" + text + "' Invalid IP address.");
    }
    return address;
  }
  const hostent* entry = platform::gethostbyname(host.c_str());
  if (entry == nullptr || entry->h_addr_list == nullptr || entry->h_addr_list[0] == nullptr) {
    const int code = entry == nullptr ? platform::WSAGetLastError() : platform::WSANO_DATA;
    throw ESocketException("WSocketResolveHost: Cannot convert host address '" + text + "', Error #" +
                           std::to_string(code));
  }
  in_addr address;
  std::memcpy(&address, entry->h_addr_list[0], sizeof address);
  return address.s_addr;
}

std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto) {
  if (port.empty() || port.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Port.");
  if (proto.empty() || proto.size() >= 32) throw ESocketException("WSocketResolvePort: Invalid Proto.");
  if (IsDigit(port[0])) return static_cast<std::uint16_t>(LeadingDecimal(port) & 0xFFFFu);
  LoadWinsock();
  const servent* entry = platform::getservbyname(Trim(port).c_str(), Trim(proto).c_str());
  if (entry == nullptr) {
    throw ESocketException("WSocketResolvePort: Cannot convert port '" + port + "', Error #" +
                           std::to_string(platform::WSAGetLastError()));
  }
  return ntohs(static_cast<std::uint16_t>(entry->s_port));
}

int WSocketResolveProto(const std::string& text) {
  if (text.empty() || text.size() >= 32) throw ESocketException("WSocketResolveProto: Invalid Protocol.");
  const std::string proto = Trim(text);
  if (!proto.empty() && IsDigit(proto[0])) return static_cast<int>(LeadingDecimal(proto));
  LoadWinsock();
  const protoent* entry = platform::getprotobyname(proto.c_str());
  if (entry == nullptr) {
    throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + text + "', Error #" +
                           std::to_string(platform::WSAGetLastError()));
  }
  return entry->p_proto;
}

std::string WinsockErrorText(int code) {
  for (const ErrorText& e : kErrorTexts) {
    if (e.code == code) return e.text;
  }
  return "Not a WinSock error";
}

std::string WSocketErrorMessage(int code, const std::string& functionName) {
  return "Error " + std::to_string(code) + " in function " + functionName + "\r\n" + WinsockErrorText(code);
}
