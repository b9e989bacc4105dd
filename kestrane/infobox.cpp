#include "kestrane/infobox.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Tabs.H>
#include <FL/Fl_Window.H>

#include <cstdint>
#include <filesystem>
#include <system_error>

#include "platform/ModalDialog.h"
#include "shared/KestraneSettings.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

namespace {

const char* const kPageCaptions[4] = {"Nearest ... ", "Terrain (W. Hemisp.) ... ",
                                      "Terrain (E. Hemisp.) ...", "PS1 Databases"};

std::vector<TInfoRow> MakeRows() {
  std::vector<TInfoRow> rows = {
      {2, "w180n90.dem", "W180N90 (Alaska)", ""},
      {2, "w180n40.dem", "W180N40 (Hawaii)", ""},
      {2, "w180s10.dem", "W180S10 (S. Pacific)", ""},
      {2, "w140n90.dem", "W140N90 (W Canada)", ""},
      {2, "w140n40.dem", "W140N40 (Mexico)", ""},
      {2, "w140s10.dem", "W140S10 (S. Pacific)", ""},
      {2, "w100n90.dem", "W100N90 (E. Canada)", ""},
      {2, "w100n40.dem", "W100N40 (Gulf of Mexico)", ""},
      {2, "w100s10.dem", "W100S10 (Chile, Argentina)", ""},
      {2, "w060n90.dem", "W060N90 (Greenland)", ""},
      {2, "w060n40.dem", "W060N40 (N Brazil)", ""},
      {2, "w060s10.dem", "W060S10 (S Brazil)", ""},
      {2, "w020n90.dem", "W020N90 (Europe)", ""},
      {2, "w020n40.dem", "W020N40 (NW Africa)", ""},
      {2, "w020s10.dem", "W020S10 (S Atlantic)", ""},
      {2, "w180s60.dem", "W180S60 (Antartica)", ""},
      {2, "w120s60.dem", "W120S60 (Antartica)", ""},
      {2, "w060s60.dem", "W060S60 (Antartica)", ""},
      {3, "e020n90.dem", "E020N90 (E. Europe)", ""},
      {3, "e020n40.dem", "E020N40 (NE Africa / M. East)", ""},
      {3, "e020s10.dem", "E020S10 (S/E Africa)", ""},
      {3, "e060n90.dem", "E060N90 (Central Russia)", ""},
      {3, "e060n40.dem", "E060N40 (India / W China)", ""},
      {3, "e060s10.dem", "E060S10 (Indian Ocean)", ""},
      {3, "e100n90.dem", "E100N90 (Far East Russia)", ""},
      {3, "e100n40.dem", "E100N40 (E China / SE Asia)", ""},
      {3, "e100s10.dem", "E100S10 (Australia)", ""},
      {3, "e140n90.dem", "E140N90 (Far East Russia)", ""},
      {3, "e140n40.dem", "E140N40 (Central Pacific)", ""},
      {3, "e140s10.dem", "E140S10 (South Pacific)", ""},
      {3, "w000s60.dem", "W000S60 (Antartica)", ""},
      {3, "e060s60.dem", "E060S60 (Antartica)", ""},
      {3, "e120s60.dem", "E120S60 (Antartica)", ""},
      {3, "empty-tile.dem", "Generic Mesh as Replacement for Missing Tiles (empty-tile.DEM):", ""},
  };
  static const char* const navaids[10] = {"747s.pa", "747s.pb", "747s.pc", "747s.pd", "747s.pe",
                                          "747s.pf", "747s.pg", "747s.ph", "747s.pi", "747s.pj"};
  static const char* const waypoints[13] = {"747w.pa", "747w.pb", "747w.pc", "747w.pd", "747w.pe",
                                            "747w.pf", "747w.pg", "747w.ph", "747w.pi", "747w.pj",
                                            "747w.pk", "747w.pl", "747w.pm"};
  static const char* const airports[8] = {"747afr.apt", "747asi.apt", "747eur.apt", "747nam.apt",
                                          "747npo.apt", "747sam.apt", "747spa.apt", "747spo.apt"};
  for (const char* f : navaids) rows.push_back({4, f, f, "Navaids"});
  for (const char* f : waypoints) rows.push_back({4, f, f, "Waypoints"});
  for (const char* f : airports) rows.push_back({4, f, f, "Airports"});
  rows.push_back({4, "747WORLD.MV", "747world.mv", "Magnetic Variation"});
  return rows;
}

// A page that tells the box when it becomes the page on screen (a click on
// its tab, the keyboard, or the box being opened with it current).
class TTabSheet : public Fl_Group {
 public:
  TTabSheet(int x, int y, int w, int h, const char* caption, TInfobox1* box, int page)
      : Fl_Group(x, y, w, h, caption), box_(box), page_(page) {}
  int handle(int event) override {
    const int used = Fl_Group::handle(event);
    if (event == FL_SHOW && visible_r()) box_->PageShown(page_);
    return used;
  }

 private:
  TInfobox1* box_;
  int page_;
};

constexpr int kRow = 19;

}  // namespace

const std::vector<TInfoRow>& InfoRows() {
  static const std::vector<TInfoRow> rows = MakeRows();
  return rows;
}

TFileStatus InfoFileStatus(const std::string& folder, const std::string& file, int page) {
  // The path is built the Windows way; the resolver finds it in any case.
  const std::string path = platform::ResolvePath(folder + "\\" + file);
  if (!platform::IsRegularFile(path)) return TFileStatus::NotInstalled;
  if (page == 4) return TFileStatus::Installed;
  const bool tile = file.size() >= 4 && platform::SameTextCI(file.substr(file.size() - 4), ".dem");
  if (!tile) return TFileStatus::Installed;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return TFileStatus::Corrupted;
  const bool expected = size == 57600000u || size == 51840000u || (page == 3 && size == 720000u);
  return expected ? TFileStatus::Installed : TFileStatus::Corrupted;
}

const char* StatusText(TFileStatus status) {
  switch (status) {
    case TFileStatus::NotInstalled: return "Not Installed";
    case TFileStatus::Installed: return "Installed";
    case TFileStatus::Corrupted: return "Corrupted";
  }
  return "";
}

Fl_Color StatusColour(TFileStatus status) {
  switch (status) {
    case TFileStatus::NotInstalled: return fl_rgb_color(255, 0, 0);
    case TFileStatus::Installed: return fl_rgb_color(0, 128, 0);
    case TFileStatus::Corrupted: return fl_rgb_color(0, 0, 0);
  }
  return FL_BLACK;
}

void TInfobox1::SetModalHook(ModalHook hook) { platform::ModalHookOf<TInfobox1>() = std::move(hook); }

TInfobox1::TInfobox1() {
  const std::vector<TInfoRow>& rows = InfoRows();
  status_.assign(rows.size(), nullptr);
  window_ = std::make_unique<Fl_Window>(600, 470, "Kestrane Database Information");
  window_->begin();
  PageControl1 = new Fl_Tabs(8, 8, 584, 414);
  const int px = 8, py = 33, pw = 584, ph = 389;
  for (int p = 0; p < 4; ++p) {
    pages_[p] = new TTabSheet(px, py, pw, ph, kPageCaptions[p], this, p + 1);
    Fl_Group* page = pages_[p];
    if (p == 0) {
      platform::DialogLabel(30, 60, 180, 22, "Nearest Airport:");
      AirportValue = platform::DialogLabel(220, 60, 200, 22, "");
      platform::DialogLabel(30, 90, 180, 22, "Nearest Runway:");
      RunwayValue = platform::DialogLabel(220, 90, 200, 22, "");
      platform::DialogLabel(30, 130, 180, 22, "Reference Elevation");
      ElevationValue = platform::DialogLabel(220, 130, 200, 22, "");
      platform::DialogLabel(30, 155, 300, 22, "= EGPWS Reference");
      platform::DialogLabel(30, 175, 300, 22, "= Nearest Airport Elevation");
    } else if (p == 1 || p == 2) {
      int y = py + 10;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Page != p + 1) continue;
        const bool wide = std::string(rows[i].File) == "empty-tile.dem";
        platform::DialogLabel(20, y, wide ? 470 : 300, kRow, rows[i].Caption);
        status_[i] = platform::DialogLabel(wide ? 492 : 330, y, 95, kRow, "");
        y += kRow;
      }
    } else {
      const char* const columns[3] = {"Navaids", "Waypoints", "Airports"};
      for (int c = 0; c < 3; ++c) {
        const int x = 20 + c * 190;
        Fl_Box* head = platform::DialogLabel(x, py + 8, 180, kRow, columns[c]);
        head->labelfont(FL_BOLD);
        int y = py + 8 + kRow + 4;
        for (std::size_t i = 0; i < rows.size(); ++i) {
          if (rows[i].Page != 4 || std::string(rows[i].Group) != columns[c]) continue;
          platform::DialogLabel(x, y, 92, kRow, rows[i].Caption);
          status_[i] = platform::DialogLabel(x + 94, y, 94, kRow, "");
          y += kRow;
        }
      }
      const int y = py + 8 + 15 * kRow;
      for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].Page != 4 || std::string(rows[i].Group) != "Magnetic Variation") continue;
        Fl_Box* head = platform::DialogLabel(20, y, 180, kRow, rows[i].Group);
        head->labelfont(FL_BOLD);
        platform::DialogLabel(210, y, 92, kRow, rows[i].Caption);
        status_[i] = platform::DialogLabel(304, y, 94, kRow, "");
      }
    }
    page->end();
    if (p > 0) page->hide();
  }
  PageControl1->end();
  PageControl1->value(pages_[0]);
  OKButton = new Fl_Return_Button(257, 432, 86, 30, "OK");
  window_->end();
  window_->set_modal();
  platform::ConnectOk(*window_, *OKButton);
}

TInfobox1::~TInfobox1() = default;

void TInfobox1::SetNearest(const std::string& airport, const std::string& runway,
                           const std::string& elevation) {
  airport_ = airport;
  runway_ = runway;
  elevation_ = elevation;
  AirportValue->label(airport_.c_str());
  RunwayValue->label(runway_.c_str());
  ElevationValue->label(elevation_.c_str());
}

void TInfobox1::FillPage(int page) {
  const std::vector<TInfoRow>& rows = InfoRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].Page != page || !status_[i]) continue;
    const TFileStatus s = InfoFileStatus(InfoDataFolder, rows[i].File, page);
    status_[i]->label(StatusText(s));
    status_[i]->labelcolor(StatusColour(s));
    status_[i]->redraw_label();
  }
}

void TInfobox1::TabSheet2Show() { FillPage(2); }
void TInfobox1::TabSheet3Show() { FillPage(3); }
void TInfobox1::TabSheet4Show() { FillPage(4); }

void TInfobox1::PageShown(int page) {
  if (page == 2) TabSheet2Show();
  else if (page == 3) TabSheet3Show();
  else if (page == 4) TabSheet4Show();
}

void TInfobox1::ShowPage(int page) {
  if (page < 1 || page > 4) return;
  PageControl1->value(pages_[page - 1]);
  // On screen the page's show event has filled it; off screen it is
  // filled here, as it would be when shown.
  if (!window_->shown()) PageShown(page);
}

int TInfobox1::CurrentPage() const {
  for (int p = 0; p < 4; ++p)
    if (PageControl1->value() == pages_[p]) return p + 1;
  return 1;
}

const char* TInfobox1::PageCaption(int page) const {
  return page >= 1 && page <= 4 ? kPageCaptions[page - 1] : "";
}

void TInfobox1::ShowModal() {
  PageShown(CurrentPage());
  if (const ModalHook& hook = platform::ModalHookOf<TInfobox1>()) {
    hook(*this);
    return;
  }
  platform::RunModal(*window_);
}
