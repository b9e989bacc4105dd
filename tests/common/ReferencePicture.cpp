#include "tests/common/ReferencePicture.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "tests/common/TestSupport.h"

namespace testsupport {

namespace {

// GC_UPDATE_REFERENCES: "1" replaces the references that a frame fails
// (or that are missing), "all" every one that differs in any pixel.
enum class Update { kNone, kFailing, kAll };

Update UpdateMode() {
  const char* v = std::getenv("GC_UPDATE_REFERENCES");
  if (v && std::strcmp(v, "1") == 0) return Update::kFailing;
  if (v && std::strcmp(v, "all") == 0) return Update::kAll;
  return Update::kNone;
}

std::string ReferencePath(const std::string& name) { return SourceDir() + "/tests/reference/" + name + ".png"; }

std::string FramePath(const std::string& name) { return BinaryDir() + "/test-frames/" + name + ".png"; }

struct Comparison {
  int beyond = 0;      // pixels beyond the levels
  int differing = 0;   // pixels that differ at all
  int worst = 0;       // largest difference of a channel
};

Comparison Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, size_t pixels, int levels,
                   std::vector<bool>* marks) {
  Comparison c;
  if (marks) marks->assign(pixels, false);
  for (size_t i = 0; i < pixels; ++i) {
    int d = 0;
    for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(a[i * 4 + k] - b[i * 4 + k]));
    c.worst = std::max(c.worst, d);
    c.differing += d > 0;
    if (d > levels) {
      ++c.beyond;
      if (marks) (*marks)[i] = true;
    }
  }
  return c;
}

// The frame in grey, a third as bright, with the marked pixels red.
std::vector<uint8_t> DifferencePicture(const std::vector<uint8_t>& frame, const std::vector<bool>& marks) {
  std::vector<uint8_t> out(frame.size());
  for (size_t i = 0; i < marks.size(); ++i) {
    const uint8_t* p = &frame[i * 4];
    const auto grey = static_cast<uint8_t>((p[0] * 77 + p[1] * 150 + p[2] * 29) / 256 / 3);
    uint8_t* q = &out[i * 4];
    q[0] = marks[i] ? 255 : grey;
    q[1] = marks[i] ? 0 : grey;
    q[2] = marks[i] ? 0 : grey;
    q[3] = 255;
  }
  return out;
}

}  // namespace

// At most 12 pixels of a 512 x 512 frame seen beyond 8 levels.
PictureTolerance KeptTextTolerance() { return {8, 0.0001}; }

bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba) {
  if (w <= 0 || h <= 0 || rgba.size() < static_cast<size_t>(w) * h * 4) return false;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;
  // A negative stride: the last row in memory is the top of the picture.
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), -w * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

bool ReadPng(const std::string& path, int& w, int& h, std::vector<uint8_t>& rgba) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGBA;
  w = static_cast<int>(image.width);
  h = static_cast<int>(image.height);
  rgba.assign(PNG_IMAGE_SIZE(image), 0);
  const int ok = png_image_finish_read(&image, nullptr, rgba.data(), -w * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

::testing::AssertionResult MatchesReference(const std::string& name, int w, int h, const std::vector<uint8_t>& rgba,
                                            PictureTolerance tol, const std::string& variant) {
  const size_t pixels = static_cast<size_t>(w) * h;
  if (w <= 0 || h <= 0 || rgba.size() < pixels * 4)
    return ::testing::AssertionFailure() << name << ": no frame was read back";
  MakeDirs(BinaryDir() + "/test-frames");
  const std::string frameName = variant.empty() ? name : name + "-" + variant;
  const std::string frame = FramePath(frameName);
  const std::string diff = BinaryDir() + "/test-frames/" + frameName + "-diff.png";
  WritePng(frame, w, h, rgba);
  std::error_code ec;
  std::filesystem::remove(diff, ec);

  const std::string refPath = ReferencePath(name);
  int rw = 0, rh = 0;
  std::vector<uint8_t> ref;
  const bool haveRef = ReadPng(refPath, rw, rh, ref);
  const bool sameSize = haveRef && rw == w && rh == h;
  if (!haveRef && UpdateMode() == Update::kNone)
    return ::testing::AssertionFailure() << name << ": no reference picture " << refPath
                                         << " (scripts/update-references makes it); the frame is " << frame;
  if (haveRef && !sameSize && UpdateMode() == Update::kNone)
    return ::testing::AssertionFailure() << name << ": the frame is " << w << " x " << h << ", its reference "
                                         << rw << " x " << rh << "; the frame is " << frame;
  std::vector<bool> marks;
  const Comparison c = sameSize ? Compare(rgba, ref, pixels, tol.levels, &marks) : Comparison{};
  const auto allowed = static_cast<int>(tol.share * static_cast<double>(pixels));
  const bool fails = !sameSize || c.beyond > allowed;
  const Update update = variant.empty() ? UpdateMode() : Update::kNone;
  if (update == Update::kAll ? !sameSize || c.differing > 0 : update == Update::kFailing && fails) {
    MakeDirs(SourceDir() + "/tests/reference");
    // What changed, for the person who looks at the new picture.
    if (sameSize) {
      if (c.beyond == 0) Compare(rgba, ref, pixels, 0, &marks);
      WritePng(diff, w, h, DifferencePicture(rgba, marks));
    }
    // Alpha is not compared; the reference keeps the picture opaque.
    std::vector<uint8_t> opaque = rgba;
    for (size_t i = 0; i < pixels; ++i) opaque[i * 4 + 3] = 255;
    if (!WritePng(refPath, w, h, opaque))
      return ::testing::AssertionFailure() << name << ": could not write " << refPath;
    return ::testing::AssertionSuccess();
  }
  if (!fails || UpdateMode() != Update::kNone) return ::testing::AssertionSuccess();
  WritePng(diff, w, h, DifferencePicture(rgba, marks));
  return ::testing::AssertionFailure() << frameName << ": " << c.beyond << " pixels differ from " << refPath
                                       << " by more than " << tol.levels << " levels (at most " << allowed
                                       << " may; largest difference " << c.worst << "); the frame is " << frame
                                       << ", the differences in red are in " << diff;
}

}  // namespace testsupport
