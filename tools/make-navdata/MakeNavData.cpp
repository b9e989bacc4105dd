// Writes the navigation databases into a folder.
// Usage: make-navdata [--full] <folder>
//   without --full: the small demo data set;
//   --full: the demo data plus a world-wide database of full size.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/make-navdata/NavData.h"

int main(int argc, char** argv) {
  bool full = false;
  std::string folder;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--full") == 0) full = true;
    else folder = argv[i];
  }
  if (folder.empty()) {
    std::fprintf(stderr, "usage: make-navdata [--full] <folder>\n");
    return 2;
  }
  std::string error;
  if (!navdata::WriteDatabases(folder, full, &error)) {
    std::fprintf(stderr, "make-navdata: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
