// Writes the four alert sounds into the given "audio" folder. When a
// speech synthesiser was found at build time it speaks each alert;
// otherwise, or when it fails, the sound is a tone pattern.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/make-sounds/SoundWriter.h"

extern char** environ;

namespace {

[[maybe_unused]] bool ReadAll(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream ss;
  ss << in.rdbuf();
  out = ss.str();
  return true;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

// The synthesiser speaks words into a WAV file; it is started directly,
// without a shell, so the words are never interpreted.
bool Speak([[maybe_unused]] const std::string& words, [[maybe_unused]] const std::string& wavPath,
           [[maybe_unused]] sounds::Samples& out) {
#ifdef GC_ESPEAK_NG
  const std::string program = GC_ESPEAK_NG;
  std::string speed = "150";
  const char* argv[] = {program.c_str(), "-s", speed.c_str(), "-w", wavPath.c_str(), words.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  std::string bytes;
  const bool read = ReadAll(wavPath, bytes);
  std::remove(wavPath.c_str());
  return read && sounds::DecodeWav16(bytes, out) && !out.empty();
#else
  return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sounds <audio folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  const auto& all = sounds::AlertSounds();
  for (int i = 0; i < static_cast<int>(all.size()); ++i) {
    const std::string path = folder + "/" + all[i].file;
    sounds::Samples samples;
    if (!Speak(all[i].words, path + ".speech", samples)) samples = sounds::TonePattern(i);
    sounds::FitLength(samples, 0.5, 2.9);
    if (!WriteAll(path, sounds::WavBytes(samples))) {
      std::fprintf(stderr, "make-sounds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
