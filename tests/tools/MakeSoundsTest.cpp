// The alert sound generator: the four files by their exact names, each a
// consistent 16-bit PCM mono WAV at 22,050 Hz of 0.4 to 3 s, audible, and
// all different; the tone patterns it falls back on likewise.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "tests/common/TestSupport.h"
#include "tools/make-sounds/SoundWriter.h"

extern char** environ;

namespace {

std::uint32_t Le(const std::string& s, std::size_t at, int n) {
  std::uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

// Checks the header of a generated WAV and returns its samples.
std::vector<std::int16_t> CheckWav(const std::string& wav) {
  std::vector<std::int16_t> samples;
  EXPECT_GE(wav.size(), 44u);
  if (wav.size() < 44) return samples;
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(Le(wav, 4, 4), wav.size() - 8);
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(Le(wav, 16, 4), 16u);
  EXPECT_EQ(Le(wav, 20, 2), 1u);       // PCM
  EXPECT_EQ(Le(wav, 22, 2), 1u);       // mono
  EXPECT_EQ(Le(wav, 24, 4), 22050u);   // rate
  EXPECT_EQ(Le(wav, 28, 4), 44100u);   // bytes per second
  EXPECT_EQ(Le(wav, 32, 2), 2u);       // block align
  EXPECT_EQ(Le(wav, 34, 2), 16u);      // bits
  EXPECT_EQ(wav.substr(36, 4), "data");
  EXPECT_EQ(Le(wav, 40, 4), wav.size() - 44);
  for (std::size_t at = 44; at + 1 < wav.size(); at += 2)
    samples.push_back(static_cast<std::int16_t>(Le(wav, at, 2)));
  return samples;
}

void ExpectAudibleAndTimed(const std::vector<std::int16_t>& s) {
  const double seconds = static_cast<double>(s.size()) / 22050;
  EXPECT_GE(seconds, 0.4);
  EXPECT_LE(seconds, 3.0);
  int peak = 0;
  for (std::int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
  EXPECT_GT(peak, 2000);
}

TEST(MakeSounds, WritesTheFourAlertFiles) {
  testsupport::TempDir dir;
  const std::string program = testsupport::BinaryDir() + "/tools/make-sounds/make-sounds";
  const char* argv[] = {program.c_str(), dir.Path().c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char* const*>(argv), environ), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"TrafficTraffic.wav", "CautionTerrain.wav", "TerrainPullUp.wav", "C09.WAV"}));
  std::set<std::string> contents;
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string wav = testsupport::ReadFile(dir.File(name));
    ExpectAudibleAndTimed(CheckWav(wav));
    contents.insert(wav);
  }
  EXPECT_EQ(contents.size(), 4u);  // pairwise different
}

TEST(MakeSounds, TonePatternsAreDistinctAndFitTheirLength) {
  std::set<sounds::Samples> patterns;
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    sounds::Samples s = sounds::TonePattern(i);
    sounds::FitLength(s, 0.5, 2.9);
    ExpectAudibleAndTimed(CheckWav(sounds::WavBytes(s)));
    patterns.insert(s);
  }
  EXPECT_EQ(patterns.size(), 4u);
  // Too short is padded, too long is cut.
  sounds::Samples tiny(100, 1000), huge(22050 * 5, 1000);
  sounds::FitLength(tiny, 0.5, 2.9);
  sounds::FitLength(huge, 0.5, 2.9);
  EXPECT_EQ(tiny.size(), 11025u);
  EXPECT_EQ(huge.size(), static_cast<std::size_t>(2.9 * 22050));
}

TEST(MakeSounds, SpeechOfOtherFormatsIsReadAsMono22050) {
  // Stereo at 44,100 Hz: left 1000, right 3000; and a data size left open.
  std::string wav = sounds::WavBytes(sounds::Samples(4410 * 2, 0), 44100);
  wav[22] = 2;                                      // channels
  for (std::size_t at = 44; at + 3 < wav.size(); at += 4) {
    wav[at] = static_cast<char>(1000 & 0xFF), wav[at + 1] = static_cast<char>(1000 >> 8);
    wav[at + 2] = static_cast<char>(3000 & 0xFF), wav[at + 3] = static_cast<char>(3000 >> 8);
  }
  wav[40] = wav[41] = wav[42] = wav[43] = static_cast<char>(0xFF);
  sounds::Samples mono;
  ASSERT_TRUE(sounds::DecodeWav16(wav, mono));
  EXPECT_EQ(mono.size(), 2205u);
  EXPECT_EQ(mono[100], 2000);
  for (const std::string& bad : {std::string("RIFF"), std::string(60, 'x'), wav.substr(0, 36)})
    EXPECT_FALSE(sounds::DecodeWav16(bad, mono));
}

}  // namespace
