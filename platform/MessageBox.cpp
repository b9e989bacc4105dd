#include "platform/MessageBox.h"

#include <FL/Fl.H>
#include <FL/fl_ask.H>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { Hook() = std::move(hook); }

void ShowMessageBox(const std::string& text, const std::string& caption) {
  if (Hook()) {
    Hook()(text, caption);
    return;
  }
  std::string shown = text;
  for (auto& c : shown)
    if (c == '\r') c = '\n';
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "%s\n", shown.c_str());
    return;
  }
  if (!caption.empty()) fl_message_title(caption.c_str());
  fl_message("%s", shown.c_str());
}

}  // namespace platform
