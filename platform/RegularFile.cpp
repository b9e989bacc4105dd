#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

bool IsRegularFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int OpenRegularFile(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  if (!S_ISREG(st.st_mode)) {
    errno = ENOENT;
    return -1;
  }
  // Non-blocking, so that an entry swapped for a FIFO after the check
  // cannot block here either.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = ENOENT;
    return -1;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  return fd;
}

ReadResult ReadRegularFile(const std::string& path, std::string& data, std::size_t maxBytes, int* error) {
  data.clear();
  auto fail = [&](ReadResult r, int e) {
    if (error) *error = e;
    data.clear();
    return r;
  };
  const int fd = OpenRegularFile(path);
  if (fd < 0) {
    const int e = errno;
    return fail(e == ENOENT || e == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable, e);
  }
  struct stat st;
  if (::fstat(fd, &st) == 0 && static_cast<unsigned long long>(st.st_size) > maxBytes) {
    ::close(fd);
    return fail(ReadResult::TooLarge, EFBIG);
  }
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int e = errno;
      ::close(fd);
      return fail(ReadResult::Unreadable, e);
    }
    if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
      ::close(fd);
      return fail(ReadResult::TooLarge, EFBIG);
    }
    data.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  if (error) *error = 0;
  return ReadResult::Ok;
}

}  // namespace platform
