// The database information box: the nearest airport, runway and reference
// elevation on its first page, and on the other three the status of every
// elevation tile and simulator database file in the data folder.
#pragma once
#include <FL/Enumerations.H>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Fl_Box;
class Fl_Group;
class Fl_Return_Button;
class Fl_Tabs;
class Fl_Window;

enum class TFileStatus { NotInstalled, Installed, Corrupted };

// One file the box reports on. Page 2 lists the western tiles, page 3 the
// eastern and Antarctic tiles and the replacement tile, page 4 the
// simulator's databases (Group names its column, or the row of the
// magnetic variation file).
struct TInfoRow {
  int Page;
  const char* File;     // as it is looked up in the data folder
  const char* Caption;  // as the row shows it
  const char* Group;    // page 4 only
};
// Every row of pages 2 to 4, in the order the pages show them.
const std::vector<TInfoRow>& InfoRows();

// The status of file in folder as page shows it: missing (or not a regular
// file) is "Not Installed"; a tile whose size is not one that page expects
// is "Corrupted"; page 4 checks existence only. Names are found in any case.
TFileStatus InfoFileStatus(const std::string& folder, const std::string& file, int page);
const char* StatusText(TFileStatus status);
Fl_Color StatusColour(TFileStatus status);

class TInfobox1 {
 public:
  TInfobox1();
  ~TInfobox1();
  TInfobox1(const TInfobox1&) = delete;
  TInfobox1& operator=(const TInfobox1&) = delete;

  // The three values of the first page (the box keeps its own copies).
  void SetNearest(const std::string& airport, const std::string& runway, const std::string& elevation);

  // Shows the box and waits until OK, Escape or the close box ends it. The
  // page current when it opens is filled first.
  void ShowModal();
  // Tests look at the box instead of waiting for a user.
  using ModalHook = std::function<void(TInfobox1& box)>;
  static void SetModalHook(ModalHook hook);

  // Fill the status labels of pages 2, 3 and 4 from the data folder.
  void TabSheet2Show();
  void TabSheet3Show();
  void TabSheet4Show();
  // Makes page (1 to 4) current, as a click on its tab does.
  void ShowPage(int page);
  int CurrentPage() const;
  const char* PageCaption(int page) const;

  // The status label of row i of InfoRows().
  Fl_Box* StatusLabel(std::size_t row) const { return status_.at(row); }

  Fl_Window* Window() const { return window_.get(); }
  Fl_Tabs* PageControl1 = nullptr;
  Fl_Box* AirportValue = nullptr;
  Fl_Box* RunwayValue = nullptr;
  Fl_Box* ElevationValue = nullptr;
  Fl_Return_Button* OKButton = nullptr;

  // Called when a page becomes the current one while the box is on screen.
  void PageShown(int page);

 private:
  void FillPage(int page);
  std::unique_ptr<Fl_Window> window_;
  Fl_Group* pages_[4] = {};
  std::vector<Fl_Box*> status_;
  std::string airport_, runway_, elevation_;
};
