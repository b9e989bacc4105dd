#include "platform/WinSock.h"

#include <FL/Fl.H>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <system_error>
#include <thread>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/GuiThread.h"

namespace platform {
namespace {

// errno values and the WinSock codes they read as.
struct ErrnoCode {
  int err;
  int code;
};
constexpr ErrnoCode kErrnoTable[] = {
    {EINTR, WSAEINTR},
    {EBADF, WSAENOTSOCK},
    {ENOTSOCK, WSAENOTSOCK},
    {EACCES, WSAEACCES},
    {EPERM, WSAEACCES},
    {EFAULT, WSAEFAULT},
    {EINVAL, WSAEINVAL},
    {EMFILE, WSAEMFILE},
    {ENFILE, WSAEMFILE},
    {EAGAIN, WSAEWOULDBLOCK},
    {EINPROGRESS, WSAEWOULDBLOCK},
    {EALREADY, WSAEALREADY},
    {EDESTADDRREQ, WSAEDESTADDRREQ},
    {EMSGSIZE, WSAEMSGSIZE},
    {EPROTOTYPE, WSAEPROTOTYPE},
    {ENOPROTOOPT, WSAENOPROTOOPT},
    {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, WSAEOPNOTSUPP},
    {EPFNOSUPPORT, WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, WSAEAFNOSUPPORT},
    {EADDRINUSE, WSAEADDRINUSE},
    {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
    {ENETDOWN, WSAENETDOWN},
    {ENETUNREACH, WSAENETUNREACH},
    {ENETRESET, WSAENETRESET},
    {ECONNABORTED, WSAECONNABORTED},
    {ECONNRESET, WSAECONNRESET},
    {EPIPE, WSAECONNRESET},
    {ENOBUFS, WSAENOBUFS},
    {ENOMEM, WSAENOBUFS},
    {EISCONN, WSAEISCONN},
    {ENOTCONN, WSAENOTCONN},
    {ESHUTDOWN, WSAESHUTDOWN},
    {ETOOMANYREFS, WSAETOOMANYREFS},
    {ETIMEDOUT, WSAETIMEDOUT},
    {ECONNREFUSED, WSAECONNREFUSED},
    {ELOOP, WSAELOOP},
    {ENAMETOOLONG, WSAENAMETOOLONG},
    {EHOSTDOWN, WSAEHOSTDOWN},
    {EHOSTUNREACH, WSAEHOSTUNREACH},
    {ENOTEMPTY, WSAENOTEMPTY},
    {EUSERS, WSAEUSERS},
    {EDQUOT, WSAEDQUOT},
    {ESTALE, WSAESTALE},
    {EREMOTE, WSAEREMOTE},
};

thread_local int t_lastError = 0;
std::atomic<int> g_started{0};

int FailErrno() {
  t_lastError = WSAErrorFromErrno(errno);
  return SOCKET_ERROR;
}

int Fail(int code) {
  t_lastError = code;
  return SOCKET_ERROR;
}

bool Started() {
  if (g_started.load() > 0) return true;
  t_lastError = WSANOTINITIALISED;
  return false;
}

// What the layer knows of one socket: its phase and the notices asked for.
enum class Phase { Idle, Connecting, Connected, Listening, Failed };

struct SocketRecord {
  int type = SOCK_STREAM;
  Phase phase = Phase::Idle;
  int pendingConnectError = 0;  // a connect that failed at once, told by FD_CONNECT
  WindowHandle window = 0;
  unsigned msg = 0;
  long events = 0;
  bool readArmed = false;
  bool writeArmed = false;
  bool acceptArmed = false;
  bool closeArmed = false;
  bool closeSeen = false;
  int watching = 0;  // FL_READ | FL_WRITE now watched
  // Every (window, message) the socket ever notified, to drop at close.
  std::vector<std::pair<WindowHandle, unsigned>> targets;
};

std::recursive_mutex g_mutex;
std::unordered_map<SOCKET, SocketRecord>& Records() {
  static std::unordered_map<SOCKET, SocketRecord> records;
  return records;
}

SocketRecord* Find(SOCKET s) {
  auto it = Records().find(s);
  return it == Records().end() ? nullptr : &it->second;
}

int BytesWaiting(SOCKET s) {
  int n = 0;
  return ::ioctl(s, FIONREAD, &n) == 0 ? n : 0;
}

int SocketErrorCode(SOCKET s) {
  int err = 0;
  socklen_t len = sizeof err;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return WSAErrorFromErrno(errno);
  return err == 0 ? 0 : WSAErrorFromErrno(err);
}

void Post(SocketRecord& r, SOCKET s, long event, int error) {
  if (!(r.events & event) || r.window == 0) return;
  PostMessage(r.window, r.msg, static_cast<std::uintptr_t>(s),
              WSAMAKESELECTREPLY(static_cast<unsigned>(event), static_cast<unsigned>(error)));
}

void FdReady(int fd, void*);

// Watches the descriptor for what can raise one of the armed notices. A
// readable socket whose data has been announced and not yet received is
// not watched for reading (it would be ready at once, again and again).
void UpdateWatches(SOCKET s, SocketRecord& r) {
  int want = 0;
  if (r.window != 0 && r.events != 0) {
    switch (r.phase) {
      case Phase::Connecting:
        want = FL_WRITE;  // a finished connect, good or bad, shows as writable
        break;
      case Phase::Connected: {
        if (r.writeArmed && (r.events & FD_WRITE)) want |= FL_WRITE;
        const bool wantData = r.readArmed && (r.events & FD_READ);
        if (r.type == SOCK_STREAM) {
          const int waiting = BytesWaiting(s);
          const bool wantClose = r.closeArmed && (r.events & FD_CLOSE) && !r.closeSeen;
          if ((wantData && (waiting > 0 || !r.closeSeen)) || (wantClose && (waiting == 0 || r.readArmed))) {
            want |= FL_READ;
          }
        } else if (wantData) {
          want |= FL_READ;
        }
        break;
      }
      case Phase::Listening:
        if (r.acceptArmed && (r.events & FD_ACCEPT)) want |= FL_READ;
        break;
      case Phase::Idle:
      case Phase::Failed:
        break;
    }
  }
  if (want == r.watching) return;
  if (r.watching != 0) Fl::remove_fd(s);
  if (want != 0) Fl::add_fd(s, want, FdReady, nullptr);
  r.watching = want;
}

// Posts the notices whose conditions hold now, each at most once until it
// is re-armed.
void Evaluate(SOCKET s, SocketRecord& r) {
  pollfd p{s, POLLIN | POLLOUT | POLLRDHUP, 0};
  if (::poll(&p, 1, 0) < 0) return;
  const short ev = p.revents;
  if (r.phase == Phase::Connecting) {
    if (r.pendingConnectError == 0 && !(ev & (POLLOUT | POLLERR | POLLHUP))) return;
    const int error = r.pendingConnectError != 0 ? r.pendingConnectError : SocketErrorCode(s);
    r.pendingConnectError = 0;
    r.phase = error == 0 ? Phase::Connected : Phase::Failed;
    Post(r, s, FD_CONNECT, error);
    if (error != 0) return;
  }
  if (r.phase == Phase::Listening) {
    if (r.acceptArmed && (ev & POLLIN)) {
      Post(r, s, FD_ACCEPT, 0);
      r.acceptArmed = false;
    }
    return;
  }
  if (r.phase != Phase::Connected) return;
  const bool stream = r.type == SOCK_STREAM;
  const bool broken = (ev & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
  // A datagram socket with a pending error reads it with the next receive.
  const bool readable = stream ? (ev & POLLIN) && BytesWaiting(s) > 0 : (ev & (POLLIN | POLLERR)) != 0;
  if (r.readArmed && readable) {
    Post(r, s, FD_READ, 0);
    r.readArmed = false;
  }
  if (r.writeArmed && (ev & (POLLOUT | POLLERR))) {
    Post(r, s, FD_WRITE, 0);
    r.writeArmed = false;
  }
  if (stream && broken && !r.closeSeen) {
    r.closeSeen = true;
    if (r.closeArmed) Post(r, s, FD_CLOSE, SocketErrorCode(s));
    r.closeArmed = false;
  }
}

void FdReady(int fd, void*) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  SocketRecord* r = Find(fd);
  if (r == nullptr) {
    Fl::remove_fd(fd);
    return;
  }
  Evaluate(fd, *r);
  UpdateWatches(fd, *r);
}

SocketRecord& Record(SOCKET s) {
  auto& r = Records()[s];
  return r;
}

void RearmRead(SOCKET s) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (SocketRecord* r = Find(s)) {
    r->readArmed = true;
    UpdateWatches(s, *r);
  }
}

void RearmWrite(SOCKET s) {
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (SocketRecord* r = Find(s)) {
    r->writeArmed = true;
    UpdateWatches(s, *r);
  }
}

bool IsOutcomeOfConnect(int err) {
  return err == ECONNREFUSED || err == ETIMEDOUT || err == ENETUNREACH || err == EHOSTUNREACH ||
         err == ECONNRESET;
}

socklen_t Len(int n) { return static_cast<socklen_t>(std::max(n, 0)); }

bool EqualsNoCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const char ca = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a + 32) : *a;
    const char cb = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b + 32) : *b;
    if (ca != cb) return false;
  }
  return *a == *b;
}

// Names in the "invalid" top-level domain never exist (RFC 6761).
bool IsReservedInvalidName(const std::string& name) {
  std::string n = name;
  while (!n.empty() && n.back() == '.') n.pop_back();
  constexpr const char* kTld = "invalid";
  if (EqualsNoCase(n.c_str(), kTld)) return true;
  return n.size() > 8 && n[n.size() - 8] == '.' && EqualsNoCase(n.c_str() + n.size() - 7, kTld);
}

int LookupErrorCode(int gaiError) {
  switch (gaiError) {
    case EAI_NONAME:
      return WSAHOST_NOT_FOUND;
    case EAI_AGAIN:
      return WSATRY_AGAIN;
    case EAI_NODATA:
    case EAI_ADDRFAMILY:
      return WSANO_DATA;
    case EAI_MEMORY:
      return WSAENOBUFS;
    case EAI_SYSTEM:
      return WSAErrorFromErrno(errno);
    default:
      return WSANO_RECOVERY;
  }
}

// Name to IPv4 addresses (in order, without repeats); 0 or the WinSock
// code of the failure. Safe on any thread.
int ResolveName(const std::string& name, HostEntry& out) {
  out = HostEntry{};
  if (IsReservedInvalidName(name)) return WSAHOST_NOT_FOUND;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_CANONNAME;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
  if (rc != 0) return LookupErrorCode(rc);
  out.name = (found != nullptr && found->ai_canonname != nullptr) ? found->ai_canonname : name;
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addr == nullptr) continue;
    const std::uint32_t ia = reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
    if (std::find(out.addresses.begin(), out.addresses.end(), ia) == out.addresses.end()) out.addresses.push_back(ia);
  }
  ::freeaddrinfo(found);
  return out.addresses.empty() ? WSANO_DATA : 0;
}

// IPv4 address (network order) to its host name; 0 or a WinSock code.
int ResolveAddress(std::uint32_t address, HostEntry& out) {
  out = HostEntry{};
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = address;
  char host[NI_MAXHOST] = {};
  const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, host, sizeof host, nullptr, 0,
                               NI_NAMEREQD);
  if (rc != 0) return LookupErrorCode(rc);
  out.name = host;
  out.addresses.push_back(address);
  return 0;
}

// One asynchronous look-up. The job is shared by the worker and the GUI
// thread's record; the worker writes only into it, and the GUI thread reads
// it only after the worker has handed it over.
struct LookupJob {
  AsyncHandle handle = 0;
  bool byName = true;
  std::string name;
  std::uint32_t address = 0;
  int error = 0;
  HostEntry result;
};

struct Lookup {
  std::shared_ptr<LookupJob> job;
  std::thread worker;
  WindowHandle window = 0;
  unsigned msg = 0;
  bool cancelled = false;
  bool replied = false;  // reply posted, result not yet taken
};

// GUI thread only. Never destroyed, so that a worker still running at exit
// never meets a destroyed thread object.
std::unordered_map<AsyncHandle, Lookup>& Lookups() {
  static auto* lookups = new std::unordered_map<AsyncHandle, Lookup>();
  return *lookups;
}
AsyncHandle g_nextLookup = 1;

// On the GUI thread, once the worker has finished its look-up.
void LookupDone(void* data) {
  std::unique_ptr<std::shared_ptr<LookupJob>> holder(static_cast<std::shared_ptr<LookupJob>*>(data));
  const LookupJob& job = **holder;
  auto it = Lookups().find(job.handle);
  if (it == Lookups().end()) return;
  Lookup& l = it->second;
  if (l.worker.joinable()) l.worker.join();
  if (l.cancelled || !PostMessage(l.window, l.msg, static_cast<std::uintptr_t>(job.handle),
                                  WSAMAKESELECTREPLY(0, static_cast<unsigned>(job.error)))) {
    Lookups().erase(it);
    return;
  }
  l.replied = true;
}

void RunLookup(std::shared_ptr<LookupJob> job) {
  job->error = job->byName ? ResolveName(job->name, job->result) : ResolveAddress(job->address, job->result);
  auto* holder = new std::shared_ptr<LookupJob>(std::move(job));
  // The wake-up queue is bounded; a full one is tried again for a while.
  for (int tries = 0; tries < 1000; ++tries) {
    if (PostToGuiThread(LookupDone, holder) == 0) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  delete holder;
}

AsyncHandle StartLookup(WindowHandle window, unsigned msg, std::shared_ptr<LookupJob> job) {
  if (!Started()) return 0;
  if (window == 0) {
    Fail(WSAEINVAL);
    return 0;
  }
  // The wake-up hand-off needs FLTK's thread support switched on once.
  static const bool handOffReady = [] {
    Fl::lock();
    Fl::unlock();
    return true;
  }();
  (void)handOffReady;
  job->handle = g_nextLookup++;
  Lookup& l = Lookups()[job->handle];
  l.job = job;
  l.window = window;
  l.msg = msg;
  try {
    l.worker = std::thread(RunLookup, job);
  } catch (const std::system_error&) {
    Lookups().erase(job->handle);
    Fail(WSAENOBUFS);
    return 0;
  }
  return job->handle;
}

enum class Direction { In, Out };

// One send or receive: checks the arguments, retries an interrupted call
// and re-arms the notice the call re-enables (a receive re-arms FD_READ; a
// send that would block or sent less than asked re-arms FD_WRITE).
template <typename Call>
int Transfer(SOCKET s, const void* buf, int len, Direction direction, Call call) {
  if (!Started()) return SOCKET_ERROR;
  if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT);
  ssize_t n;
  do {
    n = call();
  } while (n < 0 && errno == EINTR);
  const int err = errno;
  if (direction == Direction::In) {
    RearmRead(s);
  } else if (n < 0 ? (err == EAGAIN || err == EWOULDBLOCK) : n < len) {
    RearmWrite(s);
  }
  if (n < 0) {
    errno = err;
    return FailErrno();
  }
  return static_cast<int>(n);
}

}  // namespace

int WSAErrorFromErrno(int err) {
  if (err == 0) return 0;
  if (err == EWOULDBLOCK) return WSAEWOULDBLOCK;
  for (const ErrnoCode& e : kErrnoTable) {
    if (e.err == err) return e.code;
  }
  return WSASYSCALLFAILURE;
}

int WSAStartup(std::uint16_t versionRequested, WSAData* data) {
  const int major = versionRequested & 0xFF;
  const int minor = (versionRequested >> 8) & 0xFF;
  if (major < 1) return WSAVERNOTSUPPORTED;
  if (data == nullptr) return WSAEFAULT;
  *data = WSAData{};
  // The highest version offered is 2.2; a request below it gets what it asks.
  const bool below = major < 2 || (major == 2 && minor < 2);
  data->wVersion = below ? versionRequested : 0x0202;
  data->wHighVersion = 0x0202;
  std::strncpy(data->szDescription, "POSIX sockets", sizeof data->szDescription - 1);
  std::strncpy(data->szSystemStatus, "Running", sizeof data->szSystemStatus - 1);
  ++g_started;
  return 0;
}

int WSACleanup() {
  int n = g_started.load();
  while (n > 0 && !g_started.compare_exchange_weak(n, n - 1)) {
  }
  return n > 0 ? 0 : Fail(WSANOTINITIALISED);
}

bool WinsockStarted() { return g_started.load() > 0; }

int WSAGetLastError() { return t_lastError; }
void WSASetLastError(int code) { t_lastError = code; }

SOCKET socket(int af, int type, int protocol) {
  if (!Started()) return INVALID_SOCKET;
  const SOCKET s = ::socket(af, type | SOCK_CLOEXEC, protocol);
  if (s < 0) {
    FailErrno();
    return INVALID_SOCKET;
  }
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  Records()[s] = SocketRecord{};
  Records()[s].type = type;
  return s;
}

int closesocket(SOCKET s) {
  {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (SocketRecord* r = Find(s)) {
      if (r->watching != 0) Fl::remove_fd(s);
      for (const auto& [window, msg] : r->targets) CancelMessages(window, msg, static_cast<std::uintptr_t>(s));
      Records().erase(s);
    }
  }
  if (s < 0) return Fail(WSAENOTSOCK);
  // The descriptor is released even when close reports an error (EINTR).
  if (::close(s) != 0 && errno == EBADF) return Fail(WSAENOTSOCK);
  return 0;
}

int shutdown(SOCKET s, int how) {
  if (!Started()) return SOCKET_ERROR;
  return ::shutdown(s, how) == 0 ? 0 : FailErrno();
}

int setsockopt(SOCKET s, int level, int optname, const void* optval, int optlen) {
  if (!Started()) return SOCKET_ERROR;
  return ::setsockopt(s, level, optname, optval, Len(optlen)) == 0 ? 0 : FailErrno();
}

int getsockopt(SOCKET s, int level, int optname, void* optval, int* optlen) {
  if (!Started()) return SOCKET_ERROR;
  if (optlen == nullptr) return Fail(WSAEFAULT);
  socklen_t len = Len(*optlen);
  if (::getsockopt(s, level, optname, optval, &len) != 0) return FailErrno();
  *optlen = static_cast<int>(len);
  return 0;
}

int connect(SOCKET s, const sockaddr* name, int namelen) {
  if (!Started()) return SOCKET_ERROR;
  const int result = ::connect(s, name, Len(namelen));
  const int err = result == 0 ? 0 : errno;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  SocketRecord* r = Find(s);
  const bool notified = r != nullptr && r->window != 0 && r->events != 0;
  if (r != nullptr) {
    if (result == 0) {
      // Even an immediate success is told by FD_CONNECT when notices are on.
      r->phase = notified ? Phase::Connecting : Phase::Connected;
    } else if (err == EINPROGRESS) {
      r->phase = Phase::Connecting;
    } else if (notified && IsOutcomeOfConnect(err)) {
      // WinSock tells a refused or unreachable peer by FD_CONNECT, never at once.
      r->phase = Phase::Connecting;
      r->pendingConnectError = WSAErrorFromErrno(err);
    }
    UpdateWatches(s, *r);
    if (r->pendingConnectError != 0) return Fail(WSAEWOULDBLOCK);
  }
  if (result == 0) return 0;
  errno = err;
  return FailErrno();
}

int bind(SOCKET s, const sockaddr* name, int namelen) {
  if (!Started()) return SOCKET_ERROR;
  return ::bind(s, name, Len(namelen)) == 0 ? 0 : FailErrno();
}

int listen(SOCKET s, int backlog) {
  if (!Started()) return SOCKET_ERROR;
  if (::listen(s, backlog) != 0) return FailErrno();
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (SocketRecord* r = Find(s)) {
    r->phase = Phase::Listening;
    UpdateWatches(s, *r);
  }
  return 0;
}

SOCKET accept(SOCKET s, sockaddr* addr, int* addrlen) {
  if (!Started()) return INVALID_SOCKET;
  socklen_t len = addrlen != nullptr ? Len(*addrlen) : 0;
  const SOCKET a = ::accept4(s, addr, addrlen != nullptr ? &len : nullptr, SOCK_CLOEXEC);
  const int err = errno;
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  if (SocketRecord* r = Find(s)) {
    r->acceptArmed = true;
    UpdateWatches(s, *r);
  }
  if (a < 0) {
    errno = err;
    FailErrno();
    return INVALID_SOCKET;
  }
  if (addrlen != nullptr) *addrlen = static_cast<int>(len);
  SocketRecord rec;
  rec.phase = Phase::Connected;
  Records()[a] = rec;
  return a;
}

int send(SOCKET s, const void* buf, int len, int flags) {
  return Transfer(s, buf, len, Direction::Out,
                  [&] { return ::send(s, buf, static_cast<size_t>(len), flags | MSG_NOSIGNAL); });
}

int sendto(SOCKET s, const void* buf, int len, int flags, const sockaddr* to, int tolen) {
  return Transfer(s, buf, len, Direction::Out, [&] {
    return ::sendto(s, buf, static_cast<size_t>(len), flags | MSG_NOSIGNAL, to, Len(tolen));
  });
}

int recv(SOCKET s, void* buf, int len, int flags) {
  return Transfer(s, buf, len, Direction::In, [&] { return ::recv(s, buf, static_cast<size_t>(len), flags); });
}

int recvfrom(SOCKET s, void* buf, int len, int flags, sockaddr* from, int* fromlen) {
  socklen_t fl = fromlen != nullptr ? Len(*fromlen) : 0;
  const int n = Transfer(s, buf, len, Direction::In, [&] {
    return ::recvfrom(s, buf, static_cast<size_t>(len), flags, from, fromlen != nullptr ? &fl : nullptr);
  });
  if (n >= 0 && fromlen != nullptr) *fromlen = static_cast<int>(fl);
  return n;
}

int ioctlsocket(SOCKET s, unsigned long cmd, unsigned long* argp) {
  if (!Started()) return SOCKET_ERROR;
  if (argp == nullptr) return Fail(WSAEFAULT);
  if (cmd == FIONREAD) {
    int n = 0;
    if (::ioctl(s, FIONREAD, &n) != 0) return FailErrno();
    *argp = static_cast<unsigned long>(std::max(n, 0));
    return 0;
  }
  if (cmd == FIONBIO) {
    const int fl = ::fcntl(s, F_GETFL);
    if (fl < 0) return FailErrno();
    const int nf = *argp != 0 ? (fl | O_NONBLOCK) : (fl & ~O_NONBLOCK);
    return ::fcntl(s, F_SETFL, nf) == 0 ? 0 : FailErrno();
  }
  return Fail(WSAEINVAL);
}

int getsockname(SOCKET s, sockaddr* name, int* namelen) {
  if (!Started()) return SOCKET_ERROR;
  if (namelen == nullptr) return Fail(WSAEFAULT);
  socklen_t len = Len(*namelen);
  if (::getsockname(s, name, &len) != 0) return FailErrno();
  *namelen = static_cast<int>(len);
  return 0;
}

int getpeername(SOCKET s, sockaddr* name, int* namelen) {
  if (!Started()) return SOCKET_ERROR;
  if (namelen == nullptr) return Fail(WSAEFAULT);
  socklen_t len = Len(*namelen);
  if (::getpeername(s, name, &len) != 0) return FailErrno();
  *namelen = static_cast<int>(len);
  return 0;
}

std::uint32_t inet_addr(const char* cp) { return cp == nullptr ? INADDR_NONE : ::inet_addr(cp); }

const char* inet_ntoa(in_addr in) {
  thread_local char text[INET_ADDRSTRLEN];
  if (::inet_ntop(AF_INET, &in, text, sizeof text) == nullptr) text[0] = '\0';
  return text;
}

const hostent* gethostbyname(const char* name) {
  if (!Started()) return nullptr;
  if (name == nullptr) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  struct Storage {
    hostent entry{};
    HostEntry found;
    std::vector<char*> list;
    char* aliases[1] = {nullptr};
  };
  thread_local Storage st;
  const int code = ResolveName(name, st.found);
  if (code != 0) {
    Fail(code);
    return nullptr;
  }
  st.list.clear();
  for (std::uint32_t& a : st.found.addresses) st.list.push_back(reinterpret_cast<char*>(&a));
  st.list.push_back(nullptr);
  st.entry.h_name = st.found.name.data();
  st.entry.h_aliases = st.aliases;
  st.entry.h_addrtype = AF_INET;
  st.entry.h_length = sizeof(in_addr);
  st.entry.h_addr_list = st.list.data();
  return &st.entry;
}

const servent* getservbyname(const char* name, const char* proto) {
  if (!Started()) return nullptr;
  if (name == nullptr) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  thread_local servent entry;
  thread_local char buffer[4096];
  servent* result = nullptr;
  if (::getservbyname_r(name, proto, &entry, buffer, sizeof buffer, &result) != 0 || result == nullptr) {
    Fail(WSANO_DATA);
    return nullptr;
  }
  return result;
}

const protoent* getprotobyname(const char* name) {
  if (!Started()) return nullptr;
  if (name == nullptr) {
    Fail(WSAEFAULT);
    return nullptr;
  }
  thread_local protoent entry;
  thread_local char buffer[4096];
  protoent* result = nullptr;
  if (::getprotobyname_r(name, &entry, buffer, sizeof buffer, &result) == 0 && result != nullptr) return result;
  // /etc/protocols may be missing on a bare machine.
  static char tcp[] = "tcp";
  static char udp[] = "udp";
  static char* noAliases[] = {nullptr};
  if (EqualsNoCase(name, "tcp")) {
    entry = protoent{tcp, noAliases, IPPROTO_TCP};
    return &entry;
  }
  if (EqualsNoCase(name, "udp")) {
    entry = protoent{udp, noAliases, IPPROTO_UDP};
    return &entry;
  }
  Fail(WSANO_DATA);
  return nullptr;
}

AsyncHandle WSAAsyncGetHostByName(WindowHandle window, unsigned msg, const char* name) {
  if (name == nullptr) {
    Fail(WSAEFAULT);
    return 0;
  }
  auto job = std::make_shared<LookupJob>();
  job->name = name;
  return StartLookup(window, msg, std::move(job));
}

AsyncHandle WSAAsyncGetHostByAddr(WindowHandle window, unsigned msg, std::uint32_t address) {
  auto job = std::make_shared<LookupJob>();
  job->byName = false;
  job->address = address;
  return StartLookup(window, msg, std::move(job));
}

int WSACancelAsyncRequest(AsyncHandle handle) {
  auto it = Lookups().find(handle);
  if (it == Lookups().end() || it->second.cancelled) return Fail(WSAEINVAL);
  Lookup& l = it->second;
  if (l.replied) {
    CancelMessages(l.window, l.msg, static_cast<std::uintptr_t>(handle));
    Lookups().erase(it);
  } else {
    // The worker cannot be interrupted: its result is dropped when it ends.
    l.cancelled = true;
  }
  return 0;
}

bool WSAAsyncLookupResult(AsyncHandle handle, HostEntry& result) {
  auto it = Lookups().find(handle);
  if (it == Lookups().end() || !it->second.replied) return false;
  result = std::move(it->second.job->result);
  Lookups().erase(it);
  return true;
}

int AsyncLookupsInFlight() {
  int n = 0;
  for (const auto& [handle, l] : Lookups()) n += l.worker.joinable() ? 1 : 0;
  return n;
}

int WSAAsyncSelect(SOCKET s, WindowHandle window, unsigned msg, long events) {
  if (!Started()) return SOCKET_ERROR;
  const int fl = ::fcntl(s, F_GETFL);
  if (fl < 0) return FailErrno();
  int type = 0;
  socklen_t tl = sizeof type;
  if (::getsockopt(s, SOL_SOCKET, SO_TYPE, &type, &tl) != 0) return FailErrno();
  if (::fcntl(s, F_SETFL, fl | O_NONBLOCK) != 0) return FailErrno();
  std::lock_guard<std::recursive_mutex> lock(g_mutex);
  SocketRecord& r = Record(s);
  r.type = type;
  if (window == 0 || events == 0) {
    r.window = 0;
    r.msg = 0;
    r.events = 0;
    UpdateWatches(s, r);
    return 0;
  }
  r.window = window;
  r.msg = msg;
  r.events = events;
  const std::pair<WindowHandle, unsigned> target{window, msg};
  if (std::find(r.targets.begin(), r.targets.end(), target) == r.targets.end()) r.targets.push_back(target);
  if (r.phase == Phase::Idle) {
    sockaddr_storage peer{};
    socklen_t pl = sizeof peer;
    int listening = 0;
    socklen_t ll = sizeof listening;
    if (type != SOCK_STREAM || ::getpeername(s, reinterpret_cast<sockaddr*>(&peer), &pl) == 0) {
      r.phase = Phase::Connected;
    } else if (::getsockopt(s, SOL_SOCKET, SO_ACCEPTCONN, &listening, &ll) == 0 && listening != 0) {
      r.phase = Phase::Listening;
    }
  }
  // A new request reports again what holds now (data waiting, room to send).
  r.readArmed = true;
  r.writeArmed = true;
  r.acceptArmed = true;
  r.closeArmed = !r.closeSeen;
  UpdateWatches(s, r);
  return 0;
}

}  // namespace platform
