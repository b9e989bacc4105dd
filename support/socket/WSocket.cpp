#include "support/socket/WSocket.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "support/socket/WSocketDetail.h"

using platform::INVALID_SOCKET;
using platform::SOCKET_ERROR;
using wsocket_detail::Trim;

namespace {

// Network events of a client socket: FD_READ | FD_WRITE | FD_ACCEPT |
// FD_CONNECT | FD_CLOSE (59).
constexpr long kClientEvents =
    platform::FD_READ | platform::FD_WRITE | platform::FD_ACCEPT | platform::FD_CONNECT | platform::FD_CLOSE;

// Longest single wait of a loop that waits for the socket (the event loop
// returns as soon as anything happens).
constexpr double kWaitSlice = 0.1;

// Send errors that mean the connection is gone.
bool IsLostConnection(int code) {
  return code == platform::WSAEINVAL || code == platform::WSAENOTSOCK || code == platform::WSAECONNABORTED ||
         code == platform::WSAECONNRESET || code == platform::WSAENOTCONN;
}

std::int32_t AddWrapping(std::int32_t a, int b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

// ---------------------------------------------------------------------------
// Construction and destruction

TCustomWSocket::TCustomWSocket() {
  TCustomWSocket::CreateHiddenWindow();
  sendChunkSize_ = 1460;
  MultiCastIpTTL = 1;
  TCustomWSocket::ResetDefaults();
  ++wsocket_detail::g_liveCount;
}

TCustomWSocket::~TCustomWSocket() {
  DestroyComponent();
  if (wsocket_detail::g_liveCount.fetch_sub(1) - 1 < 1) UnloadWinsock();
  sendQueue_.clear();
  TCustomWSocket::DestroyHiddenWindow();
}

void TCustomWSocket::DestroyComponent() {
  if (destroyed_) return;
  destroyed_ = true;
  destroying_ = true;
  try {
    CancelDnsLookup();
  } catch (...) {
  }
  try {
    if (socket_ != INVALID_SOCKET || state_ != wsClosed) ShutdownAndClose(true, 0);
  } catch (...) {
  }
  if (socket_ != INVALID_SOCKET) {
    platform::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
}

void TCustomWSocket::CreateHiddenWindow() {
  window_ = std::make_unique<platform::NoticeWindow>(
      [this](unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) { HandleWindowMessage(msg, wParam, lParam); });
}

// Dropping the window drops the notices still queued for it.
void TCustomWSocket::DestroyHiddenWindow() { window_.reset(); }

platform::WindowHandle TCustomWSocket::WindowHandle() const { return window_ ? window_->Handle() : 0; }

void TCustomWSocket::ResetDefaults() {
  // An open handle is never forgotten without being closed.
  if (socket_ != INVALID_SOCKET) platform::closesocket(socket_);
  sin_ = sockaddr_in{};
  sin_.sin_family = AF_INET;
  portAssigned_ = false;
  addrAssigned_ = false;
  addrResolved_ = false;
  portResolved_ = false;
  protoResolved_ = false;
  localPortResolved_ = false;
  protoAssigned_ = true;
  protoNo_ = IPPROTO_TCP;
  proto_ = "tcp";
  socketType_ = SOCK_STREAM;
  localPort_ = "0";
  localAddr_ = "0.0.0.0";
  LingerOnOff = wsLingerOn;
  LingerTimeout = 0;
  socket_ = INVALID_SOCKET;
  selectMask_ = 0;
  state_ = wsClosed;
  allSent_ = true;
  paused_ = false;
  readCount_ = 0;
  closeNotified_ = false;
  FlushTimeout = 60;
}

// ---------------------------------------------------------------------------
// Properties

void TCustomWSocket::SetAddr(const std::string& value) { AssignText(value, "Addr", addr_, addrAssigned_, addrResolved_); }

void TCustomWSocket::SetPort(const std::string& value) { AssignText(value, "Port", port_, portAssigned_, portResolved_); }

void TCustomWSocket::SetProto(const std::string& value) {
  AssignText(value, "Proto", proto_, protoAssigned_, protoResolved_);
}

// The same text again changes nothing; another one only while closed. The
// value is trimmed; an empty one leaves the property unassigned.
void TCustomWSocket::AssignText(const std::string& value, const char* name, std::string& text, bool& assigned,
                                bool& resolved) {
  if (assigned && value == text) return;
  if (state_ != wsClosed) {
    ReportError(std::string("Cannot change ") + name + " if not closed");
    return;
  }
  text = Trim(value);
  assigned = !text.empty();
  resolved = false;
}

void TCustomWSocket::SetLocalAddr(const std::string& value) {
  if (state_ != wsClosed) {
    ReportError("Cannot change LocalAddr if not closed");
    return;
  }
  localAddr_ = value.empty() ? "0.0.0.0" : value;
}

void TCustomWSocket::SetLocalPort(const std::string& value) {
  if (state_ != wsClosed) {
    ReportError("Cannot change LocalPort if not closed");
    return;
  }
  localPort_ = value;
  localPortResolved_ = false;
}

TSocketSendFlags TCustomWSocket::SendFlags() {
  if (sendFlags_ == 0) return wsSendNormal;
  if (sendFlags_ == MSG_OOB) return wsSendUrgent;
  ReportError("Invalid internal SendFlags");
  return wsSendNormal;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags flags) {
  switch (flags) {
    case wsSendNormal:
      sendFlags_ = 0;
      return;
    case wsSendUrgent:
      sendFlags_ = MSG_OOB;
      return;
  }
  ReportError("Invalid SendFlags");
}

void TCustomWSocket::SetState(TSocketState newState) {
  const TSocketState oldState = state_;
  state_ = newState;
  FireChangeState(oldState, newState);
}

// ---------------------------------------------------------------------------
// Connecting

void TCustomWSocket::Connect() {
  if (socket_ != INVALID_SOCKET && state_ != wsClosed) {
    ReportError("Connect: Socket already in use");
    return;
  }
  // A handle still open in the closed state is released, not leaked.
  if (socket_ != INVALID_SOCKET) {
    platform::closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }
  if (!portAssigned_) {
    ReportError("Connect: No Port Specified");
    return;
  }
  if (!addrAssigned_) {
    ReportError("Connect: No IP Address Specified");
    return;
  }
  if (!protoAssigned_) {
    ReportError("Connect: No Protocol Specified");
    return;
  }
  try {
    if (!protoResolved_) {
      protoNo_ = WSocketResolveProto(proto_);
      socketType_ = protoNo_ == IPPROTO_TCP ? SOCK_STREAM : protoNo_ == IPPROTO_UDP ? SOCK_DGRAM : SOCK_RAW;
      protoResolved_ = true;
    }
    if (!portResolved_) {
      portNo_ = WSocketResolvePort(port_, proto_);
      sin_.sin_port = htons(static_cast<std::uint16_t>(portNo_));
      portResolved_ = true;
    }
    if (!localPortResolved_) {
      localPortNo_ = WSocketResolvePort(localPort_, proto_);
      localPortResolved_ = true;
    }
    if (!addrResolved_) {
      sin_.sin_addr.s_addr = WSocketResolveHost(addr_);
      addrResolved_ = true;
    }
    LoadWinsock();
  } catch (const std::exception& e) {
    ReportError(std::string("connect: ") + e.what());
    return;
  }
  sendQueue_.clear();
  // A connect that fails once the socket exists closes it again, so that
  // the next Connect starts afresh instead of finding the socket in use.
  try {
    ConnectSocket();
  } catch (...) {
    AbandonSocket();
    throw;
  }
  if (state_ == wsOpened) AbandonSocket();
}

void TCustomWSocket::ConnectSocket() {
  socket_ = platform::socket(AF_INET, socketType_, protoNo_);
  if (socket_ == INVALID_SOCKET) {
    RaiseSocketError("Connect (socket)");
    return;
  }
  SetState(wsOpened);
  if (state_ != wsOpened) {
    platform::WSASetLastError(platform::WSAEINVAL);
    RaiseSocketError("Connect (Invalid operation in OnChangeState)");
    return;
  }
  const int on = -1;
  if (socketType_ == SOCK_DGRAM) {
    if (!BindLocal()) return;
    if (MultiCast) {
      if (MultiCastIpTTL != 1) {
        const int ttl = MultiCastIpTTL;
        if (platform::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) == SOCKET_ERROR) {
          RaiseSocketError("setsockopt(IP_MULTICAST_TTL)");
          return;
        }
      }
      if (localAddr_ != "0.0.0.0") {
        in_addr local{};
        local.s_addr = WSocketResolveHost(localAddr_);
        if (platform::setsockopt(socket_, IPPROTO_IP, IP_MULTICAST_IF, &local, sizeof local) == SOCKET_ERROR) {
          RaiseSocketError("setsockopt(IP_MULTICAST_IF)");
          return;
        }
      }
    }
    if (sin_.sin_addr.s_addr == INADDR_BROADCAST) {
      const int broadcast = 1;
      if (platform::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &broadcast, sizeof broadcast) == SOCKET_ERROR) {
        RaiseSocketError("setsockopt(SO_BROADCAST)");
        return;
      }
    }
  } else {
    if (platform::setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == SOCKET_ERROR) {
      RaiseSocketError("setsockopt(SO_REUSEADDR)");
      return;
    }
    if (ComponentOptions.Contains(wsoTcpNoDelay) &&
        platform::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == SOCKET_ERROR) {
      RaiseSocketError("setsockopt(IPPROTO_TCP, TCP_NODELAY)");
      return;
    }
    if (!SetLinger()) {
      RaiseSocketError("setsockopt(SO_LINGER)");
      return;
    }
    if (platform::setsockopt(socket_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on) == SOCKET_ERROR) {
      RaiseSocketError("setsockopt(SO_KEEPALIVE)");
      return;
    }
    if ((localPortNo_ != 0 || localAddr_ != "0.0.0.0") && !BindLocal()) return;
  }
  selectMask_ = kClientEvents;
  if (platform::WSAAsyncSelect(socket_, WindowHandle(), WM_ASYNCSELECT, selectMask_) == SOCKET_ERROR) {
    RaiseSocketError("WSAAsyncSelect");
    return;
  }
  if (socketType_ == SOCK_DGRAM) {
    SetState(wsConnected);
    FireSessionConnected(0);
    return;
  }
  if (platform::connect(socket_, reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_) == SOCKET_ERROR) {
    const int code = platform::WSAGetLastError();
    if (code != platform::WSAEWOULDBLOCK) {
      lastError_ = code;
      RaiseSocketError("Connect");
      return;
    }
  }
  SetState(wsConnecting);
}

// Closes a socket whose connect failed before it started.
void TCustomWSocket::AbandonSocket() {
  if (socket_ == INVALID_SOCKET) return;
  platform::closesocket(socket_);
  socket_ = INVALID_SOCKET;
  if (state_ != wsClosed) SetState(wsClosed);
  ResetDefaults();
}

void TCustomWSocket::SetRemoteResolved(std::uint32_t address, std::uint16_t port) {
  sin_.sin_addr.s_addr = address;
  sin_.sin_port = port;
  addrResolved_ = true;
  portResolved_ = true;
}

bool TCustomWSocket::BindLocal() {
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(static_cast<std::uint16_t>(localPortNo_));
  local.sin_addr.s_addr = WSocketResolveHost(localAddr_);
  if (platform::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
    ReportError("winsock.bind failed, error #" + std::to_string(platform::WSAGetLastError()));
    return false;
  }
  int length = sizeof local;
  if (platform::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == SOCKET_ERROR) {
    ReportError("winsock.getsockname failed, error #" + std::to_string(platform::WSAGetLastError()));
    return false;
  }
  localPortNo_ = ntohs(local.sin_port);
  localPort_ = std::to_string(localPortNo_);
  return true;
}

bool TCustomWSocket::SetLinger() {
  if (LingerOnOff == wsLingerNoSet) return true;
  ::linger option{};
  option.l_onoff = LingerOnOff == wsLingerOn ? 1 : 0;
  option.l_linger = LingerTimeout;
  return platform::setsockopt(socket_, SOL_SOCKET, SO_LINGER, &option, sizeof option) != SOCKET_ERROR;
}

void TCustomWSocket::ApplyLinger() {
  if (LingerOnOff == wsLingerNoSet) return;
  if (socket_ == INVALID_SOCKET) {
    ReportError("Cannot set linger option at this time");
    return;
  }
  if (!SetLinger()) RaiseSocketError("setsockopt(SO_LINGER)");
}

// ---------------------------------------------------------------------------
// Notices

void TCustomWSocket::HandleWindowMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
  try {
    switch (msg) {
      case WM_ASYNCSELECT:
        HandleSelectMessage(wParam, lParam);
        break;
      case WM_ASYNCGETHOSTBYNAME:
      case WM_ASYNCGETHOSTBYADDR:
        HandleDnsReply(msg, wParam, lParam);
        break;
      case WM_CLOSE_DELAYED:
        Close();
        break;
      case WM_FREE_DELAYED:
        // Nothing of the component may be touched after this.
        if (SelfOwned) delete this;
        return;
      case WM_WSOCKET_TEST:
        throw ESocketException("Test exception in WSocket");
      default:
        break;
    }
  } catch (const std::exception& e) {
    HandleEventException(e);
  }
}

void TCustomWSocket::HandleSelectMessage(std::uintptr_t wParam, std::intptr_t lParam) {
  const platform::SOCKET s = static_cast<platform::SOCKET>(wParam);
  if (s != socket_ || s == INVALID_SOCKET || paused_) return;
  const unsigned event = platform::WSAGETSELECTEVENT(lParam);
  const auto error = static_cast<std::uint16_t>(platform::WSAGETSELECTERROR(lParam));
  // Handlers may close (or even reopen) the socket: each step checks that
  // the notice still belongs to the open socket.
  auto gone = [&] { return socket_ != s; };

  if ((event & platform::FD_CONNECT) && state_ != wsConnected) {
    SetState(wsConnected);
    FireSessionConnected(error);
    if (error != 0 && state_ != wsClosed) Close();
  }
  if (gone()) return;
  if (event & platform::FD_READ) {
    if (state_ != wsConnected) {
      SetState(wsConnected);
      FireSessionConnected(error);
    }
    if (gone()) return;
    ReceiveLoop(error, ComponentOptions);
  }
  if (gone()) return;
  if (event & platform::FD_WRITE) {
    TryToSend();
    if (gone()) return;
    if (allSent_) FireDataSent(error);
  }
  if (gone()) return;
  if (event & platform::FD_ACCEPT) FireSessionAvailable(error);
  if (gone()) return;
  if ((event & platform::FD_CLOSE) && state_ != wsConnecting) {
    // Everything still waiting is delivered before the close.
    ReceiveLoop(0, ComponentOptions.Without(wsoNoReceiveLoop));
    if (gone()) return;
    if (!closeNotified_) {
      closeNotified_ = true;
      FireSessionClosed(error);
    }
    if (gone()) return;
    if (state_ != wsClosed) Close();
  }
}

void TCustomWSocket::ReceiveLoop(std::uint16_t error, TWSocketOptions options) {
  bool more = true;
  while (more) {
    lastError_ = 0;
    try {
      const std::uint64_t takenBefore = bytesTaken_;
      const bool handled = FireDataAvailable(error);
      if (!handled) {
        char scratch[1024];
        if (ReceiveRaw(scratch, sizeof scratch, 0) < 0) {
          lastError_ = platform::WSAGetLastError();
          if (lastError_ == platform::WSAEWOULDBLOCK) {
            lastError_ = 0;
            break;
          }
        }
      }
      if (options.Contains(wsoNoReceiveLoop)) break;
      if (lastError_ != 0) {
        more = false;
        continue;
      }
      // A handler that took nothing would be called again without end; the
      // data stays for the next notice.
      if (handled && bytesTaken_ == takenBefore) break;
      // Bytes a layer holds count as pending as well as the socket's.
      unsigned long waiting = 0;
      if (platform::ioctlsocket(socket_, FIONREAD, &waiting) == SOCKET_ERROR) {
        lastError_ = platform::WSAGetLastError();
        more = false;
      } else if (waiting == 0 && LayerPendingCount() <= 0) {
        more = false;
      }
    } catch (...) {
      // An exception from the data handler is dropped; the connection stays.
      more = false;
    }
  }
}

// ---------------------------------------------------------------------------
// Receiving

int TCustomWSocket::Receive(void* buffer, int length) {
  if (length < 0 || buffer == nullptr) length = 0;
  const int n = ReceiveRaw(buffer, length, 0);
  if (n < 0) {
    lastError_ = platform::WSAGetLastError();
  } else {
    readCount_ = AddWrapping(readCount_, n);
    // An empty datagram is a datagram taken, not a close.
    bytesTaken_ += n > 0 ? static_cast<std::uint64_t>(n) : socketType_ == SOCK_DGRAM ? 1 : 0;
  }
  return n;
}

int TCustomWSocket::ReceiveRaw(void* buffer, int length, int flags) {
  return platform::recv(socket_, buffer, length, flags);
}

std::string TCustomWSocket::ReceiveText() {
  int count = GetRcvdCount();
  if (count < 0) return {};
  if (count == 0) count = 255;
  std::string text(static_cast<std::size_t>(count), '\0');
  const int n = Receive(text.data(), count);
  if (n <= 0) return {};
  text.resize(static_cast<std::size_t>(n));
  return text;
}

std::int32_t TCustomWSocket::GetRcvdCount() {
  unsigned long waiting = 0;
  if (platform::ioctlsocket(socket_, FIONREAD, &waiting) == SOCKET_ERROR) {
    RaiseSocketError("ioctlSocket");
    return -1;
  }
  return static_cast<std::int32_t>(std::min<unsigned long>(waiting, INT32_MAX));
}

// ---------------------------------------------------------------------------
// Sending

int TCustomWSocket::Send(const void* data, int length) {
  return SendBytes(data, length > 0 && data != nullptr ? static_cast<std::size_t>(length) : 0);
}

int TCustomWSocket::SendText(const std::string& text) {
  if (text.empty()) return 0;
  return SendBytes(text.data(), text.size());
}

int TCustomWSocket::SendBytes(const void* data, std::size_t length) {
  if (state_ != wsConnected) {
    platform::WSASetLastError(platform::WSAENOTCONN);
    RaiseSocketError("Send");
    return -1;
  }
  allSent_ = false;
  QueueSendData(data, length);
  TryToSend();
  if (allSent_ && socket_ != INVALID_SOCKET) {
    platform::PostMessage(WindowHandle(), WM_ASYNCSELECT, static_cast<std::uintptr_t>(socket_),
                          platform::WSAMAKESELECTREPLY(platform::FD_WRITE, 0));
  }
  return static_cast<int>(std::min<std::size_t>(length, INT_MAX));
}

void TCustomWSocket::QueueSendData(const void* data, std::size_t length) {
  if (length == 0 || data == nullptr) return;
  const char* bytes = static_cast<const char*>(data);
  if (sendQueue_.empty()) sendQueue_.push_back(std::make_unique<TBuffer>(sendChunkSize_));
  std::size_t done = 0;
  for (;;) {
    const int piece = static_cast<int>(std::min<std::size_t>(length - done, INT_MAX));
    done += static_cast<std::size_t>(sendQueue_.back()->Append(bytes + done, piece));
    if (done >= length) break;
    sendQueue_.push_back(std::make_unique<TBuffer>(sendChunkSize_));
  }
}

void TCustomWSocket::TryToSend() {
  if (socket_ == INVALID_SOCKET || sendQueue_.empty()) return;
  for (;;) {
    TBuffer* chunk = sendQueue_.front().get();
    const TBuffer::Span unread = chunk->PeekData();
    if (unread.length == 0) {
      if (sendQueue_.size() > 1) {
        sendQueue_.pop_front();
        continue;
      }
      allSent_ = true;
      return;
    }
    const int sent = SendRaw(unread.data, unread.length);
    if (sent == 0) return;
    if (sent == SOCKET_ERROR) {
      const int code = platform::WSAGetLastError();
      if (IsLostConnection(code)) {
        closeNotified_ = true;
        Close();
        FireSessionClosed(static_cast<std::uint16_t>(code));
      } else if (code != platform::WSAEWOULDBLOCK) {
        RaiseSocketError("TryToSend failed");
      }
      return;
    }
    // OnSendData may have emptied the queue (Abort) or closed the socket.
    if (sendQueue_.empty() || sendQueue_.front().get() != chunk || socket_ == INVALID_SOCKET) return;
    chunk->Consume(sent);
    if (sent < unread.length) return;
  }
}

int TCustomWSocket::SendRaw(const void* data, int length) {
  const int n = socketType_ == SOCK_DGRAM
                    ? platform::sendto(socket_, data, length, sendFlags_, reinterpret_cast<const sockaddr*>(&sin_),
                                       sizeof sin_)
                    : platform::send(socket_, data, length, sendFlags_);
  if (n > 0 && OnSendData) OnSendData(*this, n);
  return n;
}

void TCustomWSocket::Flush() {
  while (socket_ != INVALID_SOCKET && !allSent_) {
    TryToSend();
    if (socket_ == INVALID_SOCKET || allSent_) break;
    // Waits for room in the socket (or any other event), never spins.
    platform::ProcessMessages(kWaitSlice);
  }
}

// ---------------------------------------------------------------------------
// Closing

void TCustomWSocket::Close() { ShutdownAndClose(true, 0); }

void TCustomWSocket::Shutdown(int how) {
  if (socket_ != INVALID_SOCKET) platform::shutdown(socket_, how);
}

void TCustomWSocket::ShutdownAndClose(bool shutdownFirst, std::uint16_t error) {
  if (socket_ == INVALID_SOCKET) {
    if (state_ != wsClosed) {
      SetState(wsClosed);
      ResetDefaults();
    }
    return;
  }
  // An open handle is closed whatever State says. Closing always releases
  // the descriptor here, so there is nothing to wait for or retry.
  if (shutdownFirst) Shutdown(platform::SD_SEND);
  const int rc = platform::closesocket(socket_);
  socket_ = INVALID_SOCKET;
  if (rc == SOCKET_ERROR) {
    lastError_ = platform::WSAGetLastError();
    if (lastError_ != platform::WSANOTINITIALISED) {
      RaiseSocketError("Disconnect (closesocket)");
      return;
    }
  }
  SetState(wsClosed);
  if (!destroying_ && !closeNotified_) {
    closeNotified_ = true;
    FireSessionClosed(error);
  }
  try {
    ResetDefaults();
  } catch (...) {
  }
}

void TCustomWSocket::Abort() {
  CancelDnsLookup();
  sendQueue_.clear();
  if (state_ == wsConnected && protoNo_ == IPPROTO_TCP) {
    LingerOnOff = wsLingerOff;
    ApplyLinger();
  }
  ShutdownAndClose(false, 0);
}

void TCustomWSocket::PumpMessages() { platform::ProcessMessages(0.0); }

// ---------------------------------------------------------------------------
// Errors

void TCustomWSocket::RaiseSocketError(const std::string& functionName) {
  const int code = platform::WSAGetLastError();
  const std::string text = WSocketErrorMessage(code, functionName);
  if (code == platform::WSAECONNRESET || code == platform::WSAENOTCONN) {
    if (socket_ != INVALID_SOCKET) {
      platform::closesocket(socket_);
      socket_ = INVALID_SOCKET;
    }
    if (state_ != wsClosed) FireSessionClosed(static_cast<std::uint16_t>(code));
    SetState(wsClosed);
  }
  lastError_ = code;
  ReportError(text);
}

void TCustomWSocket::ReportError(const std::string& text) {
  lastErrorMessage_ = text;
  if (OnError) {
    FireError();
    return;
  }
  throw ESocketException(text);
}

void TCustomWSocket::HandleEventException(const std::exception& e) {
  bool canClose = true;
  if (OnBgException) {
    try {
      OnBgException(*this, e, canClose);
    } catch (...) {
    }
  }
  if (canClose) {
    try {
      Abort();
    } catch (...) {
    }
  }
}

// ---------------------------------------------------------------------------
// Event triggers

bool TCustomWSocket::FireDataAvailable(std::uint16_t error) {
  if (!OnDataAvailable) return false;
  OnDataAvailable(*this, error);
  return true;
}

void TCustomWSocket::FireSessionAvailable(std::uint16_t error) {
  if (OnSessionAvailable) OnSessionAvailable(*this, error);
}

void TCustomWSocket::FireSessionConnected(std::uint16_t error) {
  if (OnSessionConnected) OnSessionConnected(*this, error);
}

void TCustomWSocket::FireSessionClosed(std::uint16_t error) {
  if (OnSessionClosed) OnSessionClosed(*this, error);
}

void TCustomWSocket::FireDataSent(std::uint16_t error) {
  if (OnDataSent) OnDataSent(*this, error);
}

void TCustomWSocket::FireChangeState(TSocketState oldState, TSocketState newState) {
  if (OnChangeState) OnChangeState(*this, oldState, newState);
}

void TCustomWSocket::FireDnsLookupDone(std::uint16_t error) {
  if (OnDnsLookupDone) OnDnsLookupDone(*this, error);
}

void TCustomWSocket::FireError() {
  if (OnError) OnError(*this);
}
