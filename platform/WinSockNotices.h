// Hidden notice windows: the stand-in for a hidden window that receives
// posted messages on the GUI thread.
//
// A message posted to a window is queued and delivered later, from the GUI
// event loop (FLTK), to the window's procedure, in the order of posting.
// Destroying a window drops every message still queued for it, so nothing
// is ever delivered to an object that is gone. Windows are identified by a
// handle that is never reused.
//
// Everything here runs on the GUI thread (the thread that runs the event
// loop); nothing is locked.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Handle of a notice window; 0 is no window. Handles are never reused.
using WindowHandle = std::uint64_t;

inline constexpr unsigned WM_USER = 0x0400;

class NoticeWindow {
 public:
  using Procedure = std::function<void(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam)>;

  explicit NoticeWindow(Procedure procedure);
  // Drops every message still queued for this window.
  ~NoticeWindow();
  NoticeWindow(const NoticeWindow&) = delete;
  NoticeWindow& operator=(const NoticeWindow&) = delete;

  WindowHandle Handle() const { return handle_; }

 private:
  WindowHandle handle_;
};

// Queues a message for the window; false when no such window exists.
bool PostMessage(WindowHandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam);

// Drops the queued messages of window that carry msg and wParam (used when a
// socket closes, so that no notice of it reaches a later socket that gets
// the same number).
void CancelMessages(WindowHandle window, unsigned msg, std::uintptr_t wParam);

// Number of messages queued and not yet delivered (for tests).
std::size_t QueuedMessageCount();

// Runs the GUI event loop once: handles what is pending (window events,
// timers, socket readiness, queued messages) and, when nothing is, waits
// up to timeoutSeconds for something to happen. Never spins: a waiting
// caller sleeps in the event loop's wait on its file descriptors.
void ProcessMessages(double timeoutSeconds = 0.0);

}  // namespace platform
