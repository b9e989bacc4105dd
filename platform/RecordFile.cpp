#include "platform/RecordFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

namespace platform {

namespace {
// Whole records are read in chunks of about this many bytes.
constexpr std::size_t kChunk = 64 * 1024;

std::atomic<std::uint64_t> recordFileCap{kMaxRecordFileBytes};
}  // namespace

std::uint64_t MaxRecordFileBytes() { return recordFileCap.load(); }

std::uint64_t SetMaxRecordFileBytes(std::uint64_t bytes) { return recordFileCap.exchange(bytes); }

std::string RecordFileTooLargeText(const std::string& name) {
  return name + " is larger than " + FormatInt(static_cast<long long>(MaxRecordFileBytes())) +
         " bytes. Not loaded.";
}

TRecordFile::~TRecordFile() { Close(); }

bool TRecordFile::Open(const std::string& path, std::size_t recordSize) {
  Close();
  readError_ = false;
  tooLarge_ = false;
  errno_ = 0;
  read_ = 0;
  dropped_ = 0;
  eof_ = false;
  begin_ = end_ = 0;
  if (path.empty() || recordSize == 0) {
    errno_ = ENOENT;
    return false;
  }
  fd_ = OpenRegularFile(ResolvePath(path));
  if (fd_ < 0) {
    errno_ = errno;
    return false;
  }
  cap_ = MaxRecordFileBytes();
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    errno_ = errno;
    Close();
    return false;
  }
  if (static_cast<std::uint64_t>(st.st_size) > cap_) {
    errno_ = EFBIG;
    tooLarge_ = true;
    Close();
    return false;
  }
  recordSize_ = recordSize;
  const std::size_t records = kChunk / recordSize > 0 ? kChunk / recordSize : 1;
  buffer_.assign(records * recordSize, 0);
  return true;
}

void TRecordFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool TRecordFile::Fill() {
  // Keep the unread bytes, then read until the buffer is full or the file ends.
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (!eof_ && end_ < buffer_.size()) {
    // Never more than the cap, should the file grow while it is read: at
    // the cap one more byte tells whether the file goes on.
    const std::uint64_t room = cap_ - read_;
    std::uint8_t probe = 0;
    const ssize_t n = room == 0 ? ::read(fd_, &probe, 1)
                                : ::read(fd_, buffer_.data() + end_,
                                         static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - end_, room)));
    if (room == 0 && n > 0) {
      errno_ = EFBIG;
      tooLarge_ = readError_ = eof_ = true;
      return false;
    }
    if (n == 0) {
      eof_ = true;
    } else if (n < 0) {
      if (errno == EINTR) continue;
      errno_ = errno;
      readError_ = true;
      eof_ = true;
      return false;
    } else {
      end_ += static_cast<std::size_t>(n);
      read_ += static_cast<std::uint64_t>(n);
    }
  }
  return true;
}

const std::uint8_t* TRecordFile::Next() {
  if (fd_ < 0 || readError_) return nullptr;
  if (end_ - begin_ < recordSize_) {
    if (!eof_ && !Fill()) return nullptr;
    if (end_ - begin_ < recordSize_) {
      dropped_ = end_ - begin_;
      begin_ = end_;
      return nullptr;
    }
  }
  const std::uint8_t* r = buffer_.data() + begin_;
  begin_ += recordSize_;
  return r;
}

}  // namespace platform
