// The one way the programs open a file they read: only a regular file is
// opened. A FIFO, device, socket or folder in its place counts as missing,
// so that such an entry can never block start-up (opening a FIFO for
// reading waits for a writer) or feed endless bytes.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

// Opens path for reading when it is a regular file: the entry is checked
// first, opened non-blocking, and checked again on the open descriptor (it
// may have been swapped in between). The descriptor is blocking and
// close-on-exec. -1 otherwise, with errno set (ENOENT for an entry that
// is not a regular file).
int OpenRegularFile(const std::string& path);

// True when path names a regular file (following symbolic links).
bool IsRegularFile(const std::string& path);

enum class ReadResult {
  Ok,
  Missing,     // no such entry, or it is not a regular file
  Unreadable,  // a regular file that could not be read (permissions, I/O error)
  TooLarge,    // more than maxBytes
};

// Reads a whole regular file into data. error gets the errno of a failure.
ReadResult ReadRegularFile(const std::string& path, std::string& data, std::size_t maxBytes,
                           int* error = nullptr);

}  // namespace platform
