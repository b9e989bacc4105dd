// The programs' sound player: one WAV file at a time, played on the default
// audio device without waiting for it to finish. The audio system and the
// device are opened on the first Open and the device is kept open between
// sounds; a new sound cuts the one still playing (Close empties the queue).
// The device is tried once: when there is none, every Open after that
// fails at once (the audio system's complaints appear once, not per sound).
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace platform {

// Every failure of the player: a missing, unreadable or unplayable file, no
// audio system or no device.
class EMediaPlayerError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// No audio system or no audio device: every later sound fails the same way,
// without the device being tried again.
class EMediaNoDevice : public EMediaPlayerError {
 public:
  using EMediaPlayerError::EMediaPlayerError;
};

class TMediaPlayer {
 public:
  TMediaPlayer() = default;
  virtual ~TMediaPlayer();
  TMediaPlayer(const TMediaPlayer&) = delete;
  TMediaPlayer& operator=(const TMediaPlayer&) = delete;

  // The file Open loads.
  std::string FileName;
  // Kept for the callers that set it; the player never opens by itself.
  bool AutoOpen = false;

  // Stops the sound, empties the device's queue and drops the loaded sound.
  virtual void Close();
  // Loads FileName (a regular file, WAV) and converts it to the device's
  // format; opens the audio system and the device the first time. Throws
  // EMediaPlayerError, EMediaNoDevice when there is no device.
  virtual void Open();
  // Queues the loaded sound and starts the device; returns at once. Throws
  // EMediaPlayerError when nothing is loaded.
  virtual void Play();

  // Bytes still waiting to be played (0 when no device is open).
  std::uint32_t QueuedBytes() const;
  // How many times any player opened an audio device in this process, and
  // how many times one tried to.
  static int DeviceOpenCount();
  static int DeviceOpenAttempts();

 private:
  void OpenDevice();

  std::uint32_t device_ = 0;  // SDL audio device id; 0 when none is open
  bool audioInitialised_ = false;
  std::string deviceFailure_;  // why there is no device; empty while none was refused
  std::string sound_;  // the loaded sound in the device's format
  int deviceFrequency_ = 0;
  std::uint16_t deviceFormat_ = 0;
  int deviceChannels_ = 0;
};

}  // namespace platform
