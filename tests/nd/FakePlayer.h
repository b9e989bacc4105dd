// A sound player for the alert tests: it records what it is asked to do and
// can fail on Open (a bad file, or no sound device) or Play.
#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/MediaPlayer.h"

namespace ndtest {

class FakePlayer : public platform::TMediaPlayer {
 public:
  void Close() override { calls.push_back("Close"); }
  void Open() override {
    calls.push_back("Open " + FileName);
    if (noDevice) throw platform::EMediaNoDevice("no device");
    if (failOpen) throw platform::EMediaPlayerError("bad file");
  }
  void Play() override {
    calls.push_back("Play");
    if (failPlay) throw std::runtime_error("no device");
  }
  // The sounds opened, relative to the folder.
  std::vector<std::string> Opened(const std::string& folder) const {
    std::vector<std::string> out;
    for (const std::string& c : calls)
      if (c.rfind("Open ", 0) == 0) out.push_back(c.substr(5 + folder.size()));
    return out;
  }
  std::vector<std::string> calls;
  bool failOpen = false, failPlay = false, noDevice = false;
};

}  // namespace ndtest
