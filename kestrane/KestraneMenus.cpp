// The main form's menus: the menu bar and its look-ups, the commands of
// the Options, Range, EFIS and TCAS menus, and the callers of the dialogs.
// File/Connect, Disconnect and Exit are with the broker link.
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>

#include <cctype>
#include <filesystem>
#include <string>

#include "kestrane/About_Dialog.h"
#include "kestrane/KestraneFrame.h"
#include "kestrane/KestraneMain.h"
#include "kestrane/MenuItems.h"
#include "kestrane/Settings_Dialog.h"
#include "kestrane/infobox.h"
#include "shared/KestraneSettings.h"
#include "shared/UDeclarations.h"

using namespace kestranemenu;

namespace {

const char* const kTcasItems[5] = {"&TCAS/Off", "&TCAS/TA Only", "&TCAS/TA\\/RA", "&TCAS/Above",
                                   "&TCAS/Below"};
const int kRanges[8] = {5, 10, 20, 40, 80, 160, 320, 640};
const char* const kRangeItems[8] = {"&Range/5 NM",  "&Range/10 NM",  "&Range/20 NM",
                                    "&Range/40 NM", "&Range/80 NM",  "&Range/160 NM",
                                    "&Range/320 NM", "&Range/640 NM"};

}  // namespace

void TKestraneForm::BuildMenu() {
  Fl_Menu_Bar* m = MenuBar();
  auto add = [&](const char* path, int shortcut, Fl_Callback* cb, int flags) {
    m->add(path, shortcut, cb, this, flags);
  };
#define CB(body) [](Fl_Widget*, void* d) { Form(d)->body; }
  add(kConnect, FL_CTRL + 'c', CB(Connect1Click()), 0);
  add(kDisconnect, FL_CTRL + 'd', CB(Disconnect1Click()), FL_MENU_INACTIVE);
  add(kExit, FL_CTRL + 'x', CB(Exit1Click()), 0);
  add(kSettings, 0, CB(Settings2Click()), FL_MENU_DIVIDER);
  add(kFrames, FL_CTRL + 'f', CB(ShowFramesClick()), FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kTerrTexture, FL_CTRL + 't', CB(ToggleItem(kTerrTexture, TerrainTextures, false)),
      FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kSeaLevel, FL_F + 2, CB(ToggleItem(kSeaLevel, ShowSeaLevel, false)),
      FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kShowPfd, FL_F + 3, CB(ShowPFD1Click()), FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kShowNd, FL_F + 4, CB(ShowND1Click()), FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kCaptains, FL_F + 5, CB(CaptainsInstruments1Click()),
      FL_MENU_TOGGLE | FL_MENU_VALUE | FL_MENU_DIVIDER);
  add(kBackground, 0, CB(SimpleTiming1Click()), FL_MENU_TOGGLE | FL_MENU_DIVIDER);
  add(kSmoothLines, 0, CB(SmoothLines1Click()), FL_MENU_TOGGLE);
  add(kSmoothPolygons, 0, CB(SmoothPolygons1Click()), 0);
  add(kHideBelow, 0, CB(ToggleItem(kHideBelow, HideBelowCompassArc, false)),
      FL_MENU_TOGGLE | FL_MENU_DIVIDER);
  add(kInhibit, 0, CB(InhibitTerrainEGPWS1Click()), FL_MENU_TOGGLE);
  // No action: the menu bar flips a toggle's mark before the call, so the
  // call puts it back.
  add(kNavRadios, 0, CB(SetChecked(kNavRadios, true)), FL_MENU_TOGGLE | FL_MENU_VALUE);
  for (int i = 0; i < 8; ++i) {
    m->add(kRangeItems[i], 0,
           [](Fl_Widget*, void* d) {
             auto* f = Form(d);
             const Fl_Menu_Item* it = f->MenuBar()->mvalue();
             for (int k = 0; k < 8; ++k)
               if (it && it == f->Item(kRangeItems[k])) f->SetRange(kRanges[k]);
           },
           this, FL_MENU_RADIO | (kRanges[i] == 10 ? FL_MENU_VALUE : 0));
  }
  add(kTcasVis, FL_F + 6, CB(ToggleItem(kTcasVis, TrafficVisible, false)), FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kStations, FL_F + 7, CB(ToggleItem(kStations, StationsVisible, false)),
      FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kWaypoints, FL_F + 8, CB(ToggleItem(kWaypoints, WaypointsVisible, false)), FL_MENU_TOGGLE);
  add(kAirports, FL_F + 9, CB(ToggleItem(kAirports, AirportsVisible, false)),
      FL_MENU_TOGGLE | FL_MENU_VALUE);
  add(kData, FL_F + 10, CB(ToggleItem(kData, NdDataVisible, false)), FL_MENU_TOGGLE);
  add(kPosition, FL_F + 11, CB(ToggleItem(kPosition, PositionVisible, false)), FL_MENU_TOGGLE);
  add(kTerrain, FL_F + 12, CB(ToggleItem(kTerrain, TerrainVisible, false)),
      FL_MENU_TOGGLE | FL_MENU_VALUE | FL_MENU_DIVIDER);
  add("&EFIS/L VOR", 0, nullptr, FL_MENU_INACTIVE);
  add("&EFIS/R VOR", 0, nullptr, FL_MENU_INACTIVE);
  add(kTcasItems[0], 0, CB(Off1Click()), FL_MENU_RADIO);
  add(kTcasItems[1], 0, CB(TAOnly1Click()), FL_MENU_RADIO);
  add(kTcasItems[2], 0, CB(TARA1Click()), FL_MENU_RADIO | FL_MENU_VALUE);
  add(kTcasItems[3], 0, CB(Above1Click()), FL_MENU_RADIO);
  add(kTcasItems[4], 0, CB(Below1Click()), FL_MENU_RADIO);
  add("&About/Data Information", 0, CB(Info1Click()), 0);
  add("&About/About", 0, CB(About2Click()), 0);
#undef CB
}

Fl_Menu_Item* TKestraneForm::Item(const char* path) const {
  // Items are added with "\\/" for a "/" inside a caption; the look-up
  // takes the caption as shown.
  std::string shown;
  for (const char* p = path; *p; ++p) {
    if (p[0] == '\\' && p[1] == '/') ++p;
    shown += *p;
  }
  return const_cast<Fl_Menu_Item*>(MenuBar()->find_item(shown.c_str()));
}
bool TKestraneForm::Checked(const char* path) const {
  const Fl_Menu_Item* it = Item(path);
  return it && it->value() != 0;
}
void TKestraneForm::SetChecked(const char* path, bool on) {
  if (Fl_Menu_Item* it = Item(path)) on ? it->set() : it->clear();
}
void TKestraneForm::SetEnabled(const char* path, bool on) {
  if (Fl_Menu_Item* it = Item(path)) on ? it->activate() : it->deactivate();
}
bool TKestraneForm::Enabled(const char* path) const {
  const Fl_Menu_Item* it = Item(path);
  return it && it->active();
}

// ---------------------------------------------------------------------------
// Options, Range and EFIS

void TKestraneForm::ShowFramesClick() {
  // The menu bar has already flipped the check mark when it called us.
  FramesShown = Checked(kFrames);
  DrawScale = FramesShown ? 255.0f : 200.0f;
  if (HasContext()) {
    MakeContextCurrent();
    LoadFrameMatrices(DrawScale);
  }
  Repaint();
}

void TKestraneForm::ShowPFD1Click() {
  if (DisplayCount == 2) {
    PfdVisible = false;
    DisplayCount = 1;
  } else if (NdVisible) {
    PfdVisible = true;
    DisplayCount = 2;
  }
  SetChecked(kShowPfd, PfdVisible);
  Repaint();
}

void TKestraneForm::ShowND1Click() {
  // PFD-only: nothing at all, the mark included (the item is disabled, so
  // only F1 and F4 get here).
  if (PfdOnly) return;
  if (DisplayCount == 2) {
    NdVisible = false;
    DisplayCount = 1;
  } else if (PfdVisible) {
    NdVisible = true;
    DisplayCount = 2;
  }
  SetChecked(kShowNd, NdVisible);
  Repaint();
}

void TKestraneForm::CaptainsInstruments1Click() {
  CaptainSide = !CaptainSide;
  // The item is found under either caption.
  Fl_Menu_Item* it = Item(kCaptains);
  if (!it) it = Item(kFirstOfficers);
  if (it) {
    // The menu bar owns copies of its captions: the new one is copied too.
    MenuBar()->replace(MenuBar()->find_index(it), CaptainSide ? "Captains Instruments" : "F/O Instruments");
    // The check mark keeps its start-up value.
    CaptainsCheckedAtStart ? it->set() : it->clear();
  }
  Repaint();
}

void TKestraneForm::SimpleTiming1Click() { DrawInBackground = Checked(kBackground); }

void TKestraneForm::SmoothLines1Click() {
  SmoothLines = Checked(kSmoothLines);
  Repaint();
}

void TKestraneForm::SmoothPolygons1Click() { Repaint(); }

void TKestraneForm::ToggleItem(const char* path, bool& flag, bool repaintAlways) {
  flag = Checked(path);
  if (repaintAlways) Repaint();
  else RepaintWhenNotConnected();
}

void TKestraneForm::InhibitTerrainEGPWS1Click() {
  TerrainInhibited = Checked(kInhibit);
  if (TerrainInhibited) {
    TerrainVisible = false;
    SetChecked(kTerrain, false);
    SetEnabled(kTerrain, false);
  } else {
    SetEnabled(kTerrain, true);
  }
  RepaintWhenNotConnected();
}

void TKestraneForm::SetRange(int nm) {
  NdRange = nm;
  for (int k = 0; k < 8; ++k) SetChecked(kRangeItems[k], kRanges[k] == nm);
  RepaintWhenNotConnected();
}

void TKestraneForm::IncreaseNDRange() {
  if (NdRange > 320) return;
  SetRange(NdRange * 2);
}

void TKestraneForm::DecreaseNDRange() {
  if (NdRange < 10) return;
  SetRange(NdRange / 2);
}

// ---------------------------------------------------------------------------
// TCAS menu and dialogs

void TKestraneForm::Off1Click() { SetTcasMode(TTcasMode::Off); }
void TKestraneForm::TAOnly1Click() { SetTcasMode(TTcasMode::TAOnly); }
void TKestraneForm::TARA1Click() { SetTcasMode(TTcasMode::TARA); }
void TKestraneForm::Above1Click() { SetTcasMode(TTcasMode::Above); }
void TKestraneForm::Below1Click() { SetTcasMode(TTcasMode::Below); }

void TKestraneForm::SetTcasMode(TTcasMode mode) {
  const int item = static_cast<int>(mode);
  for (int k = 0; k < 5; ++k) SetChecked(kTcasItems[k], k == item);
  const int above = mode == TTcasMode::Above ? 8700 : 2700;
  const int below = mode == TTcasMode::Below ? -8700 : -2700;
  const bool taOnly = mode == TTcasMode::Off || mode == TTcasMode::TAOnly;
  const bool on = mode != TTcasMode::Off;
  const TTcasMenuCalls& tcas = TcasMenuCalls;
  if (tcas.SetAltitudeWindow) tcas.SetAltitudeWindow(above, below);
  if (tcas.SetTAOnly) tcas.SetTAOnly(taOnly);
  TaOnlyFlag = mode == TTcasMode::TAOnly;
  if (on && tcas.SwitchOn) tcas.SwitchOn();
  if (!on && tcas.SwitchOff) tcas.SwitchOff();
  TcasOnFlag = on;
  RepaintWhenNotConnected();
}

void TKestraneForm::Settings2Click() {
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::current_path(ec);
  OKBottomDlg->Edit1->value(BrokerHost.c_str());
  OKBottomDlg->Edit2->value(BrokerPort.c_str());
  // The texts are taken as typed; one holding a line break is kept out of
  // "config.ini" by the settings writer.
  if (OKBottomDlg->ShowModal() && !Terminating) {
    BrokerHost = OKBottomDlg->Edit1->value();
    BrokerPort = OKBottomDlg->Edit2->value();
  }
  if (!ec) std::filesystem::current_path(folder, ec);
}

void TKestraneForm::Info1Click() {
  TNearestRunway nearest;
  if (NearestRunway) nearest = NearestRunway();
  std::string airport = nearest.AirportIdent;
  for (char& c : airport) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Infobox1->SetNearest(airport, nearest.RunwayName, std::to_string(FieldElevation) + " ft");
  Infobox1->ShowModal();
}

void TKestraneForm::About2Click() {
  AboutBox->SetVersion("V 0.98.8 (Beta) -  Dec 21th 2004");
  AboutBox->ShowModal();
}
