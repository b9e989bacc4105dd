// INI settings file. Section and key names are case-insensitive; a read
// gives the default for a missing key or a value that is not a number; a
// write re-reads the file, changes one key in place, keeps every other
// section, key, comment and their order, and replaces the file atomically.
#pragma once
#include <string>

namespace platform {

class TIniFile {
 public:
  explicit TIniFile(std::string fileName);
  const std::string& FileName() const { return fileName_; }

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Values holding CR or LF are refused (false): they would break the file.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);

 private:
  std::string fileName_;
};

}  // namespace platform
