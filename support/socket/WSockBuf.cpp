#include "support/socket/WSockBuf.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int kDefaultSize = 1514;
}

TBuffer::TBuffer(int size) { Resize(size); }

void TBuffer::Resize(int size) {
  if (size <= 0) size = kDefaultSize;
  const bool unread = readCount_ < writeCount_;
  if (unread) size = std::max(size, writeCount_);
  if (size == size_) return;
  auto block = std::make_unique<char[]>(static_cast<size_t>(size));
  if (unread) std::memcpy(block.get(), data_.get(), static_cast<size_t>(writeCount_));
  data_ = std::move(block);
  size_ = size;
}

int TBuffer::Append(const void* data, int length) {
  const int room = size_ - writeCount_;
  if (room <= 0 || length <= 0 || data == nullptr) return 0;
  const int n = std::min(room, length);
  std::memcpy(data_.get() + writeCount_, data, static_cast<size_t>(n));
  writeCount_ += n;
  return n;
}

TBuffer::Span TBuffer::PeekData() const {
  if (writeCount_ <= readCount_) return {nullptr, 0};
  return {data_.get() + readCount_, writeCount_ - readCount_};
}

int TBuffer::Consume(int count) {
  const int unread = writeCount_ - readCount_;
  if (unread <= 0 || count <= 0) return 0;
  const int n = std::min(count, unread);
  readCount_ += n;
  if (readCount_ == writeCount_) {
    readCount_ = 0;
    writeCount_ = 0;
  }
  return n;
}
