// Shared by the files of the socket component only.
#pragma once
#include <atomic>
#include <string>

namespace wsocket_detail {

// Count of live socket components; the last one to go unloads the library.
extern std::atomic<int> g_liveCount;

// Blanks and control characters cut from both ends.
std::string Trim(const std::string& s);

}  // namespace wsocket_detail
