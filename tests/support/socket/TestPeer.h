// Loopback peers for the socket tests: a listening socket on 127.0.0.1, a
// port where nothing listens, blocking helpers for the peer side, and a
// pump that runs the event loop until a condition holds.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace sockettest {

// Listening socket on 127.0.0.1 with a port of the system's choice.
class Listener {
 public:
  // receiveBuffer > 0 gives accepted connections a small receive buffer,
  // so that a peer that reads slowly makes the sender wait.
  explicit Listener(int receiveBuffer = 0);
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;
  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }
  // The next connection, waiting up to seconds; -1 when none came.
  int Accept(double seconds = 10.0) const;

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// A port on 127.0.0.1 that is bound but not listening while the object
// lives: connects to it are refused.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  std::uint16_t Port() const { return port_; }
  std::string PortText() const { return std::to_string(port_); }

 private:
  int fd_ = -1;
  std::uint16_t port_ = 0;
};

// Blocking peer-side helpers (each waits at most seconds).
bool WriteAll(int fd, const std::string& data);
std::string ReadExactly(int fd, std::size_t count, double seconds = 10.0);
// Reads until the other side closes.
std::string ReadToEnd(int fd, double seconds = 10.0);
// Closes with a reset instead of an orderly close.
void CloseWithReset(int fd);

// Runs the event loop until cond holds (true) or seconds have passed
// (false). The limit only keeps a failing test from hanging.
bool PumpUntil(const std::function<bool()>& cond, double seconds = 10.0);
// Runs the event loop for a while, to let late events show up.
void PumpFor(double seconds);

// Number of open descriptors of the process.
int OpenDescriptorCount();

}  // namespace sockettest
