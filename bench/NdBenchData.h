// The navigation databases the ND benchmarks read: the small demo set and
// the full-size world-wide set, each written once per run into a temporary
// folder (the log goes beside the small one).
#pragma once
#include <string>

#include "shared/Udebug.h"
#include "tests/common/TestSupport.h"
#include "tools/make-navdata/NavData.h"

namespace ndbench {

inline const std::string& DatabaseFolder(bool full) {
  static testsupport::TempDir small, large;
  static const bool written = [] {
    DebugFileName = small.File("debug.txt");
    return navdata::WriteDatabases(small.Path(), false) && navdata::WriteDatabases(large.Path(), true);
  }();
  (void)written;
  return full ? large.Path() : small.Path();
}

}  // namespace ndbench
