// Receive buffer that cuts a byte stream into lines at LF (a CR before the
// LF stays in the line). A line is taken out of the buffer before it is
// handed on, so a handler that fails loses that line only. A buffer that
// fills without any LF is emptied by the caller (DropIfFull) so that the
// link never stalls.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace brokerlink {

class LineBuffer {
 public:
  explicit LineBuffer(std::size_t capacity) : data_(capacity) {}

  std::size_t Capacity() const { return data_.size(); }
  std::size_t Count() const { return count_; }
  std::size_t Free() const { return data_.size() - count_; }
  // Where the next received bytes go (Free() bytes of room).
  char* WritePtr() { return data_.data() + count_; }
  // Accounts for n received bytes; values outside 0..Free() are clamped.
  void Commit(long n);
  // Takes the next complete line out of the buffer; false when none.
  bool NextLine(std::string& line);
  // When the buffer is full and holds no LF, empties it and returns the
  // number of bytes dropped (0 otherwise).
  std::size_t DropIfFull();
  void Clear() { count_ = 0; }

  using LineHandler = std::function<void(const std::string& line)>;
  using FailureHandler = std::function<void(const std::string& line, const char* what)>;
  using OverflowHandler = std::function<void(std::size_t dropped)>;
  // Hands every complete line to onLine in arrival order. A line whose
  // handler throws is dropped (onFailure hears of it) and the lines after it
  // go on. Then a buffer full without a line end is emptied (onOverflow).
  void TakeLines(const LineHandler& onLine, const FailureHandler& onFailure = {},
                 const OverflowHandler& onOverflow = {});

 private:
  std::vector<char> data_;
  std::size_t count_ = 0;
};

}  // namespace brokerlink
