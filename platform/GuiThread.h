// A worker thread that hands calls to the GUI thread and waits for them
// (the refresh threads use it to have every frame painted on the GUI
// thread). Stopping it from the GUI thread never deadlocks: a hand-off
// still waiting for the GUI thread is cancelled, the worker sees the stop
// request and the thread is joined.
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

// From any thread: has fn(data) run on the GUI thread's event loop; 0 when
// handed on, non-zero when the toolkit's queue is full. The posts of all
// threads pass one lock: two worker threads posting at the same moment
// (look-ups ending together) could otherwise lose one of the calls.
int PostToGuiThread(void (*fn)(void*), void* data);

class GuiWorker {
 public:
  // body runs on the worker thread; it loops while !StopRequested().
  explicit GuiWorker(std::function<void(GuiWorker&)> body);
  ~GuiWorker();  // stops and joins
  GuiWorker(const GuiWorker&) = delete;
  GuiWorker& operator=(const GuiWorker&) = delete;

  // Starts the thread at the lowest scheduling priority.
  void Start();
  // From the GUI thread: asks the body to end, cancels a pending hand-off
  // and joins. Safe to call more than once.
  void Stop();
  bool Running() const { return thread_.joinable(); }
  bool StopRequested() const { return stop_.load(); }

  // From the worker: runs fn on the GUI thread and waits until it has run.
  // False (fn not run) when a stop was requested meanwhile.
  bool Synchronize(std::function<void()> fn);

 private:
  struct Call;
  static void RunCall(void* data);

  std::function<void(GuiWorker&)> body_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::shared_ptr<Call> pending_;
};

}  // namespace platform
