#include "platform/GuiThread.h"

#include <FL/Fl.H>
#include <pthread.h>
#include <sched.h>

namespace platform {

int PostToGuiThread(void (*fn)(void*), void* data) {
  static std::mutex posting;
  std::lock_guard<std::mutex> lock(posting);
  return Fl::awake(fn, data);
}

struct GuiWorker::Call {
  std::function<void()> fn;
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool cancelled = false;
};

GuiWorker::GuiWorker(std::function<void(GuiWorker&)> body) : body_(std::move(body)) {}

GuiWorker::~GuiWorker() { Stop(); }

void GuiWorker::Start() {
  if (thread_.joinable()) return;
  stop_ = false;
  thread_ = std::thread([this] {
    // Lowest priority: painting must never starve the rest of the desktop.
    sched_param param{};
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    body_(*this);
  });
}

void GuiWorker::RunCall(void* data) {
  // Owned by the awake queue: one reference was leaked for it.
  auto* holder = static_cast<std::shared_ptr<Call>*>(data);
  std::shared_ptr<Call> call = *holder;
  delete holder;
  bool run = false;
  {
    std::lock_guard<std::mutex> lock(call->mutex);
    run = !call->cancelled;
  }
  if (run && call->fn) call->fn();
  {
    std::lock_guard<std::mutex> lock(call->mutex);
    call->finished = true;
  }
  call->done.notify_all();
}

bool GuiWorker::Synchronize(std::function<void()> fn) {
  if (stop_) return false;
  auto call = std::make_shared<Call>();
  call->fn = std::move(fn);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return false;
    pending_ = call;
  }
  auto* holder = new std::shared_ptr<Call>(call);
  if (PostToGuiThread(RunCall, holder) != 0) {
    delete holder;
    std::lock_guard<std::mutex> lock(mutex_);
    pending_.reset();
    return false;
  }
  bool ran = false;
  {
    std::unique_lock<std::mutex> lock(call->mutex);
    call->done.wait(lock, [&] { return call->finished || call->cancelled; });
    ran = call->finished && !call->cancelled;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (pending_ == call) pending_.reset();
  return ran && !stop_;
}

void GuiWorker::Stop() {
  stop_ = true;
  std::shared_ptr<Call> pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending = pending_;
  }
  if (pending) {
    // The GUI thread is here, so the call cannot be running now: cancel it
    // so the worker stops waiting; the queued callback will skip it.
    {
      std::lock_guard<std::mutex> lock(pending->mutex);
      if (!pending->finished) pending->cancelled = true;
    }
    pending->done.notify_all();
  }
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    else thread_.join();
  }
}

}  // namespace platform
