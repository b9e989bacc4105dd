// Send chunks of the socket component: outgoing data is copied into a queue
// of fixed-size blocks and sent from the oldest one as far as the socket
// accepts.
#pragma once
#include <memory>

class TBuffer {
 public:
  // Unread bytes of a chunk: address and count (no address when count is 0).
  struct Span {
    const char* data;
    int length;
  };

  explicit TBuffer(int size);
  TBuffer(const TBuffer&) = delete;
  TBuffer& operator=(const TBuffer&) = delete;

  // A size of 0 or less becomes 1514. The bytes stored so far are kept; a
  // block never becomes smaller than them while some are unread.
  void Resize(int size);
  // Copies as much of data as fits behind the stored bytes; returns the
  // count taken (0 for a full chunk or a length of 0 or less).
  int Append(const void* data, int length);
  Span PeekData() const;
  // Marks up to count unread bytes as taken; returns how many. When all are
  // taken the chunk is filled again from its start.
  int Consume(int count);

  int Size() const { return size_; }
  int WriteCount() const { return writeCount_; }
  int ReadCount() const { return readCount_; }

 private:
  std::unique_ptr<char[]> data_;
  int size_ = 0;
  int writeCount_ = 0;
  int readCount_ = 0;
};
