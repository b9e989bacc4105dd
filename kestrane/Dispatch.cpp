#include "kestrane/Dispatch.h"

#include "kestrane/KestraneMain.h"
#include "nd/Uirs.h"
#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "pfd/UcommonVariables.h"
#include "nd/Urunways.h"
#include "nd/UtextVisual.h"
#include "nd/Uroutes.h"
#include "nd/Ufixinfo.h"
#include "nd/Uvordisplay.h"
#include "pfd/Uhorizon.h"
#include "pfd/Upfd.h"

// Parsers are called in this order for every line; each picks out its own
// variables and ignores the rest.
void DispatchToParsers(const std::string& line) {
  // 1. TCAS traffic report (while TCAS is on).
  if (Tcas && Tcas->Enabled() && ParseTcasLine(line))
    Tcas->UpdateIntruder(TcasMessage, OwnLatitude, OwnLongitude, OwnAltitude, VerticalSpeed);
  // 2. Navigation variables (PFD-only mode too: ground speed, track and
  //    position feed the PFD).
  ParseNavigationLine(line, DataFolder, DatabasesPresent, PfdOnly);
  // 3. PFD variables and aircraft state.
  ParsePfdLine(line);
  // 4. IRS element.
  if (Irs) Irs->ParseLine(line);
  // 5. Speed tape.
  if (SpeedTape) SpeedTape->ParseLine(line);
  // 6. Runway element: the active runway.
  if (Runways) Runways->ParseLine(line);
  // 7. Attitude indicator.
  if (Horizon) Horizon->ParseLine(line);
  if (PfdOnly) return;
  // 8. Route, fix info, VOR/ADF and ND texts. A bad route value costs
  //    only the route items after it; the others still read the line.
  if (Route) ParseRouteLine(line, *Route);
  if (FixInfo) FixInfo->ParseLine(line);
  if (Vor) Vor->ParseLine(line);
  if (NdText) NdText->ParseLine(line);
}
