#include "shared/Udebug.h"

#include <cstdio>
#include <ctime>

std::string DebugFileName;

std::string DebugTimeStamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char buf[64];
  // %X: the locale's time representation, as the user set it (LC_TIME).
  size_t n = std::strftime(buf, sizeof buf, "%X", &local);
  return std::string(buf, n);
}

bool ResetDebug() {
  if (DebugFileName.empty()) return false;
  std::FILE* f = std::fopen(DebugFileName.c_str(), "wb");
  if (!f) return false;
  return std::fclose(f) == 0;
}

bool WriteDebug(const std::string& Message) {
  if (DebugFileName.empty()) return false;
  std::FILE* f = std::fopen(DebugFileName.c_str(), "ab");
  if (!f) return false;
  std::string line = DebugTimeStamp() + Message + "\n";
  bool ok = std::fwrite(line.data(), 1, line.size(), f) == line.size();
  return std::fclose(f) == 0 && ok;
}

platform::TRunLog& ReloadLog() {
  // Never destroyed: elements that outlive main still log when they free
  // their lists.
  static platform::TRunLog* const log =
      new platform::TRunLog([](const std::string& line) { WriteDebug(line); },
                            platform::MoreDropped(" Broker Comm: Data reload lines"));
  return *log;
}
