#include "platform/MediaPlayer.h"

#include <SDL.h>

#include <cstring>

#include "platform/RegularFile.h"

namespace platform {

namespace {

int deviceOpens = 0, deviceAttempts = 0;
// A sound file larger than this is not a short alert and is refused.
constexpr std::size_t kMaxSoundFileBytes = 8u << 20;

}  // namespace

TMediaPlayer::~TMediaPlayer() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (audioInitialised_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void TMediaPlayer::OpenDevice() {
  if (device_ != 0) return;
  if (!deviceFailure_.empty()) throw EMediaNoDevice(deviceFailure_);
  ++deviceAttempts;
  if (!audioInitialised_) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      deviceFailure_ = std::string("No audio system: ") + SDL_GetError();
      throw EMediaNoDevice(deviceFailure_);
    }
    audioInitialised_ = true;
  }
  SDL_AudioSpec want{};
  want.freq = 22050;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 1024;
  want.callback = nullptr;  // sounds are queued
  SDL_AudioSpec have{};
  const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_ANY_CHANGE);
  if (id == 0) {
    deviceFailure_ = std::string("No audio device: ") + SDL_GetError();
    throw EMediaNoDevice(deviceFailure_);
  }
  device_ = id;
  ++deviceOpens;
  deviceFrequency_ = have.freq;
  deviceFormat_ = have.format;
  deviceChannels_ = have.channels;
}

void TMediaPlayer::Close() {
  if (device_ != 0) {
    SDL_PauseAudioDevice(device_, 1);
    SDL_ClearQueuedAudio(device_);
  }
  sound_.clear();
}

void TMediaPlayer::Open() {
  sound_.clear();
  std::string bytes;
  switch (ReadRegularFile(FileName, bytes, kMaxSoundFileBytes)) {
    case ReadResult::Ok: break;
    case ReadResult::Missing: throw EMediaPlayerError("Sound file not found: " + FileName);
    case ReadResult::TooLarge: throw EMediaPlayerError("Sound file too large: " + FileName);
    default: throw EMediaPlayerError("Sound file not readable: " + FileName);
  }
  OpenDevice();
  SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  if (rw == nullptr) throw EMediaPlayerError(std::string("Sound file not loaded: ") + SDL_GetError());
  SDL_AudioSpec spec{};
  Uint8* buffer = nullptr;
  Uint32 length = 0;
  if (SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length) == nullptr)
    throw EMediaPlayerError("Not a playable WAV file: " + FileName + ": " + SDL_GetError());
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, deviceFormat_,
                        static_cast<Uint8>(deviceChannels_), deviceFrequency_) < 0) {
    SDL_FreeWAV(buffer);
    throw EMediaPlayerError("Sound format not supported: " + FileName);
  }
  std::string converted;
  if (cvt.needed) {
    converted.resize(static_cast<std::size_t>(length) * static_cast<std::size_t>(cvt.len_mult));
    std::memcpy(converted.data(), buffer, length);
    cvt.buf = reinterpret_cast<Uint8*>(converted.data());
    cvt.len = static_cast<int>(length);
    const int rc = SDL_ConvertAudio(&cvt);
    SDL_FreeWAV(buffer);
    if (rc != 0) throw EMediaPlayerError("Sound not converted: " + FileName);
    converted.resize(static_cast<std::size_t>(cvt.len_cvt));
  } else {
    converted.assign(reinterpret_cast<const char*>(buffer), length);
    SDL_FreeWAV(buffer);
  }
  sound_ = std::move(converted);
}

void TMediaPlayer::Play() {
  if (device_ == 0 || sound_.empty()) throw EMediaPlayerError("No sound loaded");
  if (SDL_QueueAudio(device_, sound_.data(), static_cast<Uint32>(sound_.size())) != 0)
    throw EMediaPlayerError(std::string("Sound not queued: ") + SDL_GetError());
  SDL_PauseAudioDevice(device_, 0);
}

std::uint32_t TMediaPlayer::QueuedBytes() const {
  return device_ != 0 ? SDL_GetQueuedAudioSize(device_) : 0;
}

int TMediaPlayer::DeviceOpenCount() { return deviceOpens; }
int TMediaPlayer::DeviceOpenAttempts() { return deviceAttempts; }

}  // namespace platform
