// One resolver for every path the programs open or check. Paths written the
// Windows way ("data\747world.mv") work: "\" becomes "/", and each component
// is matched case-insensitively against the directory (an exact match wins).
#pragma once
#include <string>
#include <vector>

namespace platform {

// The path as it exists on disk, or, from the first component that does not
// exist, the rest as given (with "/" separators).
std::string ResolvePath(const std::string& path);
// A regular file (a FIFO, device or folder counts as missing: the programs
// open only regular files, see RegularFile.h).
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Entries of a folder matching a pattern with "*" and "?" in its last
// component, compared case-insensitively; full paths sorted case-insensitively.
std::vector<std::string> FindFiles(const std::string& pattern);
// Folder of the running executable, with a trailing "/".
std::string ProgramFolder();
bool SameTextCI(const std::string& a, const std::string& b);
bool WildcardMatchCI(const char* pattern, const char* name);

}  // namespace platform
