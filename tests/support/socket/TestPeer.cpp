#include "tests/support/socket/TestPeer.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

#include "platform/WinSockNotices.h"

namespace sockettest {
namespace {

using Clock = std::chrono::steady_clock;

int OpenBound(int type, std::uint16_t& port) {
  const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("bind failed");
  }
  port = ntohs(a.sin_port);
  return fd;
}

bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{fd, events, 0};
    const int rc = ::poll(&p, 1, static_cast<int>(left));
    if (rc > 0) return true;
  }
}

Clock::time_point After(double seconds) {
  return Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
}

}  // namespace

Listener::Listener(int receiveBuffer) {
  fd_ = OpenBound(SOCK_STREAM, port_);
  if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  if (::listen(fd_, 16) != 0) throw std::runtime_error("listen failed");
}

Listener::~Listener() { ::close(fd_); }

int Listener::Accept(double seconds) const {
  if (!WaitFor(fd_, POLLIN, After(seconds))) return -1;
  return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

ClosedPort::ClosedPort() { fd_ = OpenBound(SOCK_STREAM, port_); }
ClosedPort::~ClosedPort() { ::close(fd_); }

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string ReadExactly(int fd, std::size_t count, double seconds) {
  const auto deadline = After(seconds);
  std::string out;
  char buf[4096];
  while (out.size() < count && WaitFor(fd, POLLIN, deadline)) {
    const ssize_t n = ::recv(fd, buf, std::min(sizeof buf, count - out.size()), 0);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

std::string ReadToEnd(int fd, double seconds) {
  const auto deadline = After(seconds);
  std::string out;
  char buf[4096];
  while (WaitFor(fd, POLLIN, deadline)) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

void CloseWithReset(int fd) {
  linger l{1, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
  ::close(fd);
}

bool PumpUntil(const std::function<bool()>& cond, double seconds) {
  const auto deadline = After(seconds);
  while (!cond()) {
    if (Clock::now() > deadline) return false;
    platform::ProcessMessages(0.05);
  }
  return true;
}

void PumpFor(double seconds) {
  const auto deadline = After(seconds);
  while (Clock::now() < deadline) platform::ProcessMessages(0.02);
}

int OpenDescriptorCount() {
  int count = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (const dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') ++count;
    }
    ::closedir(d);
  }
  return count - 1;  // the directory stream itself
}

}  // namespace sockettest
