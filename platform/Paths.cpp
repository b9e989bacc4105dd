#include "platform/Paths.h"

#include "platform/RegularFile.h"

#include <algorithm>
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <climits>

namespace platform {

bool SameTextCI(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

static std::string Normalise(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

static bool Exists(const std::string& p) {
  struct stat st;
  return ::lstat(p.c_str(), &st) == 0;
}

// Finds the entry of dir that matches name, exact first, then ignoring case.
// Empty when nothing matches.
static std::string MatchEntry(const std::string& dir, const std::string& name) {
  std::string base = dir.empty() ? "." : dir;
  if (Exists((dir.empty() ? "" : dir + "/") + name)) return name;
  DIR* d = ::opendir(base.c_str());
  if (!d) return {};
  std::vector<std::string> candidates;
  while (dirent* e = ::readdir(d)) {
    if (strcasecmp(e->d_name, name.c_str()) == 0) candidates.emplace_back(e->d_name);
  }
  ::closedir(d);
  if (candidates.empty()) return {};
  // A stable choice, whatever the directory order.
  return *std::min_element(candidates.begin(), candidates.end());
}

std::string ResolvePath(const std::string& path) {
  std::string p = Normalise(path);
  if (p.empty()) return p;
  std::string out;
  size_t pos = 0;
  if (p[0] == '/') {
    out = "/";
    pos = 1;
  }
  bool missing = false;
  while (pos <= p.size()) {
    size_t next = p.find('/', pos);
    if (next == std::string::npos) next = p.size();
    std::string comp = p.substr(pos, next - pos);
    pos = next + 1;
    if (comp.empty()) {
      if (next == p.size()) break;
      continue;
    }
    std::string dir = out;
    if (!dir.empty() && dir.back() == '/' && dir.size() > 1) dir.pop_back();
    std::string found = comp;
    if (!missing && comp != "." && comp != "..") {
      std::string match = MatchEntry(dir, comp);
      if (match.empty()) missing = true;
      else found = std::move(match);
    }
    if (!out.empty() && out.back() != '/') out += '/';
    out += found;
    if (next == p.size()) break;
  }
  if (p.back() == '/' && !out.empty() && out.back() != '/') out += '/';
  return out;
}

bool FileExists(const std::string& path) { return IsRegularFile(ResolvePath(path)); }

bool DirectoryExists(const std::string& path) {
  struct stat st;
  return ::stat(ResolvePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WildcardMatchCI(const char* pat, const char* s) {
  // Iterative matcher with single backtrack point: linear in practice.
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*s) {
    if (*pat == '?' || (*pat && *pat != '*' &&
                        std::tolower(static_cast<unsigned char>(*pat)) ==
                            std::tolower(static_cast<unsigned char>(*s)))) {
      ++pat;
      ++s;
    } else if (*pat == '*') {
      star = pat++;
      resume = s;
    } else if (star) {
      pat = star + 1;
      s = ++resume;
    } else {
      return false;
    }
  }
  while (*pat == '*') ++pat;
  return *pat == 0;
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::string p = Normalise(pattern);
  size_t slash = p.rfind('/');
  std::string dir = slash == std::string::npos ? "" : p.substr(0, slash);
  std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
  std::string realDir = dir.empty() ? "" : ResolvePath(dir);
  std::vector<std::string> names;
  DIR* d = ::opendir(realDir.empty() ? "." : realDir.c_str());
  if (!d) return {};
  while (dirent* e = ::readdir(d)) {
    if (std::string(e->d_name) == "." || std::string(e->d_name) == "..") continue;
    if (WildcardMatchCI(mask.c_str(), e->d_name)) names.emplace_back(e->d_name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    int c = strcasecmp(a.c_str(), b.c_str());
    return c != 0 ? c < 0 : a < b;
  });
  for (auto& n : names) n = realDir.empty() ? n : realDir + "/" + n;
  return names;
}

std::string ProgramFolder() {
  char buf[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string exe(buf, static_cast<size_t>(n));
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? "./" : exe.substr(0, slash + 1);
}

}  // namespace platform
