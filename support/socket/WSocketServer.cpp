// Listening and accepting, datagrams, asynchronous name look-ups and the
// small operations of the socket component (peer and local names, pause and
// resume, delayed close and free, draining).
#include <algorithm>

#include "support/socket/WSocket.h"
#include "support/socket/WSocketDetail.h"

using platform::INVALID_SOCKET;
using platform::SOCKET_ERROR;
using wsocket_detail::Trim;

namespace {

// Events of a listening socket: FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE (43).
constexpr long kListenEvents = platform::FD_READ | platform::FD_WRITE | platform::FD_ACCEPT | platform::FD_CLOSE;
// Events of a taken-over socket: FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE (51).
constexpr long kAcceptedEvents = platform::FD_READ | platform::FD_WRITE | platform::FD_CONNECT | platform::FD_CLOSE;

// Longest single wait of DrainUntilClosed (it returns as soon as anything
// happens).
constexpr double kDrainSlice = 0.1;

std::string Dotted(std::uint32_t address) {
  in_addr a{};
  a.s_addr = address;
  return platform::inet_ntoa(a);
}

int NonNegative(int n) { return n < 0 ? 0 : n; }

}  // namespace

// ---------------------------------------------------------------------------
// Listening

void TCustomWSocket::Listen() {
  if (socket_ != INVALID_SOCKET) {
    // A second socket would leak the first one.
    platform::WSASetLastError(platform::WSAEINVAL);
    RaiseSocketError("listen: socket already in use");
    return;
  }
  const struct {
    bool assigned;
    const char* text;
  } required[] = {{portAssigned_, "listen: port not assigned"},
                  {protoAssigned_, "listen: protocol not assigned"},
                  {addrAssigned_, "listen: address not assigned"}};
  for (const auto& r : required) {
    if (!r.assigned) {
      platform::WSASetLastError(platform::WSAEINVAL);
      RaiseSocketError(r.text);
      return;
    }
  }
  try {
    if (!protoResolved_) {
      protoNo_ = WSocketResolveProto(proto_);
      socketType_ = protoNo_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_STREAM;
      protoResolved_ = true;
    }
    if (!portResolved_) {
      portNo_ = WSocketResolvePort(port_, proto_);
      sin_.sin_port = htons(static_cast<std::uint16_t>(portNo_));
      portResolved_ = true;
    }
    if (!addrResolved_) {
      sin_.sin_addr.s_addr = WSocketResolveHost(addr_);
      addrResolved_ = true;
    }
    LoadWinsock();
  } catch (const std::exception& e) {
    ReportError(std::string("listen: ") + e.what());
    return;
  }
  sendQueue_.clear();
  // Every failure closes the socket again: no descriptor is left behind
  // and the component is closed.
  try {
    if (!ListenSocket()) AbandonSocket();
  } catch (...) {
    AbandonSocket();
    throw;
  }
}

bool TCustomWSocket::ListenSocket() {
  socket_ = platform::socket(AF_INET, socketType_, protoNo_);
  if (socket_ == INVALID_SOCKET) {
    RaiseSocketError("socket");
    return false;
  }
  const bool datagram = socketType_ == SOCK_DGRAM;
  const int on = -1;
  if (datagram && ReuseAddr &&
      platform::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == SOCKET_ERROR) {
    RaiseSocketError("setsockopt(SO_REUSEADDR)");
    return false;
  }
  if (platform::bind(socket_, reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_) == SOCKET_ERROR) {
    RaiseSocketError("Bind");
    return false;
  }
  const platform::SOCKET s = socket_;
  SetState(wsBound);
  if (socket_ != s) return true;  // a handler closed it
  if (datagram && MultiCast) {
    ip_mreq group{};
    group.imr_multiaddr.s_addr = platform::inet_addr(MultiCastAddrStr.c_str());
    group.imr_interface.s_addr = WSocketResolveHost(addr_);
    if (platform::setsockopt(socket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) == SOCKET_ERROR) {
      RaiseSocketError("setsockopt(IP MULTICAST)");
      return false;
    }
  }
  if (!datagram) {
    if (platform::listen(socket_, 5) == SOCKET_ERROR) {
      RaiseSocketError("Listen");
      return false;
    }
    SetState(wsListening);
  } else {
    SetState(wsListening);
    if (socket_ == s) SetState(wsConnected);
    if (socket_ == s) FireSessionConnected(0);
  }
  if (socket_ != s) return true;
  selectMask_ = kListenEvents;
  if (platform::WSAAsyncSelect(socket_, WindowHandle(), WM_ASYNCSELECT, selectMask_) == SOCKET_ERROR) {
    RaiseSocketError("WSAASyncSelect");
    return false;
  }
  return true;
}

platform::SOCKET TCustomWSocket::Accept() {
  if (state_ != wsListening) {
    platform::WSASetLastError(platform::WSAEINVAL);
    RaiseSocketError("not a listening socket");
    return INVALID_SOCKET;
  }
  int length = sizeof sin_;
  const platform::SOCKET accepted = platform::accept(socket_, reinterpret_cast<sockaddr*>(&sin_), &length);
  if (accepted == INVALID_SOCKET) {
    RaiseSocketError("Accept");
    return INVALID_SOCKET;
  }
  unsigned long nonBlocking = 1;
  platform::ioctlsocket(accepted, FIONBIO, &nonBlocking);
  acceptedSocket_ = accepted;
  return accepted;
}

void TCustomWSocket::Dup(platform::SOCKET handle) {
  if (handle == 0 || handle == INVALID_SOCKET) {
    platform::WSASetLastError(platform::WSAEINVAL);
    RaiseSocketError("Dup");
    return;
  }
  if (socket_ != INVALID_SOCKET || state_ != wsClosed) {
    if (socket_ != INVALID_SOCKET) {
      const int rc = platform::closesocket(socket_);
      socket_ = INVALID_SOCKET;
      if (rc == SOCKET_ERROR) {
        RaiseSocketError("Dup (closesocket)");
        return;
      }
    }
    if (state_ != wsClosed) SetState(wsClosed);
  }
  try {
    LoadWinsock();
  } catch (const std::exception& e) {
    ReportError(e.what());
    return;
  }
  socket_ = handle;
  int type = SOCK_STREAM;
  int typeLength = sizeof type;
  if (platform::getsockopt(socket_, SOL_SOCKET, SO_TYPE, &type, &typeLength) == 0) socketType_ = type;
  // What was queued for an earlier connection never goes to this one.
  sendQueue_.clear();
  allSent_ = true;
  paused_ = false;
  closeNotified_ = false;
  ApplyLinger();
  if (socket_ != handle) return;
  selectMask_ = kAcceptedEvents;
  if (platform::WSAAsyncSelect(socket_, WindowHandle(), WM_ASYNCSELECT, selectMask_) == SOCKET_ERROR) {
    RaiseSocketError("WSAAsyncSelect");
    return;
  }
  SetState(wsConnected);
}

// ---------------------------------------------------------------------------
// Datagrams

int TCustomWSocket::ReceiveFromRaw(void* buffer, int length, int flags, sockaddr_in& from, int& fromLength) {
  return platform::recvfrom(socket_, buffer, length, flags, reinterpret_cast<sockaddr*>(&from), &fromLength);
}

int TCustomWSocket::ReceiveFrom(void* buffer, int length, sockaddr_in& from, int& fromLength) {
  if (buffer == nullptr) length = 0;
  fromLength = std::min(NonNegative(fromLength), static_cast<int>(sizeof from));
  const int n = ReceiveFromRaw(buffer, NonNegative(length), 0, from, fromLength);
  if (n < 0) {
    lastError_ = platform::WSAGetLastError();
  } else {
    readCount_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(readCount_) + static_cast<std::uint32_t>(n));
    // An empty datagram is a datagram taken.
    bytesTaken_ += n > 0 ? static_cast<std::uint64_t>(n) : 1;
  }
  return n;
}

int TCustomWSocket::SendTo(const sockaddr_in& to, int toLength, const void* data, int length) {
  const sockaddr_in destination = to;
  if (data == nullptr) length = 0;
  const int n = platform::sendto(socket_, data, NonNegative(length), sendFlags_,
                                 reinterpret_cast<const sockaddr*>(&destination),
                                 std::min(NonNegative(toLength), static_cast<int>(sizeof destination)));
  if (n > 0 && OnSendData) OnSendData(*this, n);
  return n;
}

// ---------------------------------------------------------------------------
// Name look-ups

// Forgets a pending request without telling anyone.
void TCustomWSocket::DropDnsRequest() {
  if (dnsRequest_ == 0) return;
  platform::WSACancelAsyncRequest(dnsRequest_);
  dnsRequest_ = 0;
}

void TCustomWSocket::DnsLookup(const std::string& host) {
  if (host.empty()) {
    ReportError("DNS lookup: invalid host name.");
    FireDnsLookupDone(platform::WSAEINVAL);
    return;
  }
  DropDnsRequest();
  dnsResult_.clear();
  dnsResultList_.clear();
  if (IsDottedIPAddress(host)) {
    const std::uint32_t address = platform::inet_addr(Trim(host).c_str());
    if (address != INADDR_NONE) {
      dnsResult_ = Dotted(address);
      dnsResultList_.push_back(dnsResult_);
      FireDnsLookupDone(0);
      return;
    }
  }
  if (!ReadyForLookup("DnsLookup")) return;
  dnsRequest_ = platform::WSAAsyncGetHostByName(WindowHandle(), WM_ASYNCGETHOSTBYNAME, host.c_str());
  if (dnsRequest_ == 0) {
    ReportError(host + ": can't start DNS lookup, error #" + std::to_string(platform::WSAGetLastError()));
  }
}

bool TCustomWSocket::ReadyForLookup(const char* operation) {
  if (!window_) {
    ReportError(std::string(operation) + ": Window not assigned");
    return false;
  }
  try {
    LoadWinsock();
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
  return true;
}

void TCustomWSocket::ReverseDnsLookup(const std::string& address) {
  const std::uint32_t ip = platform::inet_addr(Trim(address).c_str());
  // Text that is no address would otherwise be looked up as 255.255.255.255.
  const bool valid = ip != INADDR_NONE || Trim(address) == "255.255.255.255";
  if (address.empty() || address.size() > 256 || !valid) {
    ReportError("ReverseDnsLookup: Invalid host name.");
    FireDnsLookupDone(platform::WSAEINVAL);
    return;
  }
  DropDnsRequest();
  dnsResult_.clear();
  dnsResultList_.clear();
  if (!ReadyForLookup("ReverseDnsLookup")) return;
  dnsRequest_ = platform::WSAAsyncGetHostByAddr(WindowHandle(), WM_ASYNCGETHOSTBYADDR, ip);
  if (dnsRequest_ == 0) {
    ReportError(address + ": can't start DNS lookup, error #" + std::to_string(platform::WSAGetLastError()));
  }
}

void TCustomWSocket::HandleDnsReply(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (dnsRequest_ == 0 || wParam != dnsRequest_) return;
  const platform::AsyncHandle request = dnsRequest_;
  dnsRequest_ = 0;
  auto error = static_cast<std::uint16_t>(platform::WSAGETSELECTERROR(lParam));
  platform::HostEntry entry;
  const bool taken = platform::WSAAsyncLookupResult(request, entry);
  if (error == 0 && !taken) error = platform::WSANO_DATA;
  if (error == 0) {
    if (msg == WM_ASYNCGETHOSTBYNAME) {
      for (std::uint32_t a : entry.addresses) dnsResultList_.push_back(Dotted(a));
    } else {
      dnsResultList_.push_back(entry.name);
    }
    if (!dnsResultList_.empty()) dnsResult_ = dnsResultList_.front();
  }
  FireDnsLookupDone(error);
}

void TCustomWSocket::CancelDnsLookup() {
  if (dnsRequest_ == 0) return;
  const platform::AsyncHandle request = dnsRequest_;
  dnsRequest_ = 0;
  if (platform::WSACancelAsyncRequest(request) == SOCKET_ERROR) {
    RaiseSocketError("WSACancelAsyncRequest");
    return;
  }
  if (!destroying_) FireDnsLookupDone(platform::WSAEINTR);
}

// ---------------------------------------------------------------------------
// Peer and local names

// Reports a failing call like RaiseSocketError, but never closes: asking
// for a name must not end the connection.
void TCustomWSocket::ReportSocketError(const std::string& functionName) {
  lastError_ = platform::WSAGetLastError();
  ReportError(WSocketErrorMessage(lastError_, functionName));
}

std::string TCustomWSocket::GetPeerAddr() {
  if (state_ != wsConnected) return "error";
  sockaddr_in peer{};
  int length = sizeof peer;
  if (platform::getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) == SOCKET_ERROR) {
    ReportSocketError("GetPeerName");
    return "error";
  }
  return Dotted(peer.sin_addr.s_addr);
}

std::string TCustomWSocket::GetPeerPort() {
  if (state_ != wsConnected) return "error";
  sockaddr_in peer{};
  int length = sizeof peer;
  if (platform::getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) == SOCKET_ERROR) {
    ReportSocketError("GetPeerPort");
    return "error";
  }
  return std::to_string(ntohs(peer.sin_port));
}

int TCustomWSocket::PeerSockAddr(sockaddr_in& address, int& length) {
  if (state_ != wsConnected) return SOCKET_ERROR;
  length = std::min(NonNegative(length), static_cast<int>(sizeof address));
  return platform::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length);
}

std::string TCustomWSocket::GetLocalAddrText() {
  if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
  sockaddr_in local{};
  int length = sizeof local;
  if (platform::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == SOCKET_ERROR) return "error";
  return Dotted(local.sin_addr.s_addr);
}

std::string TCustomWSocket::GetLocalPortText() {
  if (state_ != wsBound && state_ != wsConnected && state_ != wsListening) return "error";
  sockaddr_in local{};
  int length = sizeof local;
  if (platform::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == SOCKET_ERROR) return "error";
  return std::to_string(ntohs(local.sin_port));
}

int TCustomWSocket::LocalSockAddr(sockaddr_in& address, int& length) {
  length = std::min(NonNegative(length), static_cast<int>(sizeof address));
  return platform::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
}

// ---------------------------------------------------------------------------
// Pause, resume, delayed close and free, draining

void TCustomWSocket::Pause() {
  paused_ = true;
  if (socket_ != INVALID_SOCKET) platform::WSAAsyncSelect(socket_, WindowHandle(), 0, 0);
}

void TCustomWSocket::Resume() {
  paused_ = false;
  if (socket_ != INVALID_SOCKET) platform::WSAAsyncSelect(socket_, WindowHandle(), WM_ASYNCSELECT, selectMask_);
}

void TCustomWSocket::PostClose() { platform::PostMessage(WindowHandle(), WM_CLOSE_DELAYED, 0, 0); }

void TCustomWSocket::PostFree() {
  if (!SelfOwned) {
    ReportError("PostFree: the component is not self-owned");
    return;
  }
  platform::PostMessage(WindowHandle(), WM_FREE_DELAYED, 0, 0);
}

void TCustomWSocket::DrainUntilClosed() {
  bool progress = false;
  while (socket_ != INVALID_SOCKET && state_ != wsClosed) {
    // Waits for something to happen rather than spinning, unless the last
    // round took data (more may be waiting).
    platform::ProcessMessages(progress ? 0.0 : kDrainSlice);
    progress = false;
    if (socket_ == INVALID_SOCKET || state_ == wsClosed) break;
    unsigned long waiting = 0;
    if (platform::ioctlsocket(socket_, FIONREAD, &waiting) == SOCKET_ERROR) {
      lastError_ = platform::WSAGetLastError();
      break;
    }
    if (waiting > 0 || LayerPendingCount() > 0) {
      const std::uint64_t takenBefore = bytesTaken_;
      if (!FireDataAvailable(0)) {
        char scratch[1024];
        if (ReceiveRaw(scratch, sizeof scratch, 0) > 0) CountTaken(1);
      }
      progress = bytesTaken_ != takenBefore;
      continue;
    }
    if (socketType_ != SOCK_STREAM) continue;
    // Nothing waiting: a peek of 0 bytes means the peer has closed.
    char probe = 0;
    const int n = platform::recv(socket_, &probe, 1, MSG_PEEK);
    if (n == 0) {
      Close();
      break;
    }
    if (n < 0) {
      const int code = platform::WSAGetLastError();
      if (code != platform::WSAEWOULDBLOCK) {
        lastError_ = code;
        break;
      }
    }
  }
}
