#include "support/opengl/DArrays.h"

#include <cstring>
#include <stdexcept>

namespace {
// No array holds more than this many bytes (1 GiB); image sizes are
// checked against it before anything is allocated.
constexpr std::uint64_t kMaxBytes = 1ull << 30;
}  // namespace

void* TDArray::Data() {
  Modified();
  return buffer_.empty() ? nullptr : buffer_.data();
}

void TDArray::SetElementSize(int size) { elementSize_ = size < 1 ? 1 : size; }

void TDArray::SetCount(int N) {
  if (N < 0) N = 0;
  const std::uint64_t bytes = static_cast<std::uint64_t>(N) * static_cast<std::uint64_t>(elementSize_);
  if (bytes > kMaxBytes) throw std::length_error("array too large");
  buffer_.resize(static_cast<std::size_t>(bytes));
  count_ = N;
  Modified();
}

void TDArray::SetItem(int I, const void* Source) {
  if (I < 0 || Source == nullptr) return;
  if (I >= count_) SetCount(I + 1);
  std::memcpy(buffer_.data() + static_cast<std::size_t>(I) * static_cast<std::size_t>(elementSize_), Source,
              static_cast<std::size_t>(elementSize_));
  Modified();
}
