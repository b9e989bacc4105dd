#include <algorithm>
#include <chrono>
#include <cstring>

#include "platform/GLForm.h"
#include "support/socket/WSocket.h"

namespace {

// Longest single wait of WaitForFlag (it returns as soon as anything
// happens).
constexpr double kWaitSlice = 0.1;

// A wait that timed out or that the program's end cut short.
constexpr int kWaitNotDone = 12001;

}  // namespace

TCustomLineWSocket::~TCustomLineWSocket() { DestroyComponent(); }
TCustomSyncWSocket::~TCustomSyncWSocket() { DestroyComponent(); }
TWSocket::~TWSocket() { DestroyComponent(); }

// ---------------------------------------------------------------------------
// Mode and reading

void TCustomLineWSocket::SetLineMode(bool value) {
  if (value == lineMode_) return;
  lineMode_ = value;
  // The unread rest of a line is ordinary data once line mode is off.
  if (!value) lineLength_ = 0;
  if (!buffer_.empty()) platform::PostMessage(WindowHandle(), WM_TRIGGER_DATA_AVAILABLE, 0, 0);
}

std::int32_t TCustomLineWSocket::GetRcvdCount() {
  if (lineMode_) return lineLength_;
  if (!buffer_.empty()) return static_cast<std::int32_t>(std::min<std::size_t>(buffer_.size(), INT32_MAX));
  return TCustomSocksWSocket::GetRcvdCount();
}

std::int32_t TCustomLineWSocket::LayerPendingCount() {
  const std::int32_t below = TCustomSocksWSocket::LayerPendingCount();
  if (InLineMode()) return below;
  return below + static_cast<std::int32_t>(std::min<std::size_t>(buffer_.size(), INT32_MAX / 2));
}

// Takes from the front of the one buffer, so that a reader taking a line a
// byte at a time neither loses nor repeats a byte.
int TCustomLineWSocket::ReceiveRaw(void* buffer, int length, int flags) {
  std::size_t available = 0;
  if (InLineMode() && lineLength_ > 0) {
    available = static_cast<std::size_t>(lineLength_);
  } else if (!InLineMode() && !buffer_.empty()) {
    available = buffer_.size();
  } else {
    return TCustomSocksWSocket::ReceiveRaw(buffer, length, flags);
  }
  if (buffer == nullptr || length <= 0) return 0;
  const std::size_t n = std::min(available, static_cast<std::size_t>(length));
  std::memcpy(buffer, buffer_.data(), n);
  buffer_.erase(0, n);
  if (InLineMode()) lineLength_ -= static_cast<int>(n);
  return static_cast<int>(n);
}

// ---------------------------------------------------------------------------
// Delivery

bool TCustomLineWSocket::FireDataAvailable(std::uint16_t error) {
  if (!InLineMode() || Negotiating()) return TCustomSocksWSocket::FireDataAvailable(error);
  // A line a handler left untaken is offered again before anything new.
  if (lineLength_ > 0 && !DeliverLines(0)) return true;
  std::int32_t count = TCustomSocksWSocket::GetRcvdCount();
  if (count < 0) return true;
  if (count == 0) count = 255;
  const std::size_t oldEnd = buffer_.size();
  buffer_.resize(oldEnd + static_cast<std::size_t>(count));
  const int n = TCustomSocksWSocket::ReceiveRaw(buffer_.data() + oldEnd, count, 0);
  buffer_.resize(oldEnd + static_cast<std::size_t>(std::max(n, 0)));
  if (n <= 0) return true;
  CountTaken(n);
  std::size_t changedFrom = oldEnd;
  if (LineEdit) {
    changedFrom = ApplyLineEdit(oldEnd);
  } else if (LineEcho) {
    Send(buffer_.data() + oldEnd, n);
  }
  // A line end split across two receives is found.
  const std::size_t searchFrom = changedFrom > LineEnd.size() ? changedFrom - LineEnd.size() : 0;
  if (DeliverLines(searchFrom)) CheckLineLimit();
  return true;
}

bool TCustomLineWSocket::DeliverLines(std::size_t searchFrom) {
  while (InLineMode()) {
    if (lineLength_ == 0) {
      const std::size_t at = buffer_.find(LineEnd, std::min(searchFrom, buffer_.size()));
      if (at == std::string::npos) break;
      lineLength_ = static_cast<int>(at + LineEnd.size());
    }
    while (InLineMode() && lineLength_ > 0) {
      const int before = lineLength_;
      if (!TCustomSocksWSocket::FireDataAvailable(0)) {
        // Nobody reads: the line is dropped.
        buffer_.erase(0, static_cast<std::size_t>(std::min<std::size_t>(lineLength_, buffer_.size())));
        lineLength_ = 0;
        break;
      }
      if (lineLength_ == before) return false;
    }
    searchFrom = 0;
  }
  return true;
}

void TCustomLineWSocket::CheckLineLimit() {
  if (LineLimit <= 0 || buffer_.size() <= static_cast<std::size_t>(LineLimit)) return;
  clearData_ = true;
  FireLineLimitExceeded(static_cast<std::int32_t>(std::min<std::size_t>(buffer_.size(), INT32_MAX)), clearData_);
  if (clearData_) {
    buffer_.clear();
    lineLength_ = 0;
    clearData_ = false;
  }
}

// After a switch of LineMode: the bytes already buffered, in the new mode,
// without waiting for new bytes from the socket.
void TCustomLineWSocket::DeliverBuffered() {
  if (InLineMode()) {
    if (DeliverLines(0)) CheckLineLimit();
    return;
  }
  while (!InLineMode() && !buffer_.empty()) {
    const std::size_t before = buffer_.size();
    if (!TCustomSocksWSocket::FireDataAvailable(0)) {
      // Nobody reads: dropped, as the core drops data nobody reads.
      buffer_.clear();
      break;
    }
    if (buffer_.size() == before) break;
  }
}

void TCustomLineWSocket::HandleWindowMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
  if (msg != WM_TRIGGER_DATA_AVAILABLE) {
    TCustomSocksWSocket::HandleWindowMessage(msg, wParam, lParam);
    return;
  }
  try {
    DeliverBuffered();
  } catch (const std::exception& e) {
    HandleEventException(e);
  }
}

// What is still buffered at a close is delivered first: in line mode as a
// final line without its LineEnd.
void TCustomLineWSocket::FireSessionClosed(std::uint16_t error) {
  if (!buffer_.empty() && !clearData_) {
    if (InLineMode()) {
      lineLength_ = static_cast<int>(std::min<std::size_t>(buffer_.size(), INT32_MAX));
      while (InLineMode() && lineLength_ > 0) {
        const int before = lineLength_;
        if (!TCustomSocksWSocket::FireDataAvailable(0) || lineLength_ == before) break;
      }
    } else {
      DeliverBuffered();
    }
  }
  buffer_.clear();
  buffer_.shrink_to_fit();
  lineLength_ = 0;
  TCustomSocksWSocket::FireSessionClosed(error);
}

void TCustomLineWSocket::FireLineLimitExceeded(std::int32_t rcvdLength, bool& clearData) {
  if (OnLineLimitExceeded) OnLineLimitExceeded(*this, rcvdLength, clearData);
}

// ---------------------------------------------------------------------------
// Editing

std::size_t TCustomLineWSocket::ApplyLineEdit(std::size_t oldEnd) {
  const std::string fresh = buffer_.substr(oldEnd);
  if (fresh.find_first_of("\b\t") == std::string::npos) {
    if (LineEcho) {
      for (char c : fresh) Send(&c, 1);
    }
    return oldEnd;
  }
  std::string text = buffer_.substr(0, oldEnd);
  std::size_t lowest = oldEnd;
  for (char c : fresh) {
    if (c == '\b') {
      // Never before the start of the buffer.
      if (text.empty()) continue;
      text.pop_back();
      lowest = std::min(lowest, text.size());
      if (LineEcho) Send("\b \b", 3);
    } else if (c == '\t') {
      const std::size_t blanks = 8 - text.size() % 8;
      text.append(blanks, ' ');
      if (LineEcho) {
        for (std::size_t i = 0; i < blanks; ++i) Send(" ", 1);
      }
    } else {
      text.push_back(c);
      if (LineEcho) Send(&c, 1);
    }
  }
  buffer_ = std::move(text);
  return lowest;
}

// ---------------------------------------------------------------------------
// Waiting

int TCustomSyncWSocket::WaitForFlag(bool& flag) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point stop = Clock::now() + std::chrono::milliseconds(std::max(waitTimeLimit_, 0));
  while (!flag) {
    if (waitTimeLimit_ > 0 && Clock::now() > stop) return kWaitNotDone;
    if (platform::ApplicationEnding()) return kWaitNotDone;
    platform::ProcessMessages(kWaitSlice);
  }
  return 0;
}

int TCustomSyncWSocket::RunAndWait(const std::function<void()>& method, bool& flag) {
  flag = false;
  if (method) method();
  return WaitForFlag(flag);
}
