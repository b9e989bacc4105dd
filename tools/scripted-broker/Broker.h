// The scripted broker: a stand-in for the simulator variable broker that
// the programs connect to, for tests and demonstrations. It listens on
// 127.0.0.1, accepts any number of clients, records every line each client
// sends, and plays a scenario and/or the demo flight to each client.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tools/scripted-broker/DemoFlight.h"
#include "tools/scripted-broker/Scenario.h"

namespace broker {

struct BrokerOptions {
  int port = 1863;           // 0 picks a free port
  std::string recordFile;    // empty: nothing recorded
  const std::vector<Step>* scenario = nullptr;
  bool demo = false;
  double shutdownAfterSeconds = -1;  // below 0: never
  // Playback to a client starts when it has sent a line beginning with
  // "register" (default) or as soon as it is connected.
  bool startOnConnect = false;
};

// Cuts the bytes a client sends into records: a record ends after an LF,
// after a CR that is followed by anything but an LF, or after a CR that
// stays last for kCrHoldMs (its LF did not come). A run of kMaxRecord bytes
// without a line end is a record of its own; what is left when the client
// goes is the last record.
class RecordCutter {
 public:
  static constexpr int64_t kCrHoldMs = 50;
  static constexpr size_t kMaxRecord = 65536;

  void Add(std::string_view bytes, int64_t nowMs);
  // Records complete at nowMs (everything when final is set).
  std::vector<std::string> Take(int64_t nowMs, bool final);
  // Time at which a held CR becomes a record; -1 when none is held.
  int64_t HoldDeadline() const;

 private:
  std::string pending_;
  int64_t lastDataMs_ = 0;
};

class Broker {
 public:
  explicit Broker(BrokerOptions options);
  ~Broker();
  Broker(const Broker&) = delete;
  Broker& operator=(const Broker&) = delete;

  // Binds and listens; false with a message on failure.
  bool Listen(std::string& error);
  int Port() const { return port_; }
  // Serves until a byte arrives on stopFd or the shutdown notice has been
  // delivered; returns the exit code (0).
  int Run(int stopFd);

 private:
  struct Client;
  int64_t Now() const;
  void Record(const std::string& line);
  void Log(const std::string& text);
  void Accept(int64_t now);
  void StartPlayback(Client& c, int64_t now);
  void Queue(Client& c, std::string_view bytes);
  void FlushOut(Client& c);
  void ReadFrom(Client& c, int64_t now);
  void TakeRecords(Client& c, int64_t now, bool final);
  void Close(Client& c, const char* why);
  void Play(int64_t now);
  void SendDemo(int64_t now);
  void BeginShutdown();

  BrokerOptions options_;
  int listenFd_ = -1;
  int recordFd_ = -1;
  int port_ = 0;
  int nextId_ = 1;
  std::vector<std::unique_ptr<Client>> clients_;
  int64_t startMs_ = 0;
  bool shuttingDown_ = false;
  int64_t shutdownDeadlineMs_ = 0;
  DemoFlight demo_;
  bool demoStarted_ = false;
  int64_t demoStartMs_ = 0;
  int64_t demoFrame_ = 0;
};

}  // namespace broker
