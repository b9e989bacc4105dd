// Reading a file of fixed-size binary records (the simulator's databases):
// only a regular file is opened, only whole records are handed out (a
// shorter remainder at the end is dropped), and a read error ends the file
// and is reported. Fields are taken out of a record byte by byte, little-
// endian, at any offset, so no record layout is ever cast onto memory.
// A file larger than the record-file cap is refused: it cannot be a
// database, and reading it to the end would hold up start-up and every
// reload for seconds and keep what it read in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The largest record file read. The simulator's whole database set is
// about 4 MB (its largest file well under 1 MB), so 64 MiB leaves room
// for any real or future database many times over, while a refused file
// costs nothing and a read one at most about a second and the memory its
// records need.
inline constexpr std::uint64_t kMaxRecordFileBytes = 64ull << 20;
// The cap in force for every TRecordFile (kMaxRecordFileBytes unless
// changed). Setting returns the previous cap; tests use a small one.
std::uint64_t MaxRecordFileBytes();
std::uint64_t SetMaxRecordFileBytes(std::uint64_t bytes);
// The log text for a file refused by the cap: "<name> is larger than
// <cap> bytes. Not loaded."
std::string RecordFileTooLargeText(const std::string& name);

class TRecordFile {
 public:
  TRecordFile() = default;
  ~TRecordFile();
  TRecordFile(const TRecordFile&) = delete;
  TRecordFile& operator=(const TRecordFile&) = delete;

  // Opens path (resolved case-insensitively) for records of recordSize
  // bytes. False when it cannot be opened: an empty name, a folder, a FIFO
  // or any other entry that is not a regular file, a missing file, no
  // permission, a record size of 0, or a file larger than the cap
  // (then TooLarge is true).
  bool Open(const std::string& path, std::size_t recordSize);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // The next whole record, or null at the end of the file or after a read
  // error (then ReadError is true). The pointer stays valid until the next
  // call.
  const std::uint8_t* Next();

  // The file is larger than the cap: refused at the open, or grown past
  // the cap while it was read (then a read error ends it).
  bool TooLarge() const { return tooLarge_; }
  bool ReadError() const { return readError_; }
  int ErrorNumber() const { return errno_; }
  // Bytes of an incomplete last record that were dropped.
  std::size_t DroppedBytes() const { return dropped_; }

 private:
  bool Fill();

  int fd_ = -1;
  std::size_t recordSize_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::size_t begin_ = 0, end_ = 0;
  bool eof_ = false;
  bool readError_ = false;
  bool tooLarge_ = false;
  int errno_ = 0;
  std::uint64_t cap_ = 0;    // the cap when the file was opened
  std::uint64_t read_ = 0;   // bytes read from the file so far
  std::size_t dropped_ = 0;
};

// Little-endian fields at byte offset off of a record.
inline std::int8_t RecordInt8(const std::uint8_t* r, std::size_t off) {
  return static_cast<std::int8_t>(r[off]);
}
inline std::uint16_t RecordUInt16(const std::uint8_t* r, std::size_t off) {
  return static_cast<std::uint16_t>(r[off] | (r[off + 1] << 8));
}
inline std::int16_t RecordInt16(const std::uint8_t* r, std::size_t off) {
  return static_cast<std::int16_t>(RecordUInt16(r, off));
}

}  // namespace platform
