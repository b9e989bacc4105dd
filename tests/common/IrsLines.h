// Broker lines of the three inertial reference systems shared by the PFD
// and ND test scenarios.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

// Three aligned, navigating IRS of good quality. AlignDel comes before
// Align: "MV.Irs1Align" also matches inside "MV.Irs1AlignDel".
inline std::vector<std::string> AlignedIrsLines() {
  return {"MV.Irs1AlignDel 0", "MV.Irs2AlignDel 0", "MV.Irs3AlignDel 0", "MV.Irs1Align 0",
          "MV.Irs2Align 0",    "MV.Irs3Align 0",    "MV.Irs1Sel 2",      "MV.Irs2Sel 2",
          "MV.Irs3Sel 2",      "MV.Irs1Quality 1",  "MV.Irs2Quality 1",  "MV.Irs3Quality 1",
          "MV.IrsAligning 0",  "MV.IrsAttHdg 0"};
}

// Three IRS switched off: no heading, attitude or position.
inline std::vector<std::string> UnalignedIrsLines() {
  return {"MV.Irs1Sel 0",     "MV.Irs2Sel 0",     "MV.Irs3Sel 0",    "MV.Irs1Quality 0",
          "MV.Irs2Quality 0", "MV.Irs3Quality 0", "MV.IrsAligning 0", "MV.IrsAttHdg 0"};
}

}  // namespace testsupport
