// The sound player on SDL's silent driver: real WAV files open and play
// without waiting, Close empties the queue, the device stays open between
// sounds, and bad files fail with the player's one error type.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/MediaPlayer.h"
#include "tests/common/TestSupport.h"
#include "tools/make-sounds/SoundWriter.h"

namespace {

using platform::EMediaPlayerError;
using platform::TMediaPlayer;

class MediaPlayer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
  // A second of 440 Hz.
  std::string Tone() const {
    sounds::Samples s;
    for (int i = 0; i < sounds::kRate; ++i)
      s.push_back(static_cast<std::int16_t>(8000 * std::sin(2 * 3.14159265 * 440 * i / sounds::kRate)));
    return sounds::WavBytes(s);
  }
  testsupport::TempDir dir;
};

TEST_F(MediaPlayer, GeneratedSoundsOpenAndPlayWithoutWaiting) {
  TMediaPlayer player;
  const int opensBefore = TMediaPlayer::DeviceOpenCount();
  for (const auto& sound : sounds::AlertSounds()) {
    SCOPED_TRACE(sound.file);
    player.Close();
    player.FileName = testsupport::StageDir() + "/audio/" + sound.file;
    ASSERT_NO_THROW(player.Open());
    ASSERT_NO_THROW(player.Play());
    // Play returned while nearly all of the sound is still to be played.
    EXPECT_GT(player.QueuedBytes(), 8000u);
  }
  EXPECT_EQ(TMediaPlayer::DeviceOpenCount() - opensBefore, 1);
  player.Close();
  EXPECT_EQ(player.QueuedBytes(), 0u);
}

TEST_F(MediaPlayer, ANewSoundCutsTheOldOne) {
  testsupport::WriteFile(dir.File("tone.wav"), Tone());
  TMediaPlayer player;
  player.FileName = dir.File("tone.wav");
  player.Open();
  player.Play();
  const std::uint32_t one = player.QueuedBytes();
  player.Close();
  player.Open();
  player.Play();
  // Not queued behind the first: at most one sound is waiting.
  EXPECT_LE(player.QueuedBytes(), one);
  player.Close();
  EXPECT_EQ(player.QueuedBytes(), 0u);
  EXPECT_THROW(player.Play(), EMediaPlayerError);  // Close dropped the sound
}

TEST_F(MediaPlayer, OtherFormatsAreConverted) {
  // Stereo 16-bit at 44,100 Hz, written by hand.
  std::string wav = "RIFF";
  const std::uint32_t frames = 4410, data = frames * 4;
  auto put = [&](std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) wav += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(36 + data, 4);
  wav += "WAVEfmt ";
  put(16, 4), put(1, 2), put(2, 2), put(44100, 4), put(44100 * 4, 4), put(4, 2), put(16, 2);
  wav += "data";
  put(data, 4);
  for (std::uint32_t i = 0; i < frames * 2; ++i) put(static_cast<std::uint16_t>((i % 50) * 300), 2);
  testsupport::WriteFile(dir.File("stereo.wav"), wav);
  TMediaPlayer player;
  player.FileName = dir.File("stereo.wav");
  EXPECT_NO_THROW(player.Open());
  EXPECT_NO_THROW(player.Play());
}

TEST_F(MediaPlayer, BadFilesThrowThePlayersError) {
  const std::string tone = Tone();
  testsupport::WriteFile(dir.File("truncated.wav"), tone.substr(0, 30));
  testsupport::WriteFile(dir.File("noise.wav"), std::string(5000, 'x'));
  testsupport::MakeDirs(dir.File("folder.wav"));
  const char* files[] = {"missing.wav", "truncated.wav", "noise.wav", "folder.wav", "audio/none.wav"};
  TMediaPlayer player;
  for (const char* f : files) {
    SCOPED_TRACE(f);
    player.FileName = dir.File(f);
    EXPECT_THROW(player.Open(), EMediaPlayerError);
    EXPECT_THROW(player.Play(), EMediaPlayerError);
  }
}

// An audio driver that does not exist stands for a machine without sound:
// the first sound fails for want of a device, and so does every later one,
// without the audio system being asked again.
TEST_F(MediaPlayer, WithoutADeviceOnlyTheFirstSoundTriesIt) {
  testsupport::WriteFile(dir.File("tone.wav"), Tone());
  setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
  const int triesBefore = TMediaPlayer::DeviceOpenAttempts();
  {
    TMediaPlayer player;
    player.FileName = dir.File("tone.wav");
    for (int i = 0; i < 5; ++i) {
      player.Close();
      EXPECT_THROW(player.Open(), platform::EMediaNoDevice);
      EXPECT_THROW(player.Play(), EMediaPlayerError);
    }
  }
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  EXPECT_EQ(TMediaPlayer::DeviceOpenAttempts() - triesBefore, 1);
}

}  // namespace
