// Modal message box. Tests install a hook that records the text instead of
// opening a dialog that would block.
#pragma once
#include <functional>
#include <string>

namespace platform {

using MessageBoxHook = std::function<void(const std::string& text, const std::string& caption)>;

// Shows text (CR or LF separate lines) and waits for OK.
void ShowMessageBox(const std::string& text, const std::string& caption = "");
// Replaces the dialog by a call of hook; an empty hook restores the dialog.
void SetMessageBoxHook(MessageBoxHook hook);

}  // namespace platform
