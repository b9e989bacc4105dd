// Line layer and waiting layer of the socket component, and TWSocket.
//
// With LineMode on, received bytes are collected in the component's own
// buffer and OnDataAvailable fires once for each complete line ended by
// LineEnd; Receive and RcvdCount are then limited to that line. A handler
// that takes nothing of a line keeps it for a later call. A line that grows
// beyond LineLimit without its LineEnd fires OnLineLimitExceeded; unless the
// handler clears ClearData, the buffered bytes are dropped. LineEcho sends
// the received bytes back; LineEdit applies backspace and tab. When the
// connection closes, what is buffered is delivered as a final line.
// Switching LineMode delivers the bytes already buffered in the new mode.
// With LineMode off (how both programs use it) every operation passes
// through to the layers below.
//
// Declared through WSocket.h; include that.
#pragma once
#ifndef GC_WSOCKET_CORE_DECLARED
#error "include support/socket/WSocket.h"
#endif

using TLineLimitEvent = std::function<void(TCustomWSocket& Sender, std::int32_t RcvdLength, bool& ClearData)>;

class TCustomLineWSocket : public TCustomSocksWSocket {
 public:
  TCustomLineWSocket() = default;
  ~TCustomLineWSocket() override;

  bool LineMode() const { return lineMode_; }
  virtual void SetLineMode(bool value);
  std::string LineEnd = "\r\n";
  // 0 or less: no limit.
  std::int32_t LineLimit = 65536;
  bool LineEcho = false;
  bool LineEdit = false;
  TLineLimitEvent OnLineLimitExceeded;

 protected:
  // Delivers the buffered bytes in the current mode.
  static constexpr unsigned WM_TRIGGER_DATA_AVAILABLE = platform::WM_USER + 20;

  void HandleWindowMessage(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
  std::int32_t GetRcvdCount() override;
  int ReceiveRaw(void* buffer, int length, int flags) override;
  bool FireDataAvailable(std::uint16_t error) override;
  void FireSessionClosed(std::uint16_t error) override;
  std::int32_t LayerPendingCount() override;
  virtual void FireLineLimitExceeded(std::int32_t rcvdLength, bool& clearData);
  // Applies backspace and tab to the bytes received from oldEnd on; returns
  // the lowest buffer position the editing changed.
  virtual std::size_t ApplyLineEdit(std::size_t oldEnd);

 private:
  bool InLineMode() const { return lineMode_ && !LineEnd.empty(); }
  // Offers each complete line to the handler; false when a handler took
  // nothing of a line (it stays for a later call).
  bool DeliverLines(std::size_t searchFrom);
  void CheckLineLimit();
  void DeliverBuffered();

  std::string buffer_;  // received bytes not yet taken
  int lineLength_ = 0;  // bytes of the line being delivered still to take
  bool lineMode_ = false;
  bool clearData_ = false;
};

class TCustomSyncWSocket : public TCustomLineWSocket {
 public:
  TCustomSyncWSocket() = default;
  ~TCustomSyncWSocket() override;

  // Waits in the event loop until flag is set: 0, or 12001 when the wait
  // time limit has passed or the program has started to end.
  virtual int WaitForFlag(bool& flag);
  // Clears flag, runs method (which starts something whose handler sets
  // the flag) and waits for the flag.
  virtual int RunAndWait(const std::function<void()>& method, bool& flag);

 protected:
  // Milliseconds; 0 (the default, and what the component keeps) is no limit.
  std::int32_t waitTimeLimit_ = 0;
};

class TWSocket : public TCustomSyncWSocket {
 public:
  TWSocket() = default;
  ~TWSocket() override;
};
