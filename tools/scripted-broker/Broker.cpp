#include "tools/scripted-broker/Broker.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/Numbers.h"
#include "tools/scripted-broker/Escape.h"

namespace broker {

namespace {
constexpr size_t kMaxQueued = 32u << 20;     // a client that stops reading is dropped
constexpr int64_t kDemoPeriodMs = 50;        // 20 frames a second
constexpr int64_t kTrafficEveryFrames = 20;  // one traffic report a second
constexpr int64_t kShutdownGraceMs = 2000;
constexpr int kMaxStepsPerRound = 10000;
constexpr int kMaxAcceptsPerRound = 64;
constexpr int kMaxReadsPerRound = 16;

bool SetNonBlocking(int fd) {
  int flags = fcntl(fd, F_GETFL, 0);
  return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}
}  // namespace

// ---------------------------------------------------------------- records

void RecordCutter::Add(std::string_view bytes, int64_t nowMs) {
  pending_.append(bytes);
  lastDataMs_ = nowMs;
}

int64_t RecordCutter::HoldDeadline() const {
  return !pending_.empty() && pending_.back() == '\r' ? lastDataMs_ + kCrHoldMs : -1;
}

std::vector<std::string> RecordCutter::Take(int64_t nowMs, bool final) {
  std::vector<std::string> records;
  size_t start = 0;
  for (size_t i = 0; i < pending_.size(); ++i) {
    char c = pending_[i];
    size_t end = 0;  // one past the record's last byte
    if (c == '\n') {
      end = i + 1;
    } else if (c == '\r') {
      if (i + 1 < pending_.size())
        end = pending_[i + 1] == '\n' ? i + 2 : i + 1;
      else if (final || nowMs >= lastDataMs_ + kCrHoldMs)
        end = i + 1;
      else
        break;  // its LF may still come
    } else if (i + 1 - start >= kMaxRecord) {
      end = i + 1;
    } else {
      continue;
    }
    records.push_back(pending_.substr(start, end - start));
    start = end;
    i = end - 1;
  }
  pending_.erase(0, start);
  if (final && !pending_.empty()) {
    records.push_back(pending_);
    pending_.clear();
  }
  return records;
}

// ---------------------------------------------------------------- broker

struct Broker::Client {
  int fd = -1;
  int id = 0;
  bool playing = false;
  bool closeWhenSent = false;
  bool gone = false;
  std::string out;
  size_t outOffset = 0;
  RecordCutter cutter;
  ScenarioPlayer player;
};

Broker::Broker(BrokerOptions options) : options_(std::move(options)) {}

Broker::~Broker() {
  for (auto& c : clients_)
    if (c->fd >= 0) ::close(c->fd);
  if (listenFd_ >= 0) ::close(listenFd_);
  if (recordFd_ >= 0) ::close(recordFd_);
}

int64_t Broker::Now() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void Broker::Log(const std::string& text) {
  std::string line = "scripted-broker: " + text + "\n";
  ssize_t n = ::write(STDERR_FILENO, line.data(), line.size());
  (void)n;
}

// One record line, written whole with O_APPEND so readers never see half
// of it.
void Broker::Record(const std::string& line) {
  if (recordFd_ < 0) return;
  std::string data = line + "\n";
  size_t done = 0;
  for (int tries = 0; done < data.size() && tries < 100; ++tries) {
    ssize_t n = ::write(recordFd_, data.data() + done, data.size() - done);
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno != EINTR)
      break;
  }
}

bool Broker::Listen(std::string& error) {
  if (!options_.recordFile.empty()) {
    recordFd_ = ::open(options_.recordFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (recordFd_ < 0) {
      error = "cannot open record file " + options_.recordFile + ": " + std::strerror(errno);
      return false;
    }
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  int one = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(options_.port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 16) != 0 || !SetNonBlocking(listenFd_)) {
    error = "cannot listen on 127.0.0.1:" + std::to_string(options_.port) + ": " + std::strerror(errno);
    return false;
  }
  socklen_t len = sizeof addr;
  getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
  port_ = ntohs(addr.sin_port);
  return true;
}

void Broker::Accept(int64_t now) {
  for (int i = 0; i < kMaxAcceptsPerRound && listenFd_ >= 0; ++i) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;  // EAGAIN or a connection that went away already
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    auto c = std::make_unique<Client>();
    c->fd = fd;
    c->id = nextId_++;
    c->player = ScenarioPlayer(options_.scenario);
    Record("event client" + std::to_string(c->id) + " connected");
    Log("client " + std::to_string(c->id) + " connected");
    if (options_.startOnConnect) StartPlayback(*c, now);
    clients_.push_back(std::move(c));
  }
}

void Broker::StartPlayback(Client& c, int64_t now) {
  if (c.playing) return;
  c.playing = true;
  if (options_.scenario) c.player.Start(now);
  if (options_.demo && !demoStarted_) {
    demoStarted_ = true;
    demoStartMs_ = now;
    demoFrame_ = 0;
  }
}

void Broker::Queue(Client& c, std::string_view bytes) {
  if (c.gone || c.closeWhenSent) return;
  if (c.out.size() - c.outOffset + bytes.size() > kMaxQueued) {
    Close(c, "does not read; dropped");
    return;
  }
  c.out.append(bytes);
  FlushOut(c);
}

void Broker::FlushOut(Client& c) {
  while (!c.gone && c.outOffset < c.out.size()) {
    ssize_t n = ::send(c.fd, c.out.data() + c.outOffset, c.out.size() - c.outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      c.outOffset += static_cast<size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else {
      Close(c, "send failed");
      return;
    }
  }
  if (c.outOffset >= c.out.size()) {
    c.out.clear();
    c.outOffset = 0;
  } else if (c.outOffset > (1u << 20)) {
    c.out.erase(0, c.outOffset);
    c.outOffset = 0;
  }
  if (!c.gone && c.closeWhenSent && c.out.empty()) {
    // Take in what the client still sent, so that its records are complete
    // and closing does not reset the connection over unread data.
    ReadFrom(c, Now());
    if (!c.gone) Close(c, "closed by the broker");
  }
}

void Broker::TakeRecords(Client& c, int64_t now, bool final) {
  for (const std::string& r : c.cutter.Take(now, final)) {
    Record("client" + std::to_string(c.id) + " " + EscapeBytes(r));
    if (!c.playing && r.rfind("register", 0) == 0) StartPlayback(c, now);
  }
}

void Broker::ReadFrom(Client& c, int64_t now) {
  char buf[65536];
  for (int i = 0; i < kMaxReadsPerRound && !c.gone; ++i) {
    ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      c.cutter.Add(std::string_view(buf, static_cast<size_t>(n)), now);
      TakeRecords(c, now, false);
    } else if (n == 0) {
      Close(c, "closed by the client");
    } else if (errno == EINTR) {
      continue;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      return;
    } else {
      Close(c, "connection lost");
    }
  }
}

void Broker::Close(Client& c, const char* why) {
  if (c.gone) return;
  c.gone = true;
  TakeRecords(c, Now(), true);
  Record("event client" + std::to_string(c.id) + " closed");
  Log("client " + std::to_string(c.id) + " " + why);
  ::close(c.fd);
  c.fd = -1;
}

void Broker::Play(int64_t now) {
  if (!options_.scenario) return;
  for (auto& cp : clients_) {
    Client& c = *cp;
    for (int n = 0; n < kMaxStepsPerRound && c.playing && !c.gone && !c.closeWhenSent; ++n) {
      const Step* step = c.player.NextDue(now);
      if (!step) break;
      if (step->kind == Step::Kind::Close) {
        c.closeWhenSent = true;
        FlushOut(c);
      } else {
        Queue(c, step->bytes);
      }
    }
  }
}

void Broker::SendDemo(int64_t now) {
  if (!options_.demo || !demoStarted_) return;
  if (now - (demoStartMs_ + demoFrame_ * kDemoPeriodMs) > 1000)  // fell behind: skip ahead
    demoFrame_ = (now - demoStartMs_) / kDemoPeriodMs;
  while (demoStartMs_ + demoFrame_ * kDemoPeriodMs <= now) {
    double t = static_cast<double>(demoFrame_) * kDemoPeriodMs / 1000.0;
    std::string frame;
    for (const std::string& line : demo_.Lines(t, demoFrame_ % kTrafficEveryFrames == 0)) frame += line;
    for (auto& c : clients_)
      if (c->playing) Queue(*c, frame);
    ++demoFrame_;
  }
}

void Broker::BeginShutdown() {
  shuttingDown_ = true;
  shutdownDeadlineMs_ = Now() + kShutdownGraceMs;
  Log("shutting down");
  for (auto& c : clients_) {
    Queue(*c, kShutdownNotice);
    c->closeWhenSent = true;
    FlushOut(*c);
  }
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
  }
}

int Broker::Run(int stopFd) {
  startMs_ = Now();
  std::vector<pollfd> fds;
  for (;;) {
    int64_t now = Now();
    if (!shuttingDown_ && options_.shutdownAfterSeconds >= 0 &&
        now - startMs_ >= platform::SafeRound(options_.shutdownAfterSeconds * 1000))
      BeginShutdown();
    Play(now);
    SendDemo(now);
    for (auto& c : clients_)
      if (!c->gone) TakeRecords(*c, now, false);
    std::erase_if(clients_, [](const auto& c) { return c->gone; });
    if (shuttingDown_ && (clients_.empty() || now >= shutdownDeadlineMs_)) break;

    // Sleep until the next thing is due, at most a second.
    int64_t next = now + 1000;
    auto soonest = [&next](int64_t t) {
      if (t >= 0) next = std::min(next, t);
    };
    if (options_.shutdownAfterSeconds >= 0 && !shuttingDown_)
      soonest(startMs_ + platform::SafeRound(options_.shutdownAfterSeconds * 1000));
    if (shuttingDown_) soonest(shutdownDeadlineMs_);
    if (options_.demo && demoStarted_) soonest(demoStartMs_ + demoFrame_ * kDemoPeriodMs);
    fds.clear();
    fds.push_back({stopFd, POLLIN, 0});
    if (listenFd_ >= 0) fds.push_back({listenFd_, POLLIN, 0});
    size_t firstClient = fds.size();
    for (auto& c : clients_) {
      soonest(c->cutter.HoldDeadline());
      if (c->playing && options_.scenario && !c->player.Finished()) soonest(c->player.NextDueMs());
      short events = POLLIN;
      if (!c->out.empty()) events |= POLLOUT;
      fds.push_back({c->fd, events, 0});
    }
    int timeout = static_cast<int>(std::clamp<int64_t>(next - now, 0, 1000));
    int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready < 0 && errno != EINTR) {
      Log(std::string("poll failed: ") + std::strerror(errno));
      break;
    }
    if (ready <= 0) continue;
    if (fds[0].revents) break;  // stop requested
    now = Now();
    if (listenFd_ >= 0 && fds[1].revents) Accept(now);
    for (size_t i = firstClient; i < fds.size(); ++i) {
      Client& c = *clients_[i - firstClient];
      if (c.gone) continue;
      if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) ReadFrom(c, now);
      if (!c.gone && (fds[i].revents & POLLOUT)) FlushOut(c);
    }
  }
  for (auto& c : clients_) Close(*c, "closed at broker exit");
  clients_.clear();
  return 0;
}

}  // namespace broker
