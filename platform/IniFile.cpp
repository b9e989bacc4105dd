#include "platform/IniFile.h"

#include "platform/Numbers.h"
#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <unistd.h>
#include <vector>

namespace platform {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool EqualCI(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// Largest settings file read; a bigger one counts as unreadable (and is
// therefore never replaced).
constexpr std::size_t kMaxIniBytes = 256u << 20;

// The file's lines. False when it exists but could not be read (error
// gets the errno); a file that does not exist has no lines.
bool ReadLines(const std::string& file, std::vector<std::string>& lines, int& error) {
  lines.clear();
  error = 0;
  struct stat st;
  if (::lstat(file.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)) return true;
  std::string data;
  switch (ReadRegularFile(file, data, kMaxIniBytes, &error)) {
    case ReadResult::Ok:
      break;
    case ReadResult::Missing:
      // Something is there, but not a regular file (or a dangling link):
      // it holds no settings, and it is not ours to replace.
      if (error == 0 || error == ENOENT) error = EINVAL;
      return false;
    default:
      return false;
  }
  std::size_t pos = 0;
  while (pos < data.size()) {
    std::size_t lf = data.find('\n', pos);
    if (lf == std::string::npos) lf = data.size();
    std::string line = data.substr(pos, lf - pos);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = lf + 1;
  }
  return true;
}

bool WriteAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string FolderOf(const std::string& file) {
  size_t slash = file.rfind('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : file.substr(0, slash));
}

// Replaces file by lines: a temporary file beside it, flushed to disk and
// given the old file's permission bits, renamed over it; then the folder
// is flushed so that the rename itself survives a power loss.
bool ReplaceFile(const std::string& file, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) {
    text += l;
    text += '\n';
  }
  struct stat old;
  const bool hadFile = ::stat(file.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  const std::string tmp = file + ".tmp" + FormatInt(::getpid());
  const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0666);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, text);
  if (ok && hadFile) ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  if (ok) ok = ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (!ok || std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  const int dir = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

// Section name of a "[name]" line, or false.
bool SectionOf(const std::string& line, std::string& name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  name = Trim(t.substr(1, close - 1));
  return true;
}

bool KeyOf(const std::string& line, std::string& key, std::string& value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  size_t eq = line.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(line.substr(0, eq));
  value = Trim(line.substr(eq + 1));
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\''))) {
    value = value.substr(1, value.size() - 2);
  }
  return !key.empty();
}

// Exclusive lock on the folder holding a file, for the life of the object.
class FolderLock {
 public:
  explicit FolderLock(const std::string& file) {
    fd_ = ::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) {
      ::flock(fd_, LOCK_UN);
      ::close(fd_);
    }
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace

// One read of the file, shared by the reads and writes of a batch.
struct TIniFile::Batch {
  explicit Batch(const std::string& file) : lock(file) { readable = ReadLines(file, lines, error); }
  FolderLock lock;
  std::vector<std::string> lines;
  bool readable = false;
  int error = 0;
  bool changed = false;
};

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
TIniFile::~TIniFile() = default;

void TIniFile::Report(int error) const {
  if (reported_) return;
  reported_ = true;
  if (reporter_)
    reporter_("\"" + fileName_ + "\" could not be read (" + std::strerror(error) +
              "); it is left as it is and no setting is saved to it.");
}

void TIniFile::BeginUpdate() const {
  if (depth_++ > 0) return;
  batch_ = std::make_unique<Batch>(fileName_);
  if (!batch_->readable) Report(batch_->error);
}

bool TIniFile::EndUpdate() const {
  if (depth_ == 0) return false;
  if (--depth_ > 0) return true;
  std::unique_ptr<Batch> batch = std::move(batch_);
  if (!batch->changed) return true;
  return ReplaceFile(fileName_, batch->lines);
}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
  TIniBatch batch(*this);
  bool inSection = false;
  for (const auto& line : batch_->lines) {
    std::string name, k, v;
    if (SectionOf(line, name)) {
      inSection = EqualCI(name, section);
    } else if (inSection && KeyOf(line, k, v) && EqualCI(k, key)) {
      return v;
    }
  }
  return def;
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  int v = def;
  if (!ParseInt(ReadString(section, key, ""), v)) return def;
  return v;
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
  // A control character (a line break above all) would break the file or
  // come back changed: such a value is refused.
  auto bad = [](const std::string& s) {
    for (unsigned char c : s)
      if (c < 0x20 || c == 0x7F) return true;
    return false;
  };
  if (bad(section) || bad(key) || bad(value) || section.find(']') != std::string::npos ||
      key.find('=') != std::string::npos)
    return false;

  // Two programs may share the file and write at the same moment: each
  // read-change-replace holds the folder's lock so that no write is lost.
  BeginUpdate();
  Batch& b = *batch_;
  // A file that could not be read is never replaced.
  if (!b.readable) {
    EndUpdate();
    return false;
  }
  std::vector<std::string>& lines = b.lines;
  const std::string entry = key + "=" + value;
  bool inSection = false;
  bool sectionFound = false;
  size_t insertAt = std::string::npos;  // after the last key line of the section
  bool done = false;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionOf(lines[i], name)) {
      if (inSection) break;  // the section ended without the key
      inSection = EqualCI(name, section);
      if (inSection) {
        sectionFound = true;
        insertAt = i + 1;
      }
    } else if (inSection) {
      if (KeyOf(lines[i], k, v)) {
        if (EqualCI(k, key)) {
          lines[i] = entry;
          done = true;
        } else {
          insertAt = i + 1;
        }
      } else if (!Trim(lines[i]).empty()) {
        insertAt = i + 1;
      }
    }
  }
  if (!done) {
    if (sectionFound) {
      lines.insert(lines.begin() + static_cast<long>(insertAt), entry);
    } else {
      if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back("");
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    }
  }
  b.changed = true;
  return EndUpdate();
}

bool TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, FormatInt(value));
}

bool TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

}  // namespace platform
