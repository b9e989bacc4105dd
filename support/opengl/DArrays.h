// Growable array of fixed-size elements, the storage of the images.
#pragma once
#include <cstdint>
#include <vector>

class TDArray {
 public:
  TDArray() = default;
  virtual ~TDArray() = default;
  TDArray(const TDArray&) = default;
  TDArray& operator=(const TDArray&) = default;

  int Count() const { return count_; }
  int ElementSize() const { return elementSize_; }
  // The element buffer, Count() x ElementSize() bytes (null when empty).
  const void* Data() const { return buffer_.empty() ? nullptr : buffer_.data(); }
  void* Data();

  // Resizes to N elements, keeping the leading bytes; a negative N empties
  // the array. Throws std::length_error when N elements cannot be held.
  void SetCount(int N);
  // Copies one element from Source into element I, growing the array when
  // I is at or past the end. A negative I is ignored.
  void SetItem(int I, const void* Source);

 protected:
  void SetElementSize(int size);
  // Called whenever the contents may have changed.
  virtual void Modified() {}

 private:
  std::vector<std::uint8_t> buffer_;
  int count_ = 0;
  int elementSize_ = 1;
};
