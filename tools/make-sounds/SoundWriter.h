// The programs' alert sounds: 16-bit PCM mono WAV files at 22,050 Hz,
// either spoken by a speech synthesiser or made of tone patterns.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace sounds {

inline constexpr int kRate = 22050;
using Samples = std::vector<std::int16_t>;

struct AlertSound {
  const char* file;   // name inside the "audio" folder
  const char* words;  // what a synthesiser says
};
// The four alert sounds.
const std::vector<AlertSound>& AlertSounds();

// A complete WAV file (RIFF, "fmt " PCM mono 16-bit, "data") of samples.
std::string WavBytes(const Samples& samples, int rate = kRate);

// Reads a 16-bit PCM WAV file of any rate and channel count as mono at
// kRate (channels averaged, linear resampling). False for anything else.
bool DecodeWav16(const std::string& bytes, Samples& out);

// The tone pattern of the sound at index (the order of AlertSounds):
// double chirps, three beeps, a fast two-tone warble, a long low pair.
Samples TonePattern(int index);

// Pads a sound with silence to at least minSeconds and cuts it (with a
// short fade) to at most maxSeconds.
void FitLength(Samples& samples, double minSeconds, double maxSeconds);

}  // namespace sounds
