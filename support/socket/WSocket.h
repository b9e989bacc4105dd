// Asynchronous TCP socket component.
//
// TWSocket wraps a non-blocking socket whose network events arrive as
// notices at a hidden window owned by the component, so every event handler
// runs on the thread that created the component (the GUI thread) from the
// ordinary event loop; nothing blocks and nothing is locked.
//
// Class chain: TCustomWSocket (states, connect, send queue, receive loop,
// close, errors) -> TCustomSocksWSocket (proxy layer) -> TCustomLineWSocket
// (line mode) -> TCustomSyncWSocket (waiting) -> TWSocket. With no proxy and
// line mode off every layer passes straight through to the core.
//
// Errors found by the component are reported through OnError when it is
// assigned (LastError holds the WinSock code, LastErrorMessage the text),
// otherwise thrown as ESocketException. Message texts of failing WinSock
// calls read "Error <code> in function <name>" CR LF <English text>.
//
// Besides the TCP client it can listen and accept, use datagram sockets
// (with multicast and broadcast), and resolve names asynchronously: a
// look-up runs on a worker thread and its result comes back as a notice.
//
// A caller that waits for a connect pumps the event loop:
//   while (sock.State() == wsConnecting) platform::ProcessMessages(0.1);
//
// Destroying a component that is still open closes it: OnChangeState fires,
// OnSessionClosed does not, and no notice still queued is delivered. What
// the handlers use must outlive the component (or the handlers be cleared).
#pragma once
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/WinSock.h"
#include "platform/WinSockNotices.h"
#include "support/socket/WSockBuf.h"

class ESocketException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum TSocketState {
  wsInvalidState,
  wsOpened,
  wsBound,
  wsConnecting,
  wsConnected,
  wsAccepting,
  wsListening,
  wsClosed
};
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };
enum TWSocketOption { wsoNoReceiveLoop, wsoTcpNoDelay };

// A set of TWSocketOption.
class TWSocketOptions {
 public:
  constexpr TWSocketOptions() = default;
  constexpr TWSocketOptions(std::initializer_list<TWSocketOption> options) {
    for (TWSocketOption o : options) bits_ |= Bit(o);
  }
  constexpr bool Contains(TWSocketOption o) const { return (bits_ & Bit(o)) != 0; }
  constexpr TWSocketOptions Without(TWSocketOption o) const {
    TWSocketOptions r = *this;
    r.bits_ &= ~Bit(o);
    return r;
  }
  constexpr bool operator==(const TWSocketOptions&) const = default;

 private:
  static constexpr unsigned Bit(TWSocketOption o) { return 1u << static_cast<unsigned>(o); }
  unsigned bits_ = 0;
};

class TCustomWSocket;

// Event types; Error is a 16-bit WinSock code, 0 for success.
using TDataAvailable = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TDataSent = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TSessionClosed = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TSessionAvailable = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TSessionConnected = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TDnsLookupDone = std::function<void(TCustomWSocket& Sender, std::uint16_t Error)>;
using TSendData = std::function<void(TCustomWSocket& Sender, std::int32_t BytesSent)>;
using TChangeState = std::function<void(TCustomWSocket& Sender, TSocketState OldState, TSocketState NewState)>;
using TBgExceptionEvent = std::function<void(TCustomWSocket& Sender, const std::exception& E, bool& CanClose)>;
using TNotifyEvent = std::function<void(TCustomWSocket& Sender)>;

// A seconds-and-microseconds pair.
struct TTimeVal {
  long tv_sec = 0;
  long tv_usec = 0;
};

// ---------------------------------------------------------------------------
// Loading of the socket library, name resolution and error texts.

// Starts the socket library if it is not started yet (the first socket
// call of the process does this); throws ESocketException when it fails.
void LoadWinsock();
// Cleans the library up and sets the count of live components to 0.
void UnloadWinsock();
bool WinsockLoaded();
// Number of live socket components.
int WSocketLiveCount();

// Address text to an IPv4 address in network order; throws ESocketException.
std::uint32_t WSocketResolveHost(const std::string& text);
// Port text (number or service name) to a port in host order.
std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto);
// Protocol text (number or name) to a protocol number.
int WSocketResolveProto(const std::string& text);
bool IsDottedIPAddress(const std::string& text);
// English text of a WinSock error code; "Not a WinSock error" for others.
std::string WinsockErrorText(int code);
inline std::string WSocketErrorDesc(int code) { return WinsockErrorText(code); }
// "Error <code> in function <name>" CR LF <text>.
std::string WSocketErrorMessage(int code, const std::string& functionName);

// ---------------------------------------------------------------------------

class TCustomWSocket {
 public:
  TCustomWSocket();
  virtual ~TCustomWSocket();
  TCustomWSocket(const TCustomWSocket&) = delete;
  TCustomWSocket& operator=(const TCustomWSocket&) = delete;

  // Properties. Addr, Port and Proto can change only while closed; every
  // close returns them to unassigned (Addr, Port) and "tcp" (Proto).
  const std::string& Addr() const { return addr_; }
  void SetAddr(const std::string& value);
  const std::string& Port() const { return port_; }
  virtual void SetPort(const std::string& value);
  const std::string& Proto() const { return proto_; }
  virtual void SetProto(const std::string& value);
  const std::string& LocalAddr() const { return localAddr_; }
  void SetLocalAddr(const std::string& value);
  const std::string& LocalPort() const { return localPort_; }
  void SetLocalPort(const std::string& value);
  TSocketState State() const { return state_; }
  std::int32_t ReadCount() const { return readCount_; }
  std::int32_t RcvdCount() { return GetRcvdCount(); }
  std::int32_t LastError() const { return lastError_; }
  // Text of the last error reported (what OnError's handler would otherwise
  // have received as the exception's message).
  const std::string& LastErrorMessage() const { return lastErrorMessage_; }
  const std::string& DnsResult() const { return dnsResult_; }
  const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }

  bool MultiThreaded = false;
  bool MultiCast = false;
  std::string MultiCastAddrStr;
  int MultiCastIpTTL = 1;
  bool ReuseAddr = false;
  TWSocketOptions ComponentOptions;
  int FlushTimeout = 60;
  TSocketLingerOnOff LingerOnOff = wsLingerOn;
  int LingerTimeout = 0;
  TSocketSendFlags SendFlags();
  void SetSendFlags(TSocketSendFlags flags);

  // Starts a non-blocking connect; State is then wsConnecting (TCP) or an
  // error has been reported. The outcome arrives as OnSessionConnected.
  virtual void Connect();
  // Shuts the sending side down and closes; safe in any state.
  virtual void Close();
  // Closes at once, dropping what is still queued for sending.
  virtual void Abort();
  // Waits, pumping the event loop, until the send queue is empty.
  virtual void Flush();
  // Copies up to length bytes already received into buffer; 0 when the peer
  // has closed (or length is 0 or less), -1 with LastError set on an error
  // (10035 when nothing is waiting). Never waits.
  virtual int Receive(void* buffer, int length);
  virtual std::string ReceiveText();
  // Queues the bytes and starts sending; returns length, 0 for nothing, -1
  // (after reporting 10057 in "Send") when not connected.
  virtual int Send(const void* data, int length);
  virtual int SendText(const std::string& text);
  virtual void Shutdown(int how);
  // Handles what the event loop has pending, without waiting.
  virtual void PumpMessages();

  // Listening: binds to Addr and Port and listens (stream) or waits for
  // datagrams (Proto "udp"); an incoming connection fires
  // OnSessionAvailable, whose handler takes it with Accept.
  virtual void Listen();
  // The accepted handle (non-blocking), or -1 after reporting an error.
  virtual platform::SOCKET Accept();
  // Takes over an accepted handle; the component is then wsConnected.
  virtual void Dup(platform::SOCKET handle);
  // Datagrams.
  virtual int ReceiveFrom(void* buffer, int length, sockaddr_in& from, int& fromLength);
  virtual int SendTo(const sockaddr_in& to, int toLength, const void* data, int length);
  // Asynchronous look-ups; the answer arrives as OnDnsLookupDone, with
  // DnsResult and DnsResultList filled when its error is 0. A dotted
  // address answers before DnsLookup returns.
  virtual void DnsLookup(const std::string& host);
  virtual void ReverseDnsLookup(const std::string& address);
  // Drops a pending look-up; OnDnsLookupDone(10004) tells it.
  virtual void CancelDnsLookup();
  // Peer and local names ("error" when not available).
  virtual std::string GetPeerAddr();
  virtual std::string GetPeerPort();
  std::string PeerAddr() { return GetPeerAddr(); }
  std::string PeerPort() { return GetPeerPort(); }
  virtual int PeerSockAddr(sockaddr_in& address, int& length);
  virtual std::string GetLocalAddrText();
  virtual std::string GetLocalPortText();
  virtual int LocalSockAddr(sockaddr_in& address, int& length);
  // Stops and restarts the notices; notices already queued are ignored
  // while paused.
  virtual void Pause();
  virtual void Resume();
  // Close after the current handler has returned.
  virtual void PostClose();
  // Frees a self-owned component after the current handler has returned.
  // Only a component made with new and marked SelfOwned may be freed so;
  // for any other one an error is reported and nothing is freed.
  virtual void PostFree();
  bool SelfOwned = false;
  // Waits, pumping the event loop and delivering the data that arrives,
  // until the connection is closed (by the peer or a handler).
  virtual void DrainUntilClosed();

  static bool TimeValueIsSet(const TTimeVal& t) { return t.tv_sec != 0 || t.tv_usec != 0; }
  static void ClearTimeValue(TTimeVal& t) { t = TTimeVal{}; }
  // Whether a equals b matches equal.
  static bool TimeValueCompare(const TTimeVal& a, const TTimeVal& b, bool equal) {
    return (a.tv_sec == b.tv_sec && a.tv_usec == b.tv_usec) == equal;
  }

  // Events, all fired on the GUI thread.
  TSessionAvailable OnSessionAvailable;
  TSessionConnected OnSessionConnected;
  TSessionClosed OnSessionClosed;
  TChangeState OnChangeState;
  TDataAvailable OnDataAvailable;
  TDataSent OnDataSent;
  TSendData OnSendData;
  TDnsLookupDone OnDnsLookupDone;
  TNotifyEvent OnError;
  TBgExceptionEvent OnBgException;

 protected:
  // Notice messages of the hidden window.
  static constexpr unsigned WM_ASYNCSELECT = platform::WM_USER + 1;
  static constexpr unsigned WM_ASYNCGETHOSTBYNAME = platform::WM_USER + 2;
  static constexpr unsigned WM_ASYNCGETHOSTBYADDR = platform::WM_USER + 3;
  static constexpr unsigned WM_CLOSE_DELAYED = platform::WM_USER + 4;
  static constexpr unsigned WM_FREE_DELAYED = platform::WM_USER + 5;
  static constexpr unsigned WM_WSOCKET_TEST = platform::WM_USER + 6;

  virtual void HandleWindowMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
  virtual void CreateHiddenWindow();
  virtual void DestroyHiddenWindow();
  virtual void ResetDefaults();
  virtual void ShutdownAndClose(bool shutdownFirst, std::uint16_t error);
  virtual std::int32_t GetRcvdCount();
  // Binds to LocalAddr and LocalPort; false after reporting a failure.
  virtual bool BindLocal();
  virtual int SendRaw(const void* data, int length);
  virtual void ReportError(const std::string& text);
  virtual void HandleEventException(const std::exception& e);
  // Event triggers; FireDataAvailable tells whether a handler is assigned.
  virtual bool FireDataAvailable(std::uint16_t error);
  virtual void FireSessionAvailable(std::uint16_t error);
  virtual void FireSessionConnected(std::uint16_t error);
  virtual void FireSessionClosed(std::uint16_t error);
  virtual void FireDataSent(std::uint16_t error);
  virtual void FireChangeState(TSocketState oldState, TSocketState newState);
  virtual void FireDnsLookupDone(std::uint16_t error);
  virtual void FireError();
  virtual int ReceiveRaw(void* buffer, int length, int flags);
  virtual int ReceiveFromRaw(void* buffer, int length, int flags, sockaddr_in& from, int& fromLength);
  // Bytes the layers hold for the application beyond what waits in the
  // socket (the receive loop goes on while there are any).
  virtual std::int32_t LayerPendingCount() { return 0; }
  // Marks n bytes as taken from the socket by a layer, so the receive loop
  // sees progress.
  void CountTaken(int n) {
    if (n > 0) bytesTaken_ += static_cast<std::uint64_t>(n);
  }
  // Makes the next Connect go to this address and port (both in network
  // order) instead of resolving Addr and Port.
  void SetRemoteResolved(std::uint32_t address, std::uint16_t port);

  void SetState(TSocketState newState);
  // Reports the last WinSock error as the failure of functionName; 10054
  // and 10057 first close the socket and fire OnSessionClosed.
  void RaiseSocketError(const std::string& functionName);
  void ApplyLinger();
  void TryToSend();
  void QueueSendData(const void* data, std::size_t length);
  void HandleSelectMessage(std::uintptr_t wParam, std::intptr_t lParam);
  void ReceiveLoop(std::uint16_t error, TWSocketOptions options);
  void HandleDnsReply(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);
  bool ListenSocket();
  platform::WindowHandle WindowHandle() const;
  bool Destroying() const { return destroying_; }
  const std::deque<std::unique_ptr<TBuffer>>& SendQueue() const { return sendQueue_; }
  // The destruction work that needs the whole object: every destructor of
  // the chain calls it first; the most-derived one does the work.
  void DestroyComponent();

  // Fields used by the layers above.
  platform::SOCKET socket_ = platform::INVALID_SOCKET;
  TSocketState state_ = wsClosed;
  std::int32_t lastError_ = 0;
  sockaddr_in sin_{};
  int protoNo_ = IPPROTO_TCP;
  int socketType_ = SOCK_STREAM;
  bool allSent_ = true;
  bool closeNotified_ = false;
  bool paused_ = false;

 private:
  int SendBytes(const void* data, std::size_t length);
  void AssignText(const std::string& value, const char* name, std::string& text, bool& assigned, bool& resolved);
  void ConnectSocket();
  void DropDnsRequest();
  // The notice window exists and WinSock is loaded; otherwise the error is
  // reported under the operation's name and the look-up is not started.
  bool ReadyForLookup(const char* operation);
  void ReportSocketError(const std::string& functionName);
  void AbandonSocket();
  bool SetLinger();

  std::string dnsResult_;
  std::vector<std::string> dnsResultList_;
  std::deque<std::unique_ptr<TBuffer>> sendQueue_;
  int sendChunkSize_ = 1460;
  int sendFlags_ = 0;
  std::string lastErrorMessage_;
  std::unique_ptr<platform::NoticeWindow> window_;
  std::string addr_;
  bool addrResolved_ = false;
  bool addrAssigned_ = false;
  bool protoAssigned_ = false;
  bool protoResolved_ = false;
  bool localPortResolved_ = false;
  std::string proto_;
  std::string port_;
  bool portAssigned_ = false;
  bool portResolved_ = false;
  int portNo_ = 0;
  std::string localPort_;
  int localPortNo_ = 0;
  std::string localAddr_;
  std::int32_t readCount_ = 0;
  // Bytes taken through Receive over the component's life: the receive
  // loop ends when a data handler took nothing.
  std::uint64_t bytesTaken_ = 0;
  platform::AsyncHandle dnsRequest_ = 0;
  platform::SOCKET acceptedSocket_ = platform::INVALID_SOCKET;
  long selectMask_ = 0;
  bool destroying_ = false;
  bool destroyed_ = false;
};

// The layers above the core: proxy, line mode and waiting.
#define GC_WSOCKET_CORE_DECLARED
#include "support/socket/WSocketSocks.h"
#include "support/socket/WSocketLine.h"
