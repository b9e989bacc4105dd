#include <algorithm>
#include <cstring>
#include <vector>

#include "support/socket/WSocket.h"
#include "support/socket/WSocketDetail.h"

using platform::INVALID_SOCKET;
using wsocket_detail::Trim;

namespace {

// SOCKS 5 reply codes 1 to 8 and what they are reported as.
struct ReplyCode {
  std::int32_t code;
  const char* text;
};
constexpr ReplyCode kSocks5Replies[] = {
    {20004, "general SOCKS server failure"}, {20005, "connection not allowed by ruleset"},
    {20006, "network unreachable"},          {20007, "host unreachable"},
    {20008, "connection refused"},           {20009, "time to live expired"},
    {20010, "command not supported"},        {20011, "address type not supported"},
};

constexpr std::int32_t kRequestFieldTooLong = 20014;

void AppendText(std::vector<std::uint8_t>& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

bool HoldsZeroByte(const std::string& text) { return text.find('\0') != std::string::npos; }

}  // namespace

TCustomSocksWSocket::TCustomSocksWSocket() { ResetSocks(); }

TCustomSocksWSocket::~TCustomSocksWSocket() { DestroyComponent(); }

void TCustomSocksWSocket::ResetDefaults() {
  TCustomWSocket::ResetDefaults();
  ResetSocks();
}

// The user code, password and authentication choice outlive a close.
void TCustomSocksWSocket::ResetSocks() {
  negotiation_ = Negotiation::Data;
  socksServer_.clear();
  socksPort_.clear();
  socksLevel_ = "5";
  leftoverCount_ = 0;
  leftoverPos_ = 0;
  socksServerAssigned_ = false;
}

// ---------------------------------------------------------------------------
// Properties

void TCustomSocksWSocket::SetSocksLevel(const std::string& value) {
  if (state_ != wsClosed) {
    ReportError("Can't change socks level if not closed");
    return;
  }
  if (value == "4" || value == "5" || value == "4A" || value == "4a") {
    socksLevel_ = value == "4a" ? "4A" : value;
    return;
  }
  ReportError("Invalid socks level. Must be 4, 4A or 5.");
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value) {
  if (state_ != wsClosed) {
    ReportError("Can't change socks port if not closed");
    return;
  }
  socksPort_ = Trim(value);
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value) {
  if (state_ != wsClosed) {
    ReportError("Can't change socks server if not closed");
    return;
  }
  socksServer_ = Trim(value);
  socksServerAssigned_ = !socksServer_.empty();
}

// ---------------------------------------------------------------------------
// Connecting through the proxy

void TCustomSocksWSocket::Connect() {
  // An open component is refused by the core, before anything changes.
  if (!socksServerAssigned_ || (socket_ != INVALID_SOCKET && state_ != wsClosed)) {
    TCustomWSocket::Connect();
    return;
  }
  std::string proto = Proto();
  std::transform(proto.begin(), proto.end(), proto.begin(), [](unsigned char c) { return std::tolower(c); });
  if (proto != "tcp") {
    ReportError("tcp is the only protocol supported thru socks server");
    return;
  }
  try {
    const std::uint16_t proxyPort = WSocketResolvePort(socksPort_, Proto());
    const std::uint32_t proxyAddress = WSocketResolveHost(socksServer_);
    destinationPort_ = WSocketResolvePort(Port(), Proto());
    SetRemoteResolved(proxyAddress, htons(proxyPort));
  } catch (const std::exception& e) {
    ReportError(std::string("connect: ") + e.what());
    return;
  }
  negotiation_ = Negotiation::Method;
  replyCount_ = 0;
  leftoverCount_ = 0;
  try {
    TCustomWSocket::Connect();
  } catch (...) {
    if (state_ == wsClosed) negotiation_ = Negotiation::Data;
    throw;
  }
  if (state_ == wsClosed) negotiation_ = Negotiation::Data;
}

void TCustomSocksWSocket::Listen() {
  if (socksServerAssigned_) {
    ReportError("Listening is not supported thru socks server");
    return;
  }
  TCustomWSocket::Listen();
}

void TCustomSocksWSocket::FireSessionConnected(std::uint16_t error) {
  if (negotiation_ != Negotiation::Method) {
    TCustomWSocket::FireSessionConnected(error);
    return;
  }
  FireSocksConnected(error);
  if (error != 0) {
    TCustomWSocket::FireSessionConnected(error);
    return;
  }
  // The proxy is connected; the application hears of the connection when
  // the negotiation has ended.
  if (RequestTooLong()) return;
  if (socksLevel_[0] == '4') {
    SendSocksRequest();
    return;
  }
  offeredMethod_ = SocksAuthentication == socksAuthenticateUsercode ? 2 : 0;
  const std::uint8_t request[3] = {5, 1, offeredMethod_};
  try {
    Send(request, sizeof request);
  } catch (...) {
  }
}

// Refuses, before anything is sent, a host name, user code or password
// that the request cannot carry (each has one length byte, or for SOCKS 4
// ends at a 0 byte).
bool TCustomSocksWSocket::RequestTooLong() {
  const bool socks4 = socksLevel_[0] == '4';
  const bool socks4A = socksLevel_ == "4A";
  const bool auth = !socks4 && SocksAuthentication == socksAuthenticateUsercode;
  std::vector<const std::string*> fields;
  if (socks4) fields.push_back(&SocksUsercode);
  if (!socks4 || socks4A) fields.push_back(&Addr());
  if (auth) {
    fields.push_back(&SocksUsercode);
    fields.push_back(&SocksPassword);
  }
  for (const std::string* f : fields) {
    if (f->size() > kMaxSocksField) return SocksFailed(kRequestFieldTooLong, "request field too long");
    if (socks4 && HoldsZeroByte(*f)) return SocksFailed(kRequestFieldTooLong, "request field holds a 0 byte");
  }
  return false;
}

void TCustomSocksWSocket::SendSocksRequest() {
  negotiation_ = Negotiation::ConnectRequest;
  std::vector<std::uint8_t> request;
  const std::uint8_t portHi = static_cast<std::uint8_t>(destinationPort_ >> 8);
  const std::uint8_t portLo = static_cast<std::uint8_t>(destinationPort_ & 0xFF);
  if (socksLevel_[0] == '4') {
    const bool socks4A = socksLevel_ == "4A";
    std::uint32_t address = htonl(1);  // 0.0.0.1: the proxy resolves the name
    if (!socks4A) {
      try {
        address = WSocketResolveHost(Addr());
      } catch (const std::exception& e) {
        SocksFailed(20017, std::string("ESocketException ") + e.what());
        return;
      }
    }
    request = {4, 1, portHi, portLo};
    const auto* a = reinterpret_cast<const std::uint8_t*>(&address);
    request.insert(request.end(), a, a + 4);
    AppendText(request, SocksUsercode);
    request.push_back(0);
    if (socks4A) {
      AppendText(request, Addr());
      request.push_back(0);
    }
  } else {
    request = {5, 1, 0, 3, static_cast<std::uint8_t>(Addr().size())};
    AppendText(request, Addr());
    request.push_back(portHi);
    request.push_back(portLo);
  }
  try {
    Send(request.data(), static_cast<int>(request.size()));
  } catch (...) {
  }
}

void TCustomSocksWSocket::StartSocksAuthentication() {
  negotiation_ = Negotiation::Authentication;
  FireSocksAuthState(socksAuthStart);
  std::vector<std::uint8_t> request = {1, static_cast<std::uint8_t>(SocksUsercode.size())};
  AppendText(request, SocksUsercode);
  request.push_back(static_cast<std::uint8_t>(SocksPassword.size()));
  AppendText(request, SocksPassword);
  try {
    Send(request.data(), static_cast<int>(request.size()));
  } catch (...) {
  }
}

bool TCustomSocksWSocket::SocksFailed(std::int32_t code, const std::string& text) {
  FireSocksError(code, text);
  negotiation_ = Negotiation::Data;
  FireSessionConnected(static_cast<std::uint16_t>(code));
  ShutdownAndClose(true, static_cast<std::uint16_t>(code));
  return true;
}

// ---------------------------------------------------------------------------
// The proxy's replies

bool TCustomSocksWSocket::ReadReply(int total) {
  const int want = std::min(total, static_cast<int>(sizeof reply_)) - replyCount_;
  if (want <= 0) return true;
  const int n = TCustomWSocket::ReceiveRaw(reply_ + replyCount_, want, 0);
  if (n <= 0) return false;
  CountTaken(n);
  replyCount_ += n;
  return true;
}

bool TCustomSocksWSocket::FireDataAvailable(std::uint16_t error) {
  if (negotiation_ == Negotiation::Data) return TCustomWSocket::FireDataAvailable(error);
  if (error != 0) {
    SocksFailed(error, "data receive error");
    return false;
  }
  switch (negotiation_) {
    case Negotiation::Method:
      return MethodReply();
    case Negotiation::Authentication:
      return AuthenticationReply();
    case Negotiation::ConnectRequest:
      return socksLevel_[0] == '4' ? Socks4Reply() : Socks5Reply();
    case Negotiation::Data:
      break;
  }
  SocksFailed(20013, "internal error");
  return false;
}

bool TCustomSocksWSocket::MethodReply() {
  if (!ReadReply(sizeof reply_)) return true;
  if (socksLevel_[0] == '4') return SocksFailed(20001, "TWSocket logic error");
  if (replyCount_ < 2) return true;
  replyCount_ = 0;
  if (reply_[0] != 5) return SocksFailed(20002, "socks version error");
  switch (reply_[1]) {
    case 0:
      if (offeredMethod_ == 2) FireSocksAuthState(socksAuthNotRequired);
      SendSocksRequest();
      return true;
    case 2:
      StartSocksAuthentication();
      return true;
    default:
      return SocksFailed(20003, "authentification method not acceptable");
  }
}

bool TCustomSocksWSocket::AuthenticationReply() {
  if (!ReadReply(sizeof reply_)) return true;
  if (reply_[0] != 1) return SocksFailed(20002, "socks version error");
  if (replyCount_ < 2) return true;
  if (replyCount_ > 2) return SocksFailed(20001, "too much data availaible");
  if (reply_[1] != 0) return SocksFailed(20015, "socks authentication failed");
  replyCount_ = 0;
  FireSocksAuthState(socksAuthSuccess);
  SendSocksRequest();
  return true;
}

bool TCustomSocksWSocket::Socks4Reply() {
  if (!ReadReply(8)) return true;
  if (replyCount_ < 8) return true;
  replyCount_ = 0;
  if (reply_[0] != 0) return SocksFailed(20002, "socks version error");
  switch (reply_[1]) {
    case 90: {
      negotiation_ = Negotiation::Data;
      const platform::SOCKET s = socket_;
      FireSessionConnected(0);
      if (socket_ != s || s == INVALID_SOCKET) return true;
      return FireDataAvailable(0);
    }
    case 91:
      return SocksFailed(20016, "request rejected or failed");
    case 92:
      return SocksFailed(20008, "connection refused");
    case 93:
      return SocksFailed(20015, "authentification failed");
    default:
      return SocksFailed(20012, "unassigned error #" + std::to_string(reply_[1]));
  }
}

bool TCustomSocksWSocket::Socks5Reply() {
  if (!ReadReply(sizeof reply_)) return true;
  if (reply_[0] != 5) return SocksFailed(20002, "socks version error");
  if (replyCount_ >= 2 && reply_[1] != 0) {
    const int r = reply_[1];
    if (r >= 1 && r <= 8) return SocksFailed(kSocks5Replies[r - 1].code, kSocks5Replies[r - 1].text);
    return SocksFailed(20012, "unassigned error #" + std::to_string(r));
  }
  if (replyCount_ <= 4) return true;
  const int type = reply_[3];
  const int complete = type == 1 ? 10 : type == 3 ? reply_[4] + 7 : 5;
  if (replyCount_ < complete) return true;
  int portAt = 0;
  if (type == 1) {
    boundAddr_ = std::to_string(reply_[4]) + "." + std::to_string(reply_[5]) + "." + std::to_string(reply_[6]) + "." +
                 std::to_string(reply_[7]);
    portAt = 8;
  } else if (type == 3) {
    boundAddr_.assign(reinterpret_cast<const char*>(reply_ + 5), reply_[4]);
    portAt = reply_[4] + 5;
  } else {
    return SocksFailed(20011, "address type not supported");
  }
  boundPort_ = std::to_string((reply_[portAt] << 8) | reply_[portAt + 1]);
  negotiation_ = Negotiation::Data;
  // The bytes behind the reply are the application's: they are ready
  // before the application hears of the connection, so nothing it reads
  // can overtake them.
  leftoverCount_ = std::max(0, replyCount_ - portAt - 2);
  leftoverPos_ = portAt + 2;
  replyCount_ = 0;
  const platform::SOCKET s = socket_;
  FireSessionConnected(0);
  if (socket_ != s || s == INVALID_SOCKET) return true;
  return FireDataAvailable(0);
}

// ---------------------------------------------------------------------------
// Receiving the leftover bytes first

int TCustomSocksWSocket::ReceiveRaw(void* buffer, int length, int flags) {
  if (leftoverCount_ <= 0) return TCustomWSocket::ReceiveRaw(buffer, length, flags);
  const int n = std::min(std::max(length, 0), leftoverCount_);
  if (n > 0 && buffer != nullptr) {
    std::memcpy(buffer, reply_ + leftoverPos_, static_cast<std::size_t>(n));
    leftoverPos_ += n;
    leftoverCount_ -= n;
    return n;
  }
  return 0;
}

std::int32_t TCustomSocksWSocket::GetRcvdCount() {
  if (leftoverCount_ > 0) return leftoverCount_;
  return TCustomWSocket::GetRcvdCount();
}

std::int32_t TCustomSocksWSocket::LayerPendingCount() { return std::max(leftoverCount_, 0); }

// ---------------------------------------------------------------------------
// Events

void TCustomSocksWSocket::FireSessionClosed(std::uint16_t error) {
  if (negotiation_ == Negotiation::Authentication) FireSocksAuthState(socksAuthFailure);
  TCustomWSocket::FireSessionClosed(error);
}

void TCustomSocksWSocket::FireSocksConnected(std::uint16_t error) {
  if (OnSocksConnected) OnSocksConnected(*this, error);
}

void TCustomSocksWSocket::FireSocksError(std::int32_t error, const std::string& msg) {
  if (OnSocksError) OnSocksError(*this, error, msg);
}

void TCustomSocksWSocket::FireSocksAuthState(TSocksAuthState state) {
  if (OnSocksAuthState) OnSocksAuthState(*this, state);
}
