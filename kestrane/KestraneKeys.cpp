// The main form's keys: the letter keys, the function keys and the Ctrl
// and Alt combinations that are not menu shortcuts.
#include <FL/Enumerations.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>

#include "kestrane/KestraneMain.h"
#include "kestrane/MenuItems.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"

using namespace kestranemenu;

bool TKestraneForm::FormKeyPress(char c) {
  switch (c) {
    case 'm':
      MenuHidden = !MenuHidden;
      SetMenuShown(!MenuHidden);
      break;
    case 'c':
      TerrainAltMode = !TerrainAltMode;
      break;
    case 'f':
      SetTitleBar(!::TitleBarShown);
      ::TitleBarShown = !::TitleBarShown;
      break;
    case 't':
      if (TaskbarShown) TaskbarWindow.Hide();
      else TaskbarWindow.Show();
      TaskbarShown = !TaskbarShown;
      break;
    case '+':
      IncreaseNDRange();
      break;
    case '-':
      DecreaseNDRange();
      break;
    case 'l':
      ScreenRotation = (ScreenRotation + 90) % 360;
      break;
    case 'r':
      ScreenRotation = (ScreenRotation + 270) % 360;
      break;
    default:
      break;
  }
  RepaintWhenNotConnected();
  return true;
}

bool TKestraneForm::FormKeyDown(int key, int state) {
  // A menu shortcut goes to its menu item while the menu bar is attached:
  // the menu bar picks it once the key is passed on (the look-up here must
  // not pick it, or the item would act twice).
  if (MenuShown() && MenuBar()->menu() && MenuBar()->menu()->test_shortcut()) return false;
  const bool ctrlOnly = (state & (FL_CTRL | FL_ALT | FL_SHIFT)) == FL_CTRL;
  const bool altOnly = (state & (FL_CTRL | FL_ALT | FL_SHIFT)) == FL_ALT;
  auto toggle = [&](const char* path, bool& flag) {
    if (!Enabled(path)) return;
    SetChecked(path, !Checked(path));
    ToggleItem(path, flag, false);
  };
  if (key >= FL_F + 1 && key <= FL_F + 12) {
    switch (key - FL_F) {
      case 1: ShowPFD1Click(); ShowND1Click(); break;
      case 2: toggle(kSeaLevel, ShowSeaLevel); break;
      case 3: ShowPFD1Click(); break;
      case 4: if (!altOnly) ShowND1Click(); else Exit1Click(); break;
      case 5: CaptainsInstruments1Click(); break;
      case 6: toggle(kTcasVis, TrafficVisible); break;
      case 7: toggle(kStations, StationsVisible); break;
      case 8: toggle(kWaypoints, WaypointsVisible); break;
      case 9: toggle(kAirports, AirportsVisible); break;
      case 10: toggle(kData, NdDataVisible); break;
      case 11: toggle(kPosition, PositionVisible); break;
      case 12: toggle(kTerrain, TerrainVisible); break;
    }
    return true;
  }
  if (ctrlOnly) {
    if (key == FL_Enter || key == FL_KP_Enter) TerrainAltMode = !TerrainAltMode;
    else if (key == 'f') { SetChecked(kFrames, !Checked(kFrames)); ShowFramesClick(); }
    else if (key == 't') toggle(kTerrTexture, TerrainTextures);
    else return false;
    return true;
  }
  if (altOnly) {
    switch (key) {
      case 'a': IncreaseNDRange(); break;
      case 'y': DecreaseNDRange(); break;
      case 'b': toggle(kAirports, AirportsVisible); break;
      case 'c': toggle(kStations, StationsVisible); break;
      case 'm': toggle(kPosition, PositionVisible); break;
      case 'n': toggle(kData, NdDataVisible); break;
      case 'v': toggle(kWaypoints, WaypointsVisible); break;
      case 'x': if (!TerrainInhibited) toggle(kTerrain, TerrainVisible); break;
      default: return false;
    }
    RepaintWhenNotConnected();
    return true;
  }
  return false;
}
