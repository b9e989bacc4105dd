// A stand-in program for the tests of the whole-program helpers: one
// platform window with the given title, filled with one colour, that logs
// its working folder, its arguments and every key it receives.
//   window-fixture <title> <rrggbb> <log file> [args...]
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/GLForm.h"
#include "platform/Signals.h"

namespace {
std::ofstream g_log;
void Log(const std::string& line) {
  g_log << line << '\n';
  g_log.flush();
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  g_log.open(argv[3], std::ios::app);
  unsigned long rgb = std::strtoul(argv[2], nullptr, 16);
  char cwd[4096] = "";
  if (!::getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
  Log(std::string("cwd ") + cwd);
  for (int i = 4; i < argc; ++i) Log(std::string("arg ") + argv[i]);

  platform::GLForm form(40, 60, 320, 240, argv[1]);
  bool painted = false;
  form.OnPaint = [&] {
    glClearColor(((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    form.SwapBuffers();
    if (!painted) Log("painted");
    painted = true;
  };
  form.OnKeyDown = [](int key, int state) {
    Log("keydown " + std::to_string(key) + " " + std::to_string(state));
    return false;
  };
  form.OnKeyPress = [](char c) {
    Log(std::string("key ") + c);
    return true;
  };
  platform::InstallQuitSignals([&] {
    Log("quit");
    form.Close();
  });
  form.Show();
  platform::RunMessageLoop();
  return 0;
}
