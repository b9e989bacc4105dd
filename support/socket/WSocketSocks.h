// Proxy layer of the socket component: with SocksServer set, Connect goes
// to the proxy and the layer negotiates SOCKS 4, 4A or 5 (with optional
// user-code and password authentication) before the application sees the
// connection as established. With SocksServer empty (how both programs use
// it) every operation passes straight through to the core.
//
// Every negotiation failure closes the connection and is told three ways,
// in this order: OnSocksError(code, text), OnSessionConnected(code),
// OnSessionClosed(code). Codes: 20001 logic error, 20002 version error,
// 20003 method not acceptable, 20004-20011 the SOCKS 5 replies 1-8, 20012
// unassigned reply, 20013 internal error, 20014 a host name, user code or
// password too long for the request ("request field too long", refused
// before anything is sent), 20015 authentication failed, 20016 request
// rejected, 20017 destination name not resolvable.
//
// Declared through WSocket.h; include that.
#pragma once
#ifndef GC_WSOCKET_CORE_DECLARED
#error "include support/socket/WSocket.h"
#endif

enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };

using TSocksErrorEvent = std::function<void(TCustomWSocket& Sender, std::int32_t Error, const std::string& Msg)>;
using TSocksAuthStateEvent = std::function<void(TCustomWSocket& Sender, TSocksAuthState AuthState)>;

class TCustomSocksWSocket : public TCustomWSocket {
 public:
  TCustomSocksWSocket();
  ~TCustomSocksWSocket() override;

  const std::string& SocksLevel() const { return socksLevel_; }
  void SetSocksLevel(const std::string& value);
  const std::string& SocksServer() const { return socksServer_; }
  virtual void SetSocksServer(const std::string& value);
  const std::string& SocksPort() const { return socksPort_; }
  virtual void SetSocksPort(const std::string& value);
  std::string SocksUsercode;
  std::string SocksPassword;
  TSocksAuthentication SocksAuthentication = socksNoAuthentication;
  // What the SOCKS 5 proxy reported as its bound address and port.
  const std::string& BoundAddr() const { return boundAddr_; }
  const std::string& BoundPort() const { return boundPort_; }

  void Connect() override;
  void Listen() override;

  TSessionConnected OnSocksConnected;
  TSocksErrorEvent OnSocksError;
  TSocksAuthStateEvent OnSocksAuthState;

  // Longest host name, user code or password a request can carry.
  static constexpr std::size_t kMaxSocksField = 255;

 protected:
  enum class Negotiation { Data, Method, Authentication, ConnectRequest };

  void ResetDefaults() override;
  std::int32_t GetRcvdCount() override;
  bool FireDataAvailable(std::uint16_t error) override;
  void FireSessionConnected(std::uint16_t error) override;
  void FireSessionClosed(std::uint16_t error) override;
  int ReceiveRaw(void* buffer, int length, int flags) override;
  std::int32_t LayerPendingCount() override;
  virtual void FireSocksConnected(std::uint16_t error);
  virtual void FireSocksError(std::int32_t error, const std::string& msg);

  bool Negotiating() const { return negotiation_ != Negotiation::Data; }

 private:
  void ResetSocks();
  void FireSocksAuthState(TSocksAuthState state);
  // Reads what the proxy sent behind the bytes already in the reply buffer,
  // at most up to total bytes; false when the read failed.
  bool ReadReply(int total);
  bool RequestTooLong();
  void SendSocksRequest();
  void StartSocksAuthentication();
  bool SocksFailed(std::int32_t code, const std::string& text);
  bool MethodReply();
  bool AuthenticationReply();
  bool Socks4Reply();
  bool Socks5Reply();

  Negotiation negotiation_ = Negotiation::Data;
  std::string socksServer_;
  std::string socksLevel_ = "5";
  std::string socksPort_;
  bool socksServerAssigned_ = false;
  std::uint8_t offeredMethod_ = 0;
  std::uint16_t destinationPort_ = 0;  // host order
  std::string boundAddr_;
  std::string boundPort_;
  // Room for the longest SOCKS 5 reply (4 + 1 + 255 + 2 bytes) and the
  // application bytes that may follow it.
  std::uint8_t reply_[512] = {};
  int replyCount_ = 0;
  // Application bytes that came behind the proxy's reply.
  int leftoverCount_ = 0;
  int leftoverPos_ = 0;
};
