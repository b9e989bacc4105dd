#include "shared/LineBuffer.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace brokerlink {

void LineBuffer::Commit(long n) {
  if (n <= 0) return;
  count_ += std::min(static_cast<std::size_t>(n), Free());
}

bool LineBuffer::NextLine(std::string& line) {
  const char* begin = data_.data();
  const char* lf = static_cast<const char*>(std::memchr(begin, '\n', count_));
  if (!lf) return false;
  const std::size_t len = static_cast<std::size_t>(lf - begin);
  line.assign(begin, len);
  const std::size_t rest = count_ - len - 1;
  std::memmove(data_.data(), lf + 1, rest);
  count_ = rest;
  return true;
}

std::size_t LineBuffer::DropIfFull() {
  if (Free() > 0 || std::memchr(data_.data(), '\n', count_)) return 0;
  const std::size_t dropped = count_;
  count_ = 0;
  return dropped;
}

void LineBuffer::TakeLines(const LineHandler& onLine, const FailureHandler& onFailure,
                           const OverflowHandler& onOverflow) {
  std::string line;
  while (NextLine(line)) {
    try {
      if (onLine) onLine(line);
    } catch (const std::exception& e) {
      if (onFailure) onFailure(line, e.what());
    } catch (...) {
      if (onFailure) onFailure(line, "unknown error");
    }
  }
  const std::size_t dropped = DropIfFull();
  if (dropped > 0 && onOverflow) onOverflow(dropped);
}

}  // namespace brokerlink
