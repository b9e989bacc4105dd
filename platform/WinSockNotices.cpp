#include "platform/WinSockNotices.h"

#include <FL/Fl.H>

#include <deque>
#include <unordered_map>
#include <utility>

namespace platform {
namespace {

struct Message {
  WindowHandle window;
  unsigned msg;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

std::unordered_map<WindowHandle, NoticeWindow::Procedure>& Windows() {
  static std::unordered_map<WindowHandle, NoticeWindow::Procedure> windows;
  return windows;
}

std::deque<Message>& Queue() {
  static std::deque<Message> queue;
  return queue;
}

WindowHandle g_nextHandle = 1;
bool g_drainScheduled = false;

void Drain(void*);

void ScheduleDrain() {
  if (g_drainScheduled) return;
  g_drainScheduled = true;
  Fl::add_timeout(0.0, Drain);
}

// Delivers the messages that were queued when the drain started; what the
// procedures post meanwhile waits for the next round of the event loop, so
// that a procedure that keeps posting cannot starve the GUI.
void Drain(void*) {
  g_drainScheduled = false;
  std::size_t n = Queue().size();
  while (n-- > 0 && !Queue().empty()) {
    const Message m = Queue().front();
    Queue().pop_front();
    auto it = Windows().find(m.window);
    if (it == Windows().end()) continue;
    // A copy: the procedure may destroy its own window.
    const NoticeWindow::Procedure procedure = it->second;
    if (!Queue().empty()) ScheduleDrain();
    procedure(m.msg, m.wParam, m.lParam);
  }
  if (!Queue().empty()) ScheduleDrain();
}

}  // namespace

NoticeWindow::NoticeWindow(Procedure procedure) : handle_(g_nextHandle++) {
  Windows().emplace(handle_, std::move(procedure));
}

NoticeWindow::~NoticeWindow() {
  Windows().erase(handle_);
  auto& q = Queue();
  for (auto it = q.begin(); it != q.end();) {
    it = it->window == handle_ ? q.erase(it) : it + 1;
  }
}

bool PostMessage(WindowHandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (Windows().find(window) == Windows().end()) return false;
  Queue().push_back(Message{window, msg, wParam, lParam});
  ScheduleDrain();
  return true;
}

void CancelMessages(WindowHandle window, unsigned msg, std::uintptr_t wParam) {
  auto& q = Queue();
  for (auto it = q.begin(); it != q.end();) {
    it = (it->window == window && it->msg == msg && it->wParam == wParam) ? q.erase(it) : it + 1;
  }
}

std::size_t QueuedMessageCount() { return Queue().size(); }

void ProcessMessages(double timeoutSeconds) {
  if (!Queue().empty() || !(timeoutSeconds > 0.0)) timeoutSeconds = 0.0;
  Fl::wait(timeoutSeconds);
  // Messages posted while waiting (socket readiness) are delivered now
  // rather than at the next call.
  if (!Queue().empty()) Fl::wait(0.0);
}

}  // namespace platform
