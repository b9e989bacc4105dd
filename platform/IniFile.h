// INI settings file. Section and key names are case-insensitive; a read
// gives the default for a missing key or a value that is not a number; a
// write re-reads the file, changes one key in place, keeps every other
// section, key, comment and their order, and replaces the file atomically
// (a new file flushed to disk, with the old file's permission bits, then
// renamed over it).
//
// A file that exists but cannot be read (permissions, I/O error, not a
// regular file) reads as empty and is never replaced: every write is
// refused and the file stays as it is. The reporter hears of it once.
//
// Between BeginUpdate and EndUpdate the file is read once: reads and writes
// use that copy, and the writes replace the file once at the end, with the
// same result as writing the keys one by one. The folder's lock is held
// for the whole batch, so another program's write cannot fall in between.
#pragma once
#include <functional>
#include <memory>
#include <string>

namespace platform {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  ~TIniFile();
  TIniFile(const TIniFile&) = delete;
  TIniFile& operator=(const TIniFile&) = delete;
  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Values holding a control character (CR, LF, tab, NUL...) are refused
  // (false): they would break the file or read back changed.
  // False too when the file could not be read or written.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

  // A batch of reads and writes (they nest; the outermost pair counts).
  // EndUpdate is false when changed keys could not be saved.
  void BeginUpdate() const;
  bool EndUpdate() const;

  // Told once, with a line of text, that the file exists but could not be
  // read and is therefore left untouched.
  void SetReporter(std::function<void(const std::string&)> reporter) { reporter_ = std::move(reporter); }

 private:
  struct Batch;
  std::string fileName_;
  std::function<void(const std::string&)> reporter_;
  mutable bool reported_ = false;
  mutable int depth_ = 0;
  mutable std::unique_ptr<Batch> batch_;
  void Report(int error) const;
};

// Holds a batch for the life of the object.
class TIniBatch {
 public:
  explicit TIniBatch(const TIniFile& ini) : ini_(ini) { ini_.BeginUpdate(); }
  ~TIniBatch() { ini_.EndUpdate(); }
  TIniBatch(const TIniBatch&) = delete;
  TIniBatch& operator=(const TIniBatch&) = delete;

 private:
  const TIniFile& ini_;
};

}  // namespace platform
