// Damaged JPEGs (cut short, bits flipped) fail with an exception and leave
// nothing behind: libjpeg's error jump must not skip any destructor. The
// leak check is the sanitizer's own under ASan; without it this program
// counts the blocks it allocates.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <vector>

#include "support/opengl/CgTexture.h"
#include "tests/common/TestSupport.h"
#include "tools/make-bitmaps/JpegWriter.h"

#if defined(__SANITIZE_ADDRESS__)
#define GC_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define GC_ASAN 1
#endif
#endif

#ifdef GC_ASAN
#include <sanitizer/lsan_interface.h>
#else
namespace {
std::atomic<long> g_liveBlocks{0};
}
void* operator new(std::size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  ++g_liveBlocks;
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  --g_liveBlocks;
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
#endif

namespace {

bitmaps::Picture Pattern(int w, int h) {
  bitmaps::Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.Set(x, y, static_cast<std::uint8_t>(x * 7), static_cast<std::uint8_t>(y * 5),
                                      static_cast<std::uint8_t>((x ^ y) * 3));
  return p;
}

// Loads each damaged file; counts how they ended.
struct Outcome {
  int loaded = 0, failed = 0, other = 0;
};

void LoadAll(const std::string& path, const std::vector<std::vector<std::uint8_t>>& files, Outcome& out) {
  for (const auto& bytes : files) {
    testsupport::WriteFile(path, std::string(bytes.begin(), bytes.end()));
    TCGImage image;
    try {
      image.LoadFromJPEG(path);
      ++out.loaded;
    } catch (const EJPEG&) {
      ++out.failed;
    } catch (...) {
      ++out.other;
    }
  }
}

}  // namespace

TEST(JpegFuzz, TruncatedAndBitFlippedFilesFailCleanly) {
  testsupport::TempDir dir;
  const std::string path = dir.File("damaged.jpg");
  std::vector<std::vector<std::uint8_t>> damaged;
  std::mt19937 random(12);
  for (int quality : {50, 95}) {
    const std::vector<std::uint8_t> good = bitmaps::EncodeJpeg(Pattern(96, 64), quality);
    ASSERT_GT(good.size(), 600u);
    // Cut short at every 23rd byte, the body included.
    for (std::size_t n = 2; n < good.size(); n += 23) damaged.emplace_back(good.begin(), good.begin() + n);
    // One to eight flipped bits anywhere.
    for (int i = 0; i < 400; ++i) {
      std::vector<std::uint8_t> f = good;
      const int flips = 1 + static_cast<int>(random() % 8);
      for (int k = 0; k < flips; ++k) f[random() % f.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
      damaged.push_back(std::move(f));
    }
  }

  // A first round warms up what the library keeps for good (error tables).
  Outcome warm;
  LoadAll(path, {damaged.begin(), damaged.begin() + 20}, warm);
#ifndef GC_ASAN
  const long before = g_liveBlocks.load();
#endif
  Outcome outcome;
  LoadAll(path, damaged, outcome);
  EXPECT_EQ(outcome.other, 0);
  EXPECT_GT(outcome.failed, static_cast<int>(damaged.size()) / 4);  // the truncated ones at least
#ifdef GC_ASAN
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "a failed decode leaked";
#else
  EXPECT_EQ(g_liveBlocks.load(), before) << "a failed decode leaked";
#endif
}
