#include "tools/make-sounds/SoundWriter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "platform/Numbers.h"

namespace sounds {

namespace {

void Put16(std::string& s, std::uint16_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}

void Put32(std::string& s, std::uint32_t v) {
  Put16(s, static_cast<std::uint16_t>(v & 0xFFFF));
  Put16(s, static_cast<std::uint16_t>(v >> 16));
}

std::uint32_t Get32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

std::uint16_t Get16(const std::string& s, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(s[at]) |
                                    (static_cast<unsigned char>(s[at + 1]) << 8));
}

// Appends seconds of a tone whose frequency glides from f0 to f1, with
// 5 ms fades at both ends so that no tone clicks.
void Tone(Samples& out, double seconds, double f0, double f1, double amplitude = 0.5) {
  const int n = platform::SafeRound(seconds * kRate);
  const int fade = kRate / 200;
  double phase = 0;
  for (int i = 0; i < n; ++i) {
    const double f = f0 + (f1 - f0) * i / std::max(1, n - 1);
    phase += 2 * std::numbers::pi * f / kRate;
    double envelope = 1;
    if (i < fade) envelope = static_cast<double>(i) / fade;
    if (n - 1 - i < fade) envelope = std::min(envelope, static_cast<double>(n - 1 - i) / fade);
    out.push_back(static_cast<std::int16_t>(platform::SafeRound(32767 * amplitude * envelope * std::sin(phase))));
  }
}

void Silence(Samples& out, double seconds) {
  out.insert(out.end(), static_cast<std::size_t>(std::max(0, platform::SafeRound(seconds * kRate))), 0);
}

}  // namespace

const std::vector<AlertSound>& AlertSounds() {
  static const std::vector<AlertSound> all = {
      {"TrafficTraffic.wav", "Traffic, traffic"},
      {"CautionTerrain.wav", "Caution, terrain"},
      {"TerrainPullUp.wav", "Terrain, terrain, pull up"},
      {"C09.WAV", "Too low, terrain"},
  };
  return all;
}

std::string WavBytes(const Samples& samples, int rate) {
  const std::uint32_t data = static_cast<std::uint32_t>(samples.size() * 2);
  std::string s;
  s.reserve(44 + data);
  s += "RIFF";
  Put32(s, 36 + data);
  s += "WAVEfmt ";
  Put32(s, 16);
  Put16(s, 1);  // PCM
  Put16(s, 1);  // mono
  Put32(s, static_cast<std::uint32_t>(rate));
  Put32(s, static_cast<std::uint32_t>(rate) * 2);
  Put16(s, 2);   // block align
  Put16(s, 16);  // bits per sample
  s += "data";
  Put32(s, data);
  for (std::int16_t v : samples) Put16(s, static_cast<std::uint16_t>(v));
  return s;
}

bool DecodeWav16(const std::string& bytes, Samples& out) {
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
  int channels = 0, rate = 0, bits = 0, format = 0;
  std::size_t dataAt = 0, dataSize = 0;
  // Chunks, each at an even offset; a size beyond the file is cut to it
  // (a synthesiser writing to a pipe leaves the sizes open).
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    std::size_t size = Get32(bytes, at + 4);
    size = std::min(size, bytes.size() - (at + 8));
    if (id == "fmt " && size >= 16) {
      format = Get16(bytes, at + 8);
      channels = Get16(bytes, at + 10);
      rate = static_cast<int>(Get32(bytes, at + 12));
      bits = Get16(bytes, at + 22);
    } else if (id == "data") {
      dataAt = at + 8;
      dataSize = size;
      break;
    }
    at += 8 + size + (size & 1);
  }
  if (format != 1 || bits != 16 || channels < 1 || channels > 8 || rate < 1000 || rate > 192000 || dataAt == 0)
    return false;
  const std::size_t frames = dataSize / (2u * static_cast<std::size_t>(channels));
  std::vector<double> mono(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    double sum = 0;
    for (int c = 0; c < channels; ++c)
      sum += static_cast<std::int16_t>(Get16(bytes, dataAt + 2 * (i * channels + c)));
    mono[i] = sum / channels;
  }
  out.clear();
  if (frames == 0) return true;
  const std::size_t n = frames * kRate / static_cast<std::size_t>(rate);
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const double x = static_cast<double>(i) * rate / kRate;
    const std::size_t k = std::min(static_cast<std::size_t>(std::max(0, platform::SafeTrunc(x))), frames - 1);
    const double frac = x - static_cast<double>(k);
    const double v = k + 1 < frames ? mono[k] * (1 - frac) + mono[k + 1] * frac : mono[k];
    out.push_back(static_cast<std::int16_t>(platform::SafeRound(std::clamp(v, -32768.0, 32767.0))));
  }
  return true;
}

Samples TonePattern(int index) {
  Samples s;
  switch (index) {
    case 0:  // double chirps, twice
      for (int k = 0; k < 2; ++k) {
        Tone(s, 0.12, 600, 1400);
        Silence(s, 0.06);
        Tone(s, 0.12, 600, 1400);
        Silence(s, 0.25);
      }
      break;
    case 1:  // three beeps
      for (int k = 0; k < 3; ++k) {
        Tone(s, 0.15, 900, 900);
        Silence(s, 0.1);
      }
      break;
    case 2:  // fast two-tone warble
      for (int k = 0; k < 20; ++k) Tone(s, 0.06, k % 2 ? 1100 : 700, k % 2 ? 1100 : 700);
      Silence(s, 0.1);
      break;
    default:  // long low pair
      Tone(s, 0.5, 300, 300);
      Silence(s, 0.15);
      Tone(s, 0.5, 250, 250);
      Silence(s, 0.1);
      break;
  }
  return s;
}

void FitLength(Samples& samples, double minSeconds, double maxSeconds) {
  const auto minN = static_cast<std::size_t>(std::max(0, platform::SafeTrunc(minSeconds * kRate)));
  const auto maxN = static_cast<std::size_t>(std::max(0, platform::SafeTrunc(maxSeconds * kRate)));
  if (samples.size() < minN) samples.resize(minN, 0);
  if (samples.size() > maxN) {
    samples.resize(maxN);
    const std::size_t fade = std::min<std::size_t>(kRate / 50, maxN);
    for (std::size_t i = 0; i < fade; ++i) {
      std::int16_t& v = samples[maxN - 1 - i];
      v = static_cast<std::int16_t>(platform::SafeTrunc(v * static_cast<double>(i) / fade));
    }
  }
}

}  // namespace sounds
