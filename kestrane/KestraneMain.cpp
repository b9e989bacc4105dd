// The main form's start-up and finalization: the form made with its menus
// and broker socket, the start-up sequence (log, settings, databases, GL,
// fonts, display objects, frame images) and the program end after the
// message loop, which writes the settings back. The settings' keys are read
// and written in KestraneConfig.cpp; the broker link, the frame, the menus
// and the keys have units of their own.
#include "kestrane/KestraneMain.h"

#include <GL/gl.h>
#include <unistd.h>

#include <exception>
#include <string>

#include "kestrane/About_Dialog.h"
#include "kestrane/KestraneFrame.h"
#include "kestrane/MenuItems.h"
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
#include "platform/DisplayLists.h"
#include "platform/MessageBox.h"
#include "platform/Paths.h"

using platform::TIniFile;
using namespace kestranemenu;

TKestraneForm* KestraneForm = nullptr;

namespace {

// Program start: the traffic computer exists from here on, PFD-only too.
const bool TcasCreated = [] {
  if (!Tcas) Tcas = std::make_unique<Ttcas>();
  return true;
}();

const char* const kCaption = "External Kestrane for PS1.3";

}  // namespace

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
  CreateBrokerSocket();
}

TKestraneForm::~TKestraneForm() {
  CancelDeferredReload();
  if (KestraneForm == this) KestraneForm = nullptr;
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
