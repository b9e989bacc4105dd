// A broker stand-in for flood tests: one client on 127.0.0.1, to which it
// sends the same bytes again and again as fast as the socket takes them
// (a send blocks while the client does not read), and then, when told,
// one last text followed by silence on an open connection.
#pragma once
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

namespace wholeprogram {

class FloodServer {
 public:
  explicit FloodServer(std::string bytes) : bytes_(std::move(bytes)) {}
  ~FloodServer() { Stop(); }
  FloodServer(const FloodServer&) = delete;
  FloodServer& operator=(const FloodServer&) = delete;

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
  bool Connected() const { return client_ >= 0; }
  // Sends the bytes again and again from now on.
  void StartFlood() { flood_ = true; }
  // Ends the flood behind the bytes in hand, sends last once and then
  // nothing (StartFlood floods again).
  void EndWith(std::string last) {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = std::move(last);
    flood_ = false;
  }
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
    while (!stop_) {
      std::string once;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        once.swap(last_);
      }
      if (!once.empty() || flood_) {
        if (!SendAll(c, once.empty() ? bytes_ : once)) return;  // the program has gone
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
  }

  bool SendAll(int c, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size() && !stop_;) {
      const ssize_t n = ::send(c, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
      sent_ += n;
    }
    return true;
  }

  std::string bytes_;
  std::mutex mutex_;
  std::string last_;
  int listener_ = -1;
  std::atomic<int> client_{-1};
  int port_ = 0;
  std::thread thread_;
  std::atomic<bool> flood_{false}, stop_{false};
  std::atomic<long long> sent_{0};
};

}  // namespace wholeprogram
