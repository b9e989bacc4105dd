// Kestrane against a broker that sends valid lines as fast as the socket
// takes them: the window keeps drawing new frames and SIGTERM still ends
// the program at once.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "tests/common/TestSupport.h"
#include "tests/common/WholeProgram.h"
#include "tools/scripted-broker/DemoFlight.h"

using namespace wholeprogram;

namespace {

const char* const kTitle = "External Kestrane for PS1.3";

// The whole demo flight, every step's lines one after the other: a flood
// that keeps every instrument moving.
std::string DemoLoopLines() {
  broker::DemoFlight demo;
  std::string all;
  const double step = broker::DemoFlight::kStepSeconds;
  const int steps = static_cast<int>(broker::DemoFlight::kLoopSeconds / step);
  for (int i = 0; i < steps; ++i)
    for (const std::string& line : demo.Lines(i * step, i % 20 == 0)) all += line;
  return all;
}

// One client on 127.0.0.1: once told to, sends the bytes again and again
// as fast as the socket takes them, until the client goes or Stop.
class FloodServer {
 public:
  explicit FloodServer(std::string bytes) : bytes_(std::move(bytes)) {}
  ~FloodServer() { Stop(); }

  bool Listen() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
        ::listen(listener_, 1) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      return false;
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Run(); });
    return true;
  }
  int Port() const { return port_; }
  void StartFlood() { flood_ = true; }
  long long BytesSent() const { return sent_; }
  void Stop() {
    stop_ = true;
    if (listener_ >= 0) ::shutdown(listener_, SHUT_RDWR);
    if (client_ >= 0) ::shutdown(client_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    if (client_ >= 0) ::close(client_);
    if (listener_ >= 0) ::close(listener_);
    client_ = listener_ = -1;
  }

 private:
  void Run() {
    const int c = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) return;
    client_ = c;
    while (!flood_ && !stop_) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    while (!stop_) {
      const ssize_t n = ::send(c, bytes_.data(), bytes_.size(), MSG_NOSIGNAL);
      if (n <= 0) return;  // the program has gone
      sent_ += n;
    }
  }

  std::string bytes_;
  int listener_ = -1;
  std::atomic<int> client_{-1};
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> flood_{false}, stop_{false};
  std::atomic<long long> sent_{0};
};

}  // namespace

TEST(Flood, FramesGoOnAndSigtermEndsTheProgram) {
  XServer x;
  ASSERT_TRUE(x.Start(1024, 768)) << "no X server";
  FloodServer server(DemoLoopLines());
  ASSERT_TRUE(server.Listen());
  Program prog("kestrane", BrokerConfig(server.Port()));
  ASSERT_TRUE(prog.Ready()) << prog.Error();
  testsupport::WriteFile(prog.File("data/747world.mv"), std::string(64800, '\0'));
  ASSERT_TRUE(prog.Start({}, x.Display(), {"LIBGL_ALWAYS_SOFTWARE=1"}));
  const std::string log = prog.File("debug.txt");
  ASSERT_TRUE(WaitForLine(log, " Startup: Initialization complete.", 20000)) << testsupport::ReadFile(log);
  const unsigned long win = FindWindow(kTitle, 15000, prog.Pid(), x.Display());
  ASSERT_NE(win, 0ul);
  ASSERT_TRUE(SendKey(win, "c", kControl, x.Display()));
  ASSERT_TRUE(WaitForLine(log, " File/Connect: Init of ND refresh TIMER started.", 15000))
      << testsupport::ReadFile(log);
  server.StartFlood();

  // Screenshots over the flood: each one that differs from the one before
  // shows at least one new frame.
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(Scaled(10000));
  Image previous, shot;
  int newFrames = 0;
  while (Clock::now() < end) {
    if (Screenshot(shot, win, x.Display())) {
      if (previous.Valid() && shot.rgb != previous.rgb) ++newFrames;
      previous = std::move(shot);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const long long sent = server.BytesSent();
  EXPECT_GE(newFrames, 5) << sent << " bytes sent";

  const auto term = Clock::now();
  const ExitStatus status = prog.Terminate(30000);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - term).count();
  EXPECT_LE(ms, Scaled(2000)) << "SIGTERM took " << ms << " ms";
  EXPECT_TRUE(status.exited && status.code == 0);
  std::printf("flood: %d new frames seen in %d ms, %lld bytes sent, SIGTERM took %lld ms\n", newFrames,
              Scaled(10000), sent, static_cast<long long>(ms));
  server.Stop();
}
