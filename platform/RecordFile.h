// Reading a file of fixed-size binary records (the simulator's databases):
// only a regular file is opened, only whole records are handed out (a
// shorter remainder at the end is dropped), and a read error ends the file
// and is reported. Fields are taken out of a record byte by byte, little-
// endian, at any offset, so no record layout is ever cast onto memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class TRecordFile {
 public:
  TRecordFile() = default;
  ~TRecordFile();
  TRecordFile(const TRecordFile&) = delete;
  TRecordFile& operator=(const TRecordFile&) = delete;

  // Opens path (resolved case-insensitively) for records of recordSize
  // bytes. False when it cannot be opened: an empty name, a folder, a FIFO
  // or any other entry that is not a regular file, a missing file, no
  // permission, or a record size of 0.
  bool Open(const std::string& path, std::size_t recordSize);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

  // The next whole record, or null at the end of the file or after a read
  // error (then ReadError is true). The pointer stays valid until the next
  // call.
  const std::uint8_t* Next();

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
  int errno_ = 0;
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
