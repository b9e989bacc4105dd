#include "kestrane/KestraneMain.h"

#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Menu_Item.H>
#include <GL/gl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "kestrane/About_Dialog.h"
#include "kestrane/Dispatch.h"
#include "kestrane/Settings_Dialog.h"
#include "kestrane/infobox.h"
#include "shared/Udebug.h"
#include "shared/UDeclarations.h"
#include "shared/Ufonts.h"
#include "nd/Uirs.h"
#include "nd/Unavigation.h"
#include "nd/Utcas.h"
#include "nd/Urunways.h"
#include "nd/UtextVisual.h"
#include "nd/Uterrain.h"
#include "nd/Unavaids.h"
#include "nd/Uwaypoints.h"
#include "nd/Uroutes.h"
#include "nd/Ufixinfo.h"
#include "nd/Uvordisplay.h"
#include "support/geo/geoMath.h"
#include "pfd/Upfd.h"
#include "support/opengl/CgTexture.h"
#include "support/opengl/CgUtils.h"
#include "platform/DisplayLists.h"
#include "platform/LogLimiter.h"
#include "platform/Fpu.h"
#include "platform/MessageBox.h"
#include "platform/Numbers.h"
#include "platform/Paths.h"
#include "platform/WinSockNotices.h"

using platform::TIniFile;

TKestraneForm* KestraneForm = nullptr;

namespace {

// Program start: the traffic computer exists from here on, PFD-only too.
const bool TcasCreated = [] {
  if (!Tcas) Tcas = std::make_unique<Ttcas>();
  return true;
}();

const char* const kCaption = "External Kestrane for PS1.3";
const char* const kKestrane = "Kestrane Settings";
const char* const kTcp = "TCP/IP Settings";
const char* const kEfis = "EFIS Settings";
const char* const kNd = "ND Settings";
const char* const kPfd = "PFD Settings";

// Menu item paths ("/" inside a caption is escaped for the menu bar).
const char* const kConnect = "&File/&Connect";
const char* const kDisconnect = "&File/&Disconnect";
const char* const kExit = "&File/E&xit";
const char* const kSettings = "&Options/TCP\\/IP &Settings";
const char* const kFrames = "&Options/Show PFD\\/ND Frames";
const char* const kTerrTexture = "&Options/TERR Texture Enable";
const char* const kSeaLevel = "&Options/Show Sea Level";
const char* const kShowPfd = "&Options/ShowPFD";
const char* const kShowNd = "&Options/ShowND";
const char* const kCaptains = "&Options/Captains Instruments";
const char* const kFirstOfficers = "&Options/F\\/O Instruments";
const char* const kBackground = "&Options/Draw in Background";
const char* const kSmoothLines = "&Options/Smooth Lines";
const char* const kSmoothPolygons = "&Options/Smooth Polygons";
const char* const kHideBelow = "&Options/Hide Information below Compass Arc";
const char* const kInhibit = "&Options/Inhibit Terrain \\/ EGPWS";
const char* const kNavRadios = "&Options/Control Nav Radios by PS1.3";
const char* const kTcasVis = "&EFIS/TCAS";
const char* const kStations = "&EFIS/Stations";
const char* const kWaypoints = "&EFIS/Waypoints";
const char* const kAirports = "&EFIS/Airports";
const char* const kData = "&EFIS/Data";
const char* const kPosition = "&EFIS/Position";
const char* const kTerrain = "&EFIS/Terrain";
const char* const kTcasItems[5] = {"&TCAS/Off", "&TCAS/TA Only", "&TCAS/TA\\/RA", "&TCAS/Above",
                                   "&TCAS/Below"};
const int kRanges[8] = {5, 10, 20, 40, 80, 160, 320, 640};
const char* const kRangeItems[8] = {"&Range/5 NM",  "&Range/10 NM",  "&Range/20 NM",
                                    "&Range/40 NM", "&Range/80 NM",  "&Range/160 NM",
                                    "&Range/320 NM", "&Range/640 NM"};

TKestraneForm* Form(void* data) { return static_cast<TKestraneForm*>(data); }

constexpr double kTimerInterval = 0.05;  // Timer1: 50 ms

// A broker can trigger these for every line it sends: the first of a
// session is logged as it is, the repeats once per 10 s as a count.
platform::TLogLimiter& LongLineLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line without line end"));
  return log;
}
platform::TLogLimiter& LineLimitLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line over the socket's line limit"));
  return log;
}
platform::TLogLimiter& DroppedLineLog() {
  static platform::TLogLimiter log([](const std::string& l) { WriteDebug(l); },
                                   platform::MoreDropped(" Broker Comm: Line dropped"));
  return log;
}

void Timer1Tick(void* data) {
  Fl::repeat_timeout(kTimerInterval, Timer1Tick, data);
  Form(data)->Timer1Timer();
}

void DeferredReloadTick(void* data) { Form(data)->DeferredReloadTimer(); }

}  // namespace

// ---------------------------------------------------------------------------
// Settings

bool PfdOnlyFromCommandLine(int argc, const char* const* argv) {
  if (argc < 2 || !argv[1]) return false;
  std::string first = argv[1];
  return strcasecmp(first.c_str(), "-PFDONLY") == 0 || strcasecmp(first.c_str(), "-P") == 0;
}

void ReadSettings(const TIniFile& ini) {
  platform::TIniBatch batch(ini);  // the file is read once
  SavedWindowLeft = ini.ReadInteger(kKestrane, "Window Left Pos", 499);
  SavedWindowTop = ini.ReadInteger(kKestrane, "Window Top Pos", 241);
  SavedWindowHeight = ini.ReadInteger(kKestrane, "Window Height", 453);
  SavedWindowWidth = ini.ReadInteger(kKestrane, "Window Width", 450);
  ScreenRotation = ini.ReadInteger(kKestrane, "Rotation", 0);
  if (ScreenRotation != 0 && ScreenRotation != 90 && ScreenRotation != 180 && ScreenRotation != 270)
    ScreenRotation = 0;
  BrokerHost = ini.ReadString(kTcp, "IPAdress", "localhost");
  BrokerPort = ini.ReadString(kTcp, "IPPort", "1863");
  StationsVisible = ini.ReadBool(kEfis, "Stations Visible", true);
  WaypointsVisible = ini.ReadBool(kEfis, "Waypoints Visible", true);
  AirportsVisible = ini.ReadBool(kEfis, "Airports Visible", true);
  TrafficVisible = ini.ReadBool(kEfis, "Traffic Visible", true);
  TerrainVisible = ini.ReadBool(kEfis, "Terrain Visible", true);
  PositionVisible = ini.ReadBool(kEfis, "Position Visible", true);
  NdDataVisible = ini.ReadBool(kEfis, "Data Visible", true);
  // Terrain textures always start off, whatever is stored.
  (void)ini.ReadBool(kNd, "Terrain Textures", true);
  TerrainTextures = false;
  ShowSeaLevel = ini.ReadBool(kNd, "Sea Level", true);
  PfdVisible = ini.ReadBool(kKestrane, "PFD Visible", true);
  NdVisible = ini.ReadBool(kKestrane, "ND Visible", true);
  DrawInBackground = ini.ReadBool(kKestrane, "Draw in Background", false);
  SmoothLines = ini.ReadBool(kPfd, "Smooth Lines", false);
  CaptainSide = ini.ReadBool(kKestrane, "Captains Instruments", true);
  HideBelowCompassArc = ini.ReadBool(kKestrane, "Stencil", false);
}

void WriteSettings(TIniFile& ini, const WindowGeometry& g) {
  platform::TIniBatch batch(ini);  // read once, replaced once
  ini.WriteBool(kPfd, "Smooth Lines", SmoothLines);
  ini.WriteString(kTcp, "IPAdress", BrokerHost);  // refused when it holds a control character
  ini.WriteString(kTcp, "IPPort", BrokerPort);
  ini.WriteBool(kEfis, "Stations Visible", StationsVisible);
  ini.WriteBool(kEfis, "Airports Visible", AirportsVisible);
  ini.WriteBool(kEfis, "Traffic Visible", TrafficVisible);
  ini.WriteBool(kEfis, "Terrain Visible", TerrainVisible);
  ini.WriteBool(kEfis, "Waypoints Visible", WaypointsVisible);
  ini.WriteBool(kEfis, "Position Visible", PositionVisible);
  ini.WriteBool(kEfis, "Data Visible", NdDataVisible);
  ini.WriteBool(kNd, "Terrain Textures", TerrainTextures);
  ini.WriteBool(kNd, "Sea Level", ShowSeaLevel);
  if (!PfdOnly) {
    ini.WriteBool(kKestrane, "PFD Visible", PfdVisible);
    ini.WriteBool(kKestrane, "ND Visible", NdVisible);
  }
  ini.WriteBool(kKestrane, "Captains Instruments", CaptainSide);
  ini.WriteBool(kKestrane, "Draw in Background", DrawInBackground);
  ini.WriteInteger(kKestrane, "Window Left Pos", g.left);
  ini.WriteInteger(kKestrane, "Window Top Pos", g.top);
  ini.WriteInteger(kKestrane, "Window Height", g.height);
  ini.WriteInteger(kKestrane, "Window Width", g.width);
  ini.WriteInteger(kKestrane, "Rotation", ScreenRotation);
  ini.WriteBool(kKestrane, "Stencil", HideBelowCompassArc);
}

WindowGeometry CheckedGeometry(const WindowGeometry& g, const std::vector<ScreenRect>& screens) {
  return platform::CheckedGeometry(g, {499, 241, 453, 450}, {60, 32768, 32768, 40}, screens);
}

// ---------------------------------------------------------------------------
// Layout

void LoadFrameMatrices(float drawScale) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glOrtho(0, drawScale, 0, drawScale, -1, 1);
}

std::vector<Viewport> ComputeLayout(int w, int h) {
  std::vector<Viewport> out;
  if (w < 0) w = 0;
  if (h < 0) h = 0;
  if (DisplayCount == 2) {
    int size = w / 2;
    if (h < size) size = h;
    const int y = std::abs(size - h) / 2;
    const int left = std::abs(size - w / 2) / 2;
    out.push_back({left, y, size, CaptainSide});
    out.push_back({left + w / 2, y, size, !CaptainSide});
  } else {
    const int size = std::min(w, h);
    const int x = std::abs(w - size) / 2, y = std::abs(h - size) / 2;
    if (PfdVisible) out.push_back({x, y, size, true});
    if (NdVisible) out.push_back({x, y, size, false});
  }
  return out;
}

// ---------------------------------------------------------------------------
// The form

TKestraneForm::TKestraneForm()
    : TCGForm(SavedWindowLeft, SavedWindowTop, SavedWindowWidth, SavedWindowHeight, kCaption) {
  KestraneForm = this;
  BuildMenu();
  // The window starts with its menu bar attached.
  MenuHidden = false;
  OnPaint = [this] { FormPaint(); };
  OnResize = [this](int w, int h) { FormResize(w, h); };
  OnKeyDown = [this](int key, int state) { return FormKeyDown(key, state); };
  OnKeyPress = [this](char c) { return FormKeyPress(c); };
  OnCloseRequest = [this] {
    Terminating = true;
    platform::SetApplicationEnding(true);
    CaptureGeometry();
    Close();
  };
  OKBottomDlg = std::make_unique<TOKBottomDlg>();
  Infobox1 = std::make_unique<TInfobox1>();
  AboutBox = std::make_unique<TAboutBox>();
  WSocket1 = std::make_unique<TWSocket>();
  // One readiness notice hands on what one receive brings (at most a full
  // ReceiveBuffer of lines); what is still waiting comes with the next
  // notice, on the next round of the event loop, so a broker that sends
  // faster than the lines are handled cannot keep frames, menus and the
  // quit signal from their turn. A closing link is still read to the end.
  WSocket1->ComponentOptions = {wsoNoReceiveLoop};
  WSocket1->OnDataAvailable = [this](TCustomWSocket&, std::uint16_t) { CliSocketDataAvailable(); };
  WSocket1->OnError = [this](TCustomWSocket&) { WSocket1Error(); };
  WSocket1->OnSessionClosed = [this](TCustomWSocket&, std::uint16_t) { WSocket1SessionClosed(); };
  // The socket's own line mode stays off (lines are cut in ReceiveBuffer),
  // so this never fires; should it, the unfinished line is dropped and said.
  WSocket1->OnLineLimitExceeded = [](TCustomWSocket&, std::int32_t length, bool& clearData) {
    clearData = true;
    LineLimitLog().Log(" Broker Comm: Line over the socket's line limit dropped (" + std::to_string(length) +
                       " bytes).");
  };
}

TKestraneForm::~TKestraneForm() {
  Fl::remove_timeout(DeferredReloadTick, this);
  if (KestraneForm == this) KestraneForm = nullptr;
}

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

bool TKestraneForm::CheckPS13Databases(const std::string& folderIn) {
  std::string folder = folderIn;
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  std::vector<std::string> names = {"747eur.apt", "747spa.apt", "747nam.apt", "747asi.apt",
                                    "747npo.apt", "747afr.apt", "747spo.apt", "747sam.apt"};
  for (char c = 'a'; c <= 'j'; ++c) names.push_back(std::string("747s.p") + c);
  for (char c = 'a'; c <= 'm'; ++c) names.push_back(std::string("747w.p") + c);
  for (const auto& n : names)
    if (!platform::FileExists(folder + "\\" + n)) return false;
  return true;
}

void TKestraneForm::CheckRequiredFiles() {
  if (!platform::FileExists(DataFolder + "\\747world.mv")) {
    platform::ShowMessageBox(
        "747world.mv not found.\rMagnetic Variation cannot be calculated + Airports will not "
        "load.\rPlease place 747world.mv into the Kestrane data directory.");
    WriteDebug(" Startup : 747world.mv not found!");
    RequiredFilesFound = false;
  } else {
    RequiredFilesFound = true;
  }
}

bool TKestraneForm::FormCreate(int argc, const char* const* argv) {
  // The runway element exists in every mode: the PFD asks it for the
  // active runway's elevation.
  if (!Runways) Runways = std::make_unique<Trunways>();
  ActiveRunwayElevation = [] { return Runways ? Runways->ActiveRunwayElevation() : kNoActiveRunway; };
  // 1. Command line.
  PfdOnly = PfdOnlyFromCommandLine(argc, argv);
  // 2. Program folder, working folder and log.
  ProgramFolder = platform::ProgramFolder();
  if (::chdir(ProgramFolder.c_str()) != 0) {
    // Relative paths then resolve against the start folder; the log says so below.
  }
  DebugFileName = ProgramFolder + "debug.txt";
  ResetDebug();
  WriteDebug(" Ident: Kestrane V 0.98.8 (Beta) -  Dec 21th 2004");
  WriteDebug(" Startup: ND Form Created.");
  WriteDebug(" Startup: Working Directory = " + ProgramFolder);
  // 3. The sound player has no visible parts here.
  // 4. Settings.
  SettingsFile = std::make_unique<TIniFile>(ProgramFolder + "config.ini");
  SettingsFile->SetReporter([](const std::string& text) { WriteDebug(" Settings: " + text); });
  ReadSettings(*SettingsFile);
  SetChecked(kStations, StationsVisible);
  SetChecked(kWaypoints, WaypointsVisible);
  SetChecked(kAirports, AirportsVisible);
  SetChecked(kTcasVis, TrafficVisible);
  SetChecked(kTerrain, TerrainVisible);
  SetChecked(kPosition, PositionVisible);
  SetChecked(kData, NdDataVisible);
  SetChecked(kTerrTexture, false);
  SetChecked(kSeaLevel, ShowSeaLevel);
  SetChecked(kShowPfd, PfdVisible);
  SetChecked(kShowNd, NdVisible);
  SetChecked(kBackground, DrawInBackground);
  SetChecked(kSmoothLines, SmoothLines);
  SetChecked(kCaptains, CaptainSide);
  CaptainsCheckedAtStart = CaptainSide;
  SetChecked(kHideBelow, HideBelowCompassArc);
  // The saved window geometry, unless it is absurd or off every screen.
  {
    const WindowGeometry g = CheckedGeometry(
        {SavedWindowLeft, SavedWindowTop, SavedWindowHeight, SavedWindowWidth}, platform::Screens());
    SavedWindowLeft = g.left;
    SavedWindowTop = g.top;
    SavedWindowHeight = g.height;
    SavedWindowWidth = g.width;
    SetBounds(g.left, g.top, g.width, g.height);
    GeometryApplied = true;
  }
  // 5. Display count.
  DisplayCount = (PfdVisible ? 1 : 0) + (NdVisible ? 1 : 0);
  if (DisplayCount == 0) {
    PfdVisible = true;
    SetChecked(kShowPfd, true);
    DisplayCount = 1;
  }
  if (PfdOnly) {
    DisplayCount = 1;
    NdVisible = false;
    PfdVisible = true;
    SetChecked(kShowPfd, true);
    SetEnabled(kShowNd, false);
  }
  // 6. Numbers are formatted with "." by the platform layer whatever the locale.
  // 7. Database folder.
  DataFolder = "data";
  InfoDataFolder = DataFolder;
  // 8, 9. Database checks: logged or warned, start-up goes on.
  DatabasesPresent = CheckPS13Databases(DataFolder);
  if (DatabasesPresent)
    WriteDebug(" Startup: PS1.3 directory set. " + DataFolder);
  else
    WriteDebug(" Startup: PS1.3 directory not set. Tried " + DataFolder);
  CheckRequiredFiles();
  // The variation grid is read once, for every look-up of the session.
  if (RequiredFilesFound) LoadMagneticVariation(DataFolder);
  else ClearMagneticVariation();
  // 10. TCAS report record: emptied.
  TcasMessage.callsign.clear();
  TcasMessage.latitude = 0;
  TcasMessage.longitude = 0;
  // 11. OpenGL set-up.
  CreateRenderContext();
  if (!RC) {
    WriteDebug(" Startup: OpenGL context could not be created.");
    return false;
  }
  platform::ReserveFixedDisplayLists();
  glViewport(0, 0, ClientWidth(), ClientHeight());
  LoadFrameMatrices(DrawScale);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  // 12. Fonts.
  CreateFonts(DC, "Simplex");
  // 13. ND objects.
  if (!PfdOnly) CreateNavigationObjects();
  // 14. PFD objects (and the IRS element).
  CreatePfdObjects();
  // 15. Display objects and databases.
  WriteDebug(" Startup: Init of ND display objects.");
  if (HdgBox) HdgBox->Init();
  SetReferencePoint(OwnLatitude, OwnLongitude);
  Runways->LoadAirports(OwnLatitude, OwnLongitude, DataFolder, DatabasesPresent);
  FieldElevation = Runways->SelectRunway(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                         static_cast<float>(OwnAltitude));
  // A form made again in the same process (tests) finds it freed.
  if (!Tcas) Tcas = std::make_unique<Ttcas>();
  Tcas->Init();
  Tcas->SetFieldElevation(FieldElevation);
  // The information box reads the selected runway; the TCAS menu items
  // reach the TCAS element's mode calls.
  NearestRunway = [] {
    return Runways ? TNearestRunway{Runways->AirportIdent(), Runways->RunwayName()} : TNearestRunway{};
  };
  TcasMenuCalls.SetAltitudeWindow = [](int above, int below) {
    if (Tcas) Tcas->SetAltitudeWindow(above, below);
  };
  TcasMenuCalls.SetTAOnly = [](bool taOnly) {
    if (Tcas) Tcas->SetTAOnly(taOnly);
  };
  TcasMenuCalls.SwitchOn = [] {
    if (Tcas) Tcas->SwitchOn();
  };
  TcasMenuCalls.SwitchOff = [] {
    if (Tcas) Tcas->SwitchOff();
  };
  if (Irs) Irs->Init();
  // 16. ND display lists and data.
  if (!PfdOnly) {
    CtrCompass->BuildDisplayLists();
    RoseCompass->BuildDisplayLists();
    NdSymbols->BuildSymbolLists();
    Terrain->Init(NdRange, ProgramFolder);
    Route->BuildDisplayLists();
    FixInfo->BuildDisplayLists();
    Vor->BuildDisplayLists();
    if (Alert) Alert->Init(&MediaPlayer1, ProgramFolder);
    WriteDebug(" Startup: Init of ND data loading.");
    Terrain->LoadTiles(DataFolder, OwnLatitude, OwnLongitude);
    if (Navaids) Navaids->LoadFromFiles(OwnLatitude, OwnLongitude, DataFolder, DatabasesPresent);
    if (Waypoints) Waypoints->LoadFromFile(OwnLatitude, OwnLongitude, DataFolder, DatabasesPresent);
    Terrain->SetReferenceAltitude(FieldElevation);
    TrackLine->BuildDisplayLists(DisplaySize);
  }
  // 17. Frame images; a missing or bad one leaves that frame undrawn.
  WriteDebug(" Startup: Initialization complete.");
  PfdFrameTexture = std::make_unique<TCGTexture>();
  NdFrameTexture = std::make_unique<TCGTexture>();
  const std::pair<TCGTexture*, const char*> frames[2] = {
      {PfdFrameTexture.get(), "bitmaps/PFDframe.jpg"}, {NdFrameTexture.get(), "bitmaps/NDframe.jpg"}};
  for (const auto& [texture, file] : frames) {
    try {
      texture->LoadFromJPEG(file);
    } catch (const std::exception& e) {
      WriteDebug(std::string(" Startup: Frame image not loaded: ") + file);
    }
  }
  StartupComplete = true;
  return true;
}

void TKestraneForm::CaptureGeometry() {
  if (!Shown()) return;
  const WindowGeometry now{Left(), Top(), Height(), Width()};
  const bool moved = now.left != ShownGeometry.left || now.top != ShownGeometry.top ||
                     now.height != ShownGeometry.height || now.width != ShownGeometry.width;
  ClosingGeometry = moved ? now
                          : WindowGeometry{SavedWindowLeft, SavedWindowTop, SavedWindowHeight,
                                           SavedWindowWidth};
}

void TKestraneForm::FormDestroy() {
  Fl::remove_timeout(DeferredReloadTick, this);
  ReloadTimerSet = false;
  WriteDebug(" Alt-F4: Trying to disconnect from Broker.");
  StopRefresh(" Alt-F4: ND refresh TIMER stopped.", " Alt-FA: ND refresh THREAD stopped.");
  WSocket1->Close();
  WriteDebug(" Alt-F4: Disconnected from Broker.");
}

void TKestraneForm::Finalize() {
  if (Finalized) return;
  Finalized = true;
  if (RefreshThreadRunning) {
    RefreshThread->Stop();
    RefreshThreadRunning = false;
    WriteDebug(" Finalization: ND refresh task stopped.");
  }
  if (!TaskbarShown) TaskbarWindow.Show();
  // The PFD stops asking before the runway element goes.
  ActiveRunwayElevation = nullptr;
  // Reload counts not yet told are written; the lists' last lines as they are.
  ReloadLog().Reset();
  Runways.reset();
  Tcas.reset();
  if (SettingsFile) {
    WindowGeometry g = ClosingGeometry;
    if (g.width == 0) g = {Left(), Top(), Height(), Width()};
    WriteSettings(*SettingsFile, g);
  }
  // GL objects go while the context is still current.
  MakeContextCurrent();
  SettingsFile.reset();
  if (StartupComplete) {
    FreeFonts();
    FreePfdObjects();
    if (!PfdOnly) FreeNavigationObjects();
  }
  PfdFrameTexture.reset();
  NdFrameTexture.reset();
}

// ---------------------------------------------------------------------------
// Broker link (connect, receive, disconnect)

bool TKestraneForm::Connected() const { return WSocket1 && WSocket1->State() == wsConnected; }

void TKestraneForm::Connect1Click() {
  // Connect stays disabled during the wait, so a second click cannot start
  // a second connect.
  if (Connecting || !Enabled(kConnect)) return;
  WriteDebug(" File/Connect: Trying to establish Broker communication.");
  WriteDebug(" File/Connect: Using " + BrokerHost + " " + BrokerPort);
  Connecting = true;
  SetEnabled(kConnect, false);
  if (WSocket1->State() != wsConnected) {
    try {
      WSocket1->SetProto("tcp");
      WSocket1->SetPort(BrokerPort);
      WSocket1->SetAddr(BrokerHost);
      WSocket1->Connect();
    } catch (const ESocketException& e) {
      // Reported through OnError already when a handler is set.
    }
    // Wait for the outcome; the wait sleeps in the event loop.
    while (WSocket1->State() == wsConnecting) {
      platform::ProcessMessages(0.05);
      if (Terminating) {
        Connecting = false;
        return;
      }
    }
  }
  Connecting = false;
  if (WSocket1->State() == wsConnected) {
    WriteDebug(" File/Connect: Broker communication established. Successful.");
    SetEnabled(kConnect, false);
    SetEnabled(kDisconnect, true);
    WSocket1->SendText("register ND running\r\n");
    WriteDebug(" File/Connect: Broker requests sent. Trying to init ND refresh task.");
    for (const std::string& line : SubscriptionLines()) WSocket1->SendText(line);
  }
  // The broker may have gone during the sends: only a live link refreshes.
  if (WSocket1->State() == wsConnected) {
    if (DrawInBackground) {
      RefreshThreadRunning = true;
      RefreshThread = std::make_unique<platform::GuiWorker>([this](platform::GuiWorker& w) {
        while (!w.StopRequested()) {
          if (!w.Synchronize([this] { FormPaint(); })) break;
          if (!w.Synchronize([this] { SwapPage(); })) break;
        }
      });
      RefreshThread->Start();
      WriteDebug(" File/Connect: Init of ND refresh THREAD started.");
    } else {
      SetTimerEnabled(true);
      WriteDebug(" File/Connect: Init of ND refresh TIMER started.");
    }
    WriteDebug(" File/Connect: Init of ND refresh task complete.");
    SetEnabled(kBackground, false);
  } else {
    // Not connected: the menus are as they were before the attempt.
    SetEnabled(kConnect, !Enabled(kDisconnect));
  }
}

void TKestraneForm::CliSocketDataAvailable() {
  auto overflow = [](std::size_t dropped) {
    LongLineLog().Log(" Broker Comm: Line longer than " + std::to_string(dropped) +
                      " bytes without line end dropped.");
  };
  // A buffer full without a line end would stall the link: drop it first.
  if (std::size_t dropped = ReceiveBuffer.DropIfFull()) overflow(dropped);
  const int n = WSocket1->Receive(ReceiveBuffer.WritePtr(), static_cast<int>(ReceiveBuffer.Free()));
  if (n <= 0) return;
  ReceiveBuffer.Commit(n);
  // Each line is out of the buffer before it is handled: a line whose
  // parsing fails is the only one lost.
  ReceiveBuffer.TakeLines([this](const std::string& line) { ProcessCommand(line); },
                          [](const std::string&, const char* what) {
                            DroppedLineLog().Log(std::string(" Broker Comm: Line dropped: ") + what);
                          },
                          overflow);
}

void TKestraneForm::ProcessCommand(const std::string& line) {
  if (line == "Broker is shutting down\r") Disconnect1Click();
  DispatchToParsers(line);
  ScheduleDeferredReload();
}

void TKestraneForm::ScheduleDeferredReload() {
  const double delay = DeferredReloadDelay();
  if (delay < 0 || ReloadTimerSet) return;
  ReloadTimerSet = true;
  Fl::add_timeout(delay, DeferredReloadTick, this);
}

void TKestraneForm::DeferredReloadTimer() {
  ReloadTimerSet = false;
  RunDeferredReload(DataFolder, DatabasesPresent);
  ScheduleDeferredReload();
}

void TKestraneForm::WSocket1Error() {
  WriteDebug(" WSocket Error. Disconnect TCP/IP.");
  Disconnect1Click();
}

void TKestraneForm::WSocket1SessionClosed() {
  // The broker closed the link: the session ends as Disconnect ends it.
  if (Enabled(kDisconnect)) {
    WriteDebug(" Broker Comm: Connection closed by the broker.");
    Disconnect1Click();
  }
}

void TKestraneForm::StopRefresh(const char* timerLog, const char* threadLog) {
  // The session ends: counts not yet logged are logged now.
  LongLineLog().Reset();
  DroppedLineLog().Reset();
  LineLimitLog().Reset();
  if (Tcas) Tcas->EndSession();
  if (!DrawInBackground) {
    SetTimerEnabled(false);
    WriteDebug(timerLog);
  } else if (RefreshThreadRunning) {
    RefreshThreadRunning = false;
    RefreshThread->Stop();
    WriteDebug(threadLog);
  }
}

void TKestraneForm::Disconnect1Click() {
  if (!Enabled(kDisconnect)) return;
  WriteDebug(" File/Disconnect: Trying to disconnect from Broker.");
  StopRefresh(" File/Disconnect: ND refresh TIMER stopped.",
              " File/Disconnect: ND refresh THREAD stopped.");
  SetEnabled(kConnect, true);
  SetEnabled(kDisconnect, false);
  WSocket1->Close();
  WriteDebug(" File/Disconnect: Disconnected from Broker.");
  // The next connection loads the databases again for its first position.
  EndNavigationSession();
  if (Route) Route->Clear();
  SetEnabled(kBackground, true);
  Repaint();
}

void TKestraneForm::Exit1Click() {
  WriteDebug(" File/Exit: Trying to exit program.");
  Terminating = true;
  platform::SetApplicationEnding(true);
  StopRefresh(" File/Exit: ND refresh TIMER stopped.", " File/Exit: ND refresh task stopped.");
  SetEnabled(kConnect, true);
  SetEnabled(kDisconnect, false);
  WSocket1->Close();
  WriteDebug(" File/Exit: Leaving program.");
  CaptureGeometry();
  Close();
}

// ---------------------------------------------------------------------------
// Frame

void TKestraneForm::SetTimerEnabled(bool on) {
  if (on && !TimerEnabled) Fl::add_timeout(kTimerInterval, Timer1Tick, this);
  if (!on) Fl::remove_timeout(Timer1Tick, this);
  TimerEnabled = on;
}

void TKestraneForm::Timer1Timer() {
  if (Painting) return;
  FormPaint();
  SwapPage();
}

void TKestraneForm::SwapPage() {
  ++SwapCount;
  TCGForm::SwapPage();
}

void TKestraneForm::Repaint() {
  if (!StartupComplete || !HasContext()) return;
  MakeContextCurrent();
  FormPaint();
}

void TKestraneForm::RepaintWhenNotConnected() {
  if (!Connected()) Repaint();
}

void TKestraneForm::DrawFrame(int rotation, int which) {
  if (!FramesShown) return;
  TCGTexture* texture = which == 0 ? PfdFrameTexture.get() : NdFrameTexture.get();
  if (!texture || texture->Width() == 0) return;  // no image: the frame is left out
  const float S = DrawScale;
  EnableObjectLinearTexGen(1.0 / S, 1.0 / S);
  glColor3f(1.0f, 1.0f, 1.0f);
  texture->Enable();
  float tx = 0, ty = 0;
  if (rotation == 90) ty = -S;
  else if (rotation == 180) tx = ty = -S;
  else if (rotation == 270) tx = -S;
  glRotatef(static_cast<float>(rotation), 0, 0, 1);
  glTranslatef(tx, ty, 0);
  glBegin(GL_QUADS);
  glVertex2f(0, 0);
  glVertex2f(S, 0);
  glVertex2f(S, S);
  glVertex2f(0, S);
  glEnd();
  glTranslatef(-tx, -ty, 0);
  glRotatef(-static_cast<float>(rotation), 0, 0, 1);
  texture->Disable();
}

void TKestraneForm::DrawPfd(const Viewport& v) {
  DrawFrame(ScreenRotation, 0);
  float tx = 0, ty = 0;
  if (ScreenRotation == 90) tx = DrawArea;
  else if (ScreenRotation == 180) tx = ty = DrawArea;
  else if (ScreenRotation == 270) ty = DrawArea;
  glTranslatef(tx, ty, 0);
  glRotatef(static_cast<float>(ScreenRotation), 0, 0, 1);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  DrawPrimaryFlightDisplay(v.size, v.x, v.y, SmoothLines, ScreenRotation);
  glRotatef(-static_cast<float>(ScreenRotation), 0, 0, 1);
  glTranslatef(-tx, -ty, 0);
}

void TKestraneForm::DrawNd(const Viewport& v) {
  DrawFrame(ScreenRotation, 1);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  DrawNdInSquare(v.x, v.y, v.size, DrawScale, ScreenRotation, SmoothLines);
  // The ND may have switched the terrain on by itself.
  SetChecked(kTerrain, TerrainVisible);
}

void TKestraneForm::FormPaint() {
  if (!ShownRecorded && Shown()) {
    // Where the window system actually put the window (known once it is
    // mapped and first painted): the saved geometry is written back
    // unchanged unless the user moves or sizes the window after this.
    ShownGeometry = {Left(), Top(), Height(), Width()};
    ShownRecorded = true;
  }
  if (!StartupComplete) {
    // Nothing to draw yet: present a cleared frame.
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    SwapPage();
    return;
  }
  platform::FpuGuard fpu;
  Painting = true;
  LoadFrameMatrices(DrawScale);
  glViewport(0, 0, ClientWidth(), ClientHeight());
  glColor3f(1.0f, 1.0f, 0.0f);
  glStencilMask(255);
  glEnable(GL_STENCIL_TEST);
  glClear(GL_STENCIL_BUFFER_BIT);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_STENCIL_TEST);
  FrameCycle = (FrameCycle + 1) % 50;
  // Every 50th frame: the field elevation of the nearest runway, then the
  // TCAS field elevation.
  if (FrameCycle == 0) {
    if (Runways)
      FieldElevation = Runways->SelectRunway(static_cast<float>(OwnLatitude), static_cast<float>(OwnLongitude),
                                             static_cast<float>(OwnAltitude));
    if (Tcas) Tcas->SetFieldElevation(FieldElevation);
  }
  TcasAdvisoryToPfd();
  for (const Viewport& v : ComputeLayout(ClientWidth(), ClientHeight())) {
    glViewport(v.x, v.y, v.size, v.size);
    if (v.pfd) DrawPfd(v);
    else DrawNd(v);
  }
  TCGFont3D::EndFrame();
  ++FrameCount;
  if (!Connected()) SwapPage();
  Painting = false;
}

void TKestraneForm::FormResize(int w, int h) {
  // The saved geometry was applied before the window was first shown.
  GeometryApplied = true;
  const int size = std::min(w, h);
  glViewport(std::abs(w - size) / 2, std::abs(h - size) / 2, size, size);
  RepaintWhenNotConnected();
}

// ---------------------------------------------------------------------------
// Menu commands and keys

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

void TcasAdvisoryToPfd() {
  if (Tcas && Tcas->UpdateAdvisoryState() == 2) {
    RaClimbRate = Tcas->ClimbRate();
    RaDescendRate = Tcas->DescendRate();
  } else {
    RaClimbRate = -9999;
    RaDescendRate = -9999;
  }
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
