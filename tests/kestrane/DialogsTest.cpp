// The database information box: the status of each file on its own row,
// found in any case, with the sizes each page expects.
#include <FL/Fl_Box.H>
#include <FL/Fl_Window.H>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "shared/KestraneSettings.h"
#include "kestrane/infobox.h"
#include "tests/common/TestSupport.h"

namespace {

// A sparse file of exactly size bytes.
void SizedFile(const std::string& path, off_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << path;
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
}

std::string Label(const Fl_Box* box) { return box && box->label() ? box->label() : ""; }

std::size_t RowOf(const std::string& file) {
  const auto& rows = InfoRows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    if (file == rows[i].File) return i;
  ADD_FAILURE() << "no row for " << file;
  return 0;
}

struct InfoFolder {
  testsupport::TempDir dir;
  std::string data = dir.File("Data");
  InfoFolder() {
    testsupport::MakeDirs(data);
    InfoDataFolder = data;
  }
  ~InfoFolder() { InfoDataFolder = "data"; }
};

}  // namespace

TEST(InfoFileStatus, SizesPagesCaseAndNonRegularEntries) {
  InfoFolder f;
  SizedFile(f.data + "/W180N90.DEM", 57600000);   // upper case on disk
  SizedFile(f.data + "/w180n40.dem", 51840000);
  SizedFile(f.data + "/w180s10.dem", 720000);
  SizedFile(f.data + "/w140n90.dem", 1000);
  SizedFile(f.data + "/w140n40.dem", 0);
  SizedFile(f.data + "/w140s10.dem", 57600001);
  SizedFile(f.data + "/Empty-Tile.Dem", 720000);
  SizedFile(f.data + "/747w.pk", 0);              // databases: presence only
  SizedFile(f.data + "/747world.mv", 0);
  SizedFile(f.data + "/747eur.apt", 1000);
  ASSERT_EQ(::mkfifo((f.data + "/w100n90.dem").c_str(), 0644), 0);
  testsupport::MakeDirs(f.data + "/w100n40.dem");
  struct Case {
    const char* file;
    int page;
    TFileStatus want;
  } cases[] = {
      {"w180n90.dem", 2, TFileStatus::Installed},
      {"w180n40.dem", 2, TFileStatus::Installed},
      {"w180s10.dem", 2, TFileStatus::Corrupted},   // the replacement tile's size is wrong here
      {"w180s10.dem", 3, TFileStatus::Installed},   // and right on page 3
      {"w180n90.dem", 3, TFileStatus::Installed},
      {"w140n90.dem", 2, TFileStatus::Corrupted},
      {"w140n90.dem", 3, TFileStatus::Corrupted},
      {"w140n40.dem", 2, TFileStatus::Corrupted},
      {"w140s10.dem", 2, TFileStatus::Corrupted},
      {"e020n90.dem", 3, TFileStatus::NotInstalled},
      {"empty-tile.dem", 3, TFileStatus::Installed},
      {"w100n90.dem", 2, TFileStatus::NotInstalled},  // a FIFO is not a file
      {"w100n40.dem", 2, TFileStatus::NotInstalled},  // nor is a folder
      {"747w.pk", 4, TFileStatus::Installed},
      {"747w.pl", 4, TFileStatus::NotInstalled},
      {"747WORLD.MV", 4, TFileStatus::Installed},
      {"747eur.apt", 4, TFileStatus::Installed},
  };
  for (const Case& c : cases)
    EXPECT_EQ(InfoFileStatus(InfoDataFolder, c.file, c.page), c.want) << c.file << " page " << c.page;
  // The folder given with a trailing separator, and in another case.
  EXPECT_EQ(InfoFileStatus(f.dir.File("DATA"), "w180n40.dem", 2), TFileStatus::Installed);
  EXPECT_EQ(InfoFileStatus(f.dir.File("nothere"), "w180n40.dem", 2), TFileStatus::NotInstalled);
}

TEST(Infobox, EveryFileHasOneRowAndEachStatusLandsOnItsOwnRow) {
  const auto& rows = InfoRows();
  std::set<std::string> files;
  int perPage[5] = {};
  for (const TInfoRow& r : rows) {
    EXPECT_TRUE(files.insert(r.File).second) << "twice: " << r.File;
    ASSERT_GE(r.Page, 2);
    ASSERT_LE(r.Page, 4);
    ++perPage[r.Page];
  }
  EXPECT_EQ(perPage[2], 18);
  EXPECT_EQ(perPage[3], 16);
  EXPECT_EQ(perPage[4], 10 + 13 + 8 + 1);

  InfoFolder f;
  const std::set<std::string> present = {"747w.pk", "747s.pa", "747spo.apt", "e120s60.dem",
                                         "w060s60.dem"};
  for (const std::string& name : present) SizedFile(f.data + "/" + name, 57600000);
  SizedFile(f.data + "/EMPTY-TILE.DEM", 1000);
  TInfobox1 box;
  for (int page = 2; page <= 4; ++page) {
    box.ShowPage(page);
    EXPECT_EQ(box.CurrentPage(), page);
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].Page != page) continue;
      const std::string file = rows[i].File;
      const char* want = present.count(file)            ? "Installed"
                         : file == "empty-tile.dem"     ? "Corrupted"
                                                        : "Not Installed";
      EXPECT_EQ(Label(box.StatusLabel(i)), want) << file;
    }
  }
  // Pages that were not shown again keep what they showed: a file added
  // now appears when its page is shown the next time.
  SizedFile(f.data + "/747w.pl", 0);
  EXPECT_EQ(Label(box.StatusLabel(RowOf("747w.pl"))), "Not Installed");
  box.ShowPage(2);
  box.ShowPage(4);
  EXPECT_EQ(Label(box.StatusLabel(RowOf("747w.pl"))), "Installed");
  EXPECT_EQ(box.StatusLabel(RowOf("747w.pl"))->labelcolor(), fl_rgb_color(0, 128, 0));
  EXPECT_EQ(box.StatusLabel(RowOf("747w.pm"))->labelcolor(), fl_rgb_color(255, 0, 0));
  EXPECT_EQ(box.StatusLabel(RowOf("empty-tile.dem"))->labelcolor(), fl_rgb_color(0, 0, 0));
}

TEST(Infobox, ThePageCurrentWhenTheBoxOpensIsFilled) {
  InfoFolder f;
  TInfobox1 box;
  box.ShowPage(3);
  SizedFile(f.data + "/empty-tile.dem", 720000);
  std::string seen;
  TInfobox1::SetModalHook([&](TInfobox1& b) { seen = Label(b.StatusLabel(RowOf("empty-tile.dem"))); });
  box.ShowModal();
  TInfobox1::SetModalHook(nullptr);
  EXPECT_EQ(seen, "Installed");
  EXPECT_STREQ(box.Window()->label(), "Kestrane Database Information");
  EXPECT_STREQ(box.PageCaption(1), "Nearest ... ");
  EXPECT_STREQ(box.PageCaption(2), "Terrain (W. Hemisp.) ... ");
  EXPECT_STREQ(box.PageCaption(3), "Terrain (E. Hemisp.) ...");
}

TEST(Infobox, MissingDataFolderShowsEveryFileNotInstalled) {
  InfoDataFolder = "/nonexistent-folder/data";
  TInfobox1 box;
  for (int page = 4; page >= 2; --page) box.ShowPage(page);
  for (std::size_t i = 0; i < InfoRows().size(); ++i)
    EXPECT_EQ(Label(box.StatusLabel(i)), "Not Installed") << InfoRows()[i].File;
  InfoDataFolder = "data";
}
