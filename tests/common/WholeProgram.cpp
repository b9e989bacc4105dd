#include "tests/common/WholeProgram.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/Numbers.h"
#include "tools/scripted-broker/Escape.h"

// 4 in the sanitizer build (set by the build), else 1.
#ifndef GC_BUILD_WAIT_FACTOR
#define GC_BUILD_WAIT_FACTOR 1
#endif

extern char** environ;

namespace wholeprogram {

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// scaledMs from now (the caller has applied the wait factor).
Clock::time_point Deadline(int scaledMs) { return Clock::now() + std::chrono::milliseconds(std::max(0, scaledMs)); }
void Nap(int ms = 10) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::string EnvName(const std::string& entry) { return entry.substr(0, entry.find('=')); }

// This process's environment with the given entries added or replaced.
std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    std::string entry = *e;
    bool replaced = std::any_of(extra.begin(), extra.end(),
                                [&](const std::string& x) { return EnvName(x) == EnvName(entry); });
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> CStrings(std::vector<std::string>& v) {
  std::vector<char*> out;
  for (auto& s : v) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

ExitStatus FromWaitStatus(int st) {
  ExitStatus s;
  if (WIFEXITED(st)) {
    s.exited = true;
    s.code = WEXITSTATUS(st);
  } else if (WIFSIGNALED(st)) {
    s.signal = WTERMSIG(st);
  }
  return s;
}

// Starts a child; fd3, when not -1, becomes the child's descriptor 3.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args, const std::string& workDir,
            const std::string& stdoutFile, const std::string& stderrFile, const std::vector<std::string>& env,
            int fd3) {
  std::error_code ec;
  std::string path = fs::absolute(program, ec).string();  // the child changes folder first
  std::vector<std::string> argv{path};
  argv.insert(argv.end(), args.begin(), args.end());
  // The programs' sounds go to SDL's silent driver unless a test chooses another.
  std::vector<std::string> extra = env;
  if (std::none_of(extra.begin(), extra.end(), [](const std::string& x) { return EnvName(x) == "SDL_AUDIODRIVER"; }))
    extra.push_back("SDL_AUDIODRIVER=dummy");
  std::vector<std::string> envv = MergedEnvironment(extra);
  auto cargv = CStrings(argv);
  auto cenv = CStrings(envv);

  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 1, stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&fa, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd3 >= 0) posix_spawn_file_actions_adddup2(&fa, fd3, 3);
  if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&fa, workDir.c_str());

  // The child starts with no blocked signals and default actions for the
  // ones the test runner may have changed.
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGTERM, SIGINT, SIGPIPE, SIGCHLD, SIGHUP}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &defaults);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  int rc = posix_spawn(&pid, path.c_str(), &fa, &attr, cargv.data(), cenv.data());
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&fa);
  return rc == 0 ? pid : -1;
}

std::string ReadAll(const std::string& path) { return testsupport::Exists(path) ? testsupport::ReadFile(path) : ""; }

// Finds the first line of file that contains text.
bool FindLine(const std::string& file, const std::string& text, std::string* line) {
  std::istringstream in(ReadAll(file));
  std::string l;
  while (std::getline(in, l)) {
    if (l.find(text) != std::string::npos) {
      if (line) *line = l;
      return true;
    }
  }
  return false;
}

// Reads a line such as "listening on 127.0.0.1:40123" as the port.
int PortFromListeningLine(const std::string& line) {
  size_t colon = line.rfind(':');
  if (colon == std::string::npos) return 0;
  return std::atoi(line.c_str() + colon + 1);
}

}  // namespace

// ------------------------------------------------------------- wait factor

namespace {
// A value of GC_WAIT_FACTOR that counts: a number from 1 to 100.
bool ValidWaitFactor(const char* text, double& f) { return platform::ParseDouble(text, f) && f >= 1 && f <= 100; }
}  // namespace

double WaitFactorFor(const char* gcWaitFactor) {
  double f = 1;
  if (!gcWaitFactor || !ValidWaitFactor(gcWaitFactor, f)) f = 1;
  return GC_BUILD_WAIT_FACTOR * f;
}

double WaitFactor() {
  static const double factor = [] {
    const char* text = std::getenv("GC_WAIT_FACTOR");
    double f = 1;
    if (text && *text && !ValidWaitFactor(text, f))
      std::fprintf(stderr, "GC_WAIT_FACTOR=%s ignored: not a number from 1 to 100\n", text);
    return WaitFactorFor(text);
  }();
  return factor;
}

int Scaled(int ms) { return ms <= 0 ? 0 : platform::SafeTrunc(std::ceil(ms * WaitFactor())); }

void Pause(int ms) { Nap(Scaled(ms)); }

bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int pollMs) {
  auto end = Deadline(Scaled(timeoutMs));
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= end) return false;
    Nap(std::max(1, pollMs));
  }
}

// ------------------------------------------------------------ ChildProcess

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !status_) Terminate(3000);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& stdoutFile, const std::string& stderrFile,
                         const std::vector<std::string>& env) {
  return StartWithFd3(program, args, workDir, stdoutFile, stderrFile, env, -1);
}

bool ChildProcess::StartWithFd3(const std::string& program, const std::vector<std::string>& args,
                                const std::string& workDir, const std::string& stdoutFile,
                                const std::string& stderrFile, const std::vector<std::string>& env, int fd3) {
  if (pid_ > 0 && !status_) return false;  // one child at a time
  status_.reset();
  pid_ = Spawn(program, args, workDir, stdoutFile, stderrFile, env, fd3);
  return pid_ > 0;
}

bool ChildProcess::Running() {
  if (pid_ <= 0 || status_) return false;
  int st = 0;
  pid_t r = ::waitpid(pid_, &st, WNOHANG);
  if (r == pid_) status_ = FromWaitStatus(st);
  return !status_;
}

ExitStatus ChildProcess::Wait(int timeoutMs) {
  if (pid_ <= 0) return {};
  if (!WaitUntil([&] { return !Running(); }, timeoutMs, 5)) {
    ExitStatus s;
    s.timedOut = true;
    return s;
  }
  return *status_;
}

ExitStatus ChildProcess::Terminate(int timeoutMs) {
  if (pid_ <= 0) return {};
  if (!Running()) return *status_;
  ::kill(pid_, SIGTERM);
  ExitStatus s = Wait(timeoutMs);
  if (!s.timedOut) return s;
  ::kill(pid_, SIGKILL);
  s = Wait(5000);
  s.timedOut = true;
  if (status_) status_->timedOut = true;
  return s;
}

// ----------------------------------------------------------- ScriptedBroker

bool ScriptedBroker::Start(const std::string& scenarioFile, const std::string& recordFile,
                           const std::vector<std::string>& extraArgs, int timeoutMs) {
  recordFile_ = recordFile.empty() ? dir_.File("record.txt") : recordFile;
  std::vector<std::string> args{"--port", "0", "--record", recordFile_};
  if (!scenarioFile.empty()) {
    args.push_back("--scenario");
    args.push_back(scenarioFile);
  }
  args.insert(args.end(), extraArgs.begin(), extraArgs.end());
  std::string out = dir_.File("stdout.txt");
  if (!process_.Start(testsupport::StageDir() + "/scripted-broker", args, dir_.Path(), out, dir_.File("stderr.txt")))
    return false;
  std::string line;
  bool listening = false;
  WaitUntil(
      [&] {
        listening = FindLine(out, "listening on 127.0.0.1:", &line);
        return listening || !process_.Running();
      },
      timeoutMs, 10);
  if (!listening) return false;
  port_ = PortFromListeningLine(line);
  return port_ > 0;
}

std::vector<std::string> ScriptedBroker::ClientRecords(int client) const {
  std::vector<std::string> records;
  std::istringstream in(ReadAll(recordFile_));
  std::string line;
  while (std::getline(in, line)) {
    int id = 0;
    std::string bytes;
    if (ParseRecordLine(line, id, bytes) && id == client) records.push_back(bytes);
  }
  return records;
}

std::string ScriptedBroker::Log() const { return ReadAll(dir_.File("stderr.txt")); }

ExitStatus ScriptedBroker::Stop(int timeoutMs) { return process_.Terminate(timeoutMs); }

bool ParseRecordLine(const std::string& line, int& client, std::string& bytes) {
  if (line.rfind("client", 0) != 0) return false;
  size_t sp = line.find(' ');
  if (sp == std::string::npos || sp == 6) return false;
  int id = 0;
  for (size_t i = 6; i < sp; ++i) {
    if (line[i] < '0' || line[i] > '9' || id > 1000000) return false;
    id = id * 10 + (line[i] - '0');
  }
  if (!broker::UnescapeBytes(std::string_view(line).substr(sp + 1), bytes)) return false;
  client = id;
  return true;
}

std::string BrokerConfig(int port) {
  return "[TCP/IP Settings]\nIPAdress=127.0.0.1\nIPPort=" + std::to_string(port) + "\n";
}

// ------------------------------------------------------------------ Program

Program::Program(const std::string& program, const std::optional<std::string>& configIni, bool linkStagedAssets) {
  folder_ = dir_.File("program");
  std::string source = program.find('/') == std::string::npos ? testsupport::StageDir() + "/" + program : program;
  std::error_code ec;
  fs::create_directories(folder_, ec);
  // A copy, not a link: the program finds its folder from its own path.
  executable_ = folder_ + "/" + fs::path(source).filename().string();
  if (!fs::copy_file(source, executable_, fs::copy_options::overwrite_existing, ec)) {
    error_ = "cannot copy " + source + ": " + ec.message();
    return;
  }
  fs::permissions(executable_, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
  for (const char* sub : {"bitmaps", "audio", "data"}) {
    std::string target = folder_ + "/" + sub;
    fs::create_directories(target, ec);
    std::string staged = testsupport::StageDir() + "/" + sub;
    if (!linkStagedAssets || !fs::is_directory(staged, ec)) continue;
    for (const auto& entry : fs::directory_iterator(staged, ec)) {
      std::error_code linkError;
      fs::create_symlink(fs::absolute(entry.path()), target + "/" + entry.path().filename().string(), linkError);
    }
  }
  if (configIni) testsupport::WriteFile(folder_ + "/config.ini", *configIni);
}

Program::~Program() { process_.Terminate(5000); }

bool Program::Start(const std::vector<std::string>& args, const std::string& display,
                    const std::vector<std::string>& env) {
  if (!Ready()) return false;
  std::vector<std::string> all = env;
  if (!display.empty()) all.push_back("DISPLAY=" + display);
  return process_.Start(executable_, args, folder_, StdoutFile(), StderrFile(), all);
}

// -------------------------------------------------------------------- files

bool WaitForLine(const std::string& file, const std::string& text, int timeoutMs, std::string* line) {
  return WaitUntil([&] { return FindLine(file, text, line); }, timeoutMs);
}

int CountLines(const std::string& file, const std::string& text) {
  std::istringstream in(ReadAll(file));
  std::string l;
  int n = 0;
  while (std::getline(in, l))
    if (l.find(text) != std::string::npos) ++n;
  return n;
}

// ------------------------------------------------------------------ XServer

XServer::~XServer() { process_.Terminate(5000); }

bool XServer::Start(int width, int height, int timeoutMs) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  // -noreset: without it the server resets when its last client goes (the
  // check below, a screenshot) and refuses the program that connects then.
  bool started = process_.StartWithFd3(
      "/usr/bin/Xvfb", {"-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, dir_.Path(),
      dir_.File("xvfb.out"), dir_.File("xvfb.err"), {}, fds[1]);
  ::close(fds[1]);
  std::string number;
  auto end = Deadline(Scaled(timeoutMs));
  while (started && Clock::now() < end) {
    pollfd p{fds[0], POLLIN, 0};
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
    if (::poll(&p, 1, std::max(1, left)) <= 0) continue;
    char c = 0;
    if (::read(fds[0], &c, 1) != 1) break;  // Xvfb ended
    if (c == '\n') break;
    if (c >= '0' && c <= '9' && number.size() < 6) number.push_back(c);
  }
  ::close(fds[0]);
  if (number.empty()) {
    process_.Terminate(2000);
    return false;
  }
  display_ = ":" + number;
  if (HaveDisplay(display_)) return true;
  display_.clear();
  process_.Terminate(2000);
  return false;
}

// ---------------------------------------------------------------------- X11

namespace {

// An open X connection for one call; X errors are counted, never fatal.
int g_xErrors = 0;
int CountXError(Display*, XErrorEvent*) {
  ++g_xErrors;
  return 0;
}

class XConnection {
 public:
  explicit XConnection(const std::string& display) {
    if (display.empty() && !std::getenv("DISPLAY")) return;
    dpy_ = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (dpy_) previous_ = XSetErrorHandler(CountXError);
    g_xErrors = 0;
  }
  ~XConnection() {
    if (!dpy_) return;
    XSync(dpy_, False);
    XSetErrorHandler(previous_);
    XCloseDisplay(dpy_);
  }
  XConnection(const XConnection&) = delete;
  XConnection& operator=(const XConnection&) = delete;
  Display* operator*() const { return dpy_; }
  explicit operator bool() const { return dpy_ != nullptr; }
  // True when no X error came since the last call.
  bool Clean() {
    XSync(dpy_, False);
    bool ok = g_xErrors == 0;
    g_xErrors = 0;
    return ok;
  }

 private:
  Display* dpy_ = nullptr;
  int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

std::string WindowTitle(Display* dpy, Window w) {
  std::string title;
  Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(dpy, w, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success &&
      data && type == utf8 && format == 8)
    title.assign(reinterpret_cast<char*>(data), count);
  if (data) XFree(data);
  if (!title.empty()) return title;
  char* name = nullptr;
  if (XFetchName(dpy, w, &name) && name) title = name;
  if (name) XFree(name);
  return title;
}

long WindowPid(Display* dpy, Window w) {
  Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = 0;
  if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data && format == 32 && count == 1)
    pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return pid;
}

bool Viewable(Display* dpy, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// Searches the window tree (top levels and, under a window manager, their
// frames' children) for a titled window.
Window Search(Display* dpy, Window w, const std::string& title, pid_t pid, int depth) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(dpy, w, &root, &parent, &children, &n)) return 0;
  Window found = 0;
  for (unsigned i = n; i-- > 0 && !found;) {  // topmost first
    Window c = children[i];
    std::string t = WindowTitle(dpy, c);
    bool titled = !t.empty() && (title.empty() || t == title);
    if (titled && (pid == 0 || WindowPid(dpy, c) == pid) && Viewable(dpy, c))
      found = c;
    else if (depth < 2)
      found = Search(dpy, c, title, pid, depth + 1);
  }
  if (children) XFree(children);
  return found;
}

int Shift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) {
    mask >>= 1;
    ++s;
  }
  return s;
}
uint8_t Channel(unsigned long pixel, unsigned long mask) {
  if (!mask) return 0;
  unsigned long v = (pixel & mask) >> Shift(mask);
  unsigned long max = mask >> Shift(mask);
  return static_cast<uint8_t>(v * 255 / max);
}

}  // namespace

bool HaveDisplay(const std::string& display) {
  XConnection x(display);
  return static_cast<bool>(x);
}

Rgb Image::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return {};
  size_t i = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 3;
  return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

int Image::CountColour(int x0, int y0, int x1, int y1, Rgb c, int tol) const {
  int n = 0;
  for (int y = std::max(0, y0); y <= std::min(y1, height - 1); ++y)
    for (int x = std::max(0, x0); x <= std::min(x1, width - 1); ++x) {
      Rgb p = Pixel(x, y);
      if (std::abs(p.r - c.r) <= tol && std::abs(p.g - c.g) <= tol && std::abs(p.b - c.b) <= tol) ++n;
    }
  return n;
}

bool Image::SavePng(const std::string& path) const {
  if (!Valid()) return false;
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      Rgb p = Pixel(x, y);
      size_t o = (static_cast<size_t>(height - 1 - y) * width + static_cast<size_t>(x)) * 4;
      rgba[o] = p.r;
      rgba[o + 1] = p.g;
      rgba[o + 2] = p.b;
      rgba[o + 3] = 255;
    }
  return testsupport::WritePng(path, width, height, rgba);
}

bool WindowGeometry(unsigned long window, int& x, int& y, int& width, int& height, const std::string& display) {
  XConnection x11(display);
  if (!x11) return false;
  Display* dpy = *x11;
  XWindowAttributes a;
  Window child = 0;
  if (!XGetWindowAttributes(dpy, window, &a) ||
      !XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), 0, 0, &x, &y, &child) || !x11.Clean())
    return false;
  width = a.width;
  height = a.height;
  return true;
}

bool Screenshot(Image& out, unsigned long window, const std::string& display) {
  XConnection x11(display);
  if (!x11) return false;
  Display* dpy = *x11;
  Window root = DefaultRootWindow(dpy);
  int sw = DisplayWidth(dpy, DefaultScreen(dpy)), sh = DisplayHeight(dpy, DefaultScreen(dpy));
  int x = 0, y = 0, w = sw, h = sh;
  if (window) {
    XWindowAttributes a;
    Window child = 0;
    if (!XGetWindowAttributes(dpy, window, &a) || !XTranslateCoordinates(dpy, window, root, 0, 0, &x, &y, &child) ||
        !x11.Clean())
      return false;
    w = a.width;
    h = a.height;
  }
  // What is on screen there, clipped to the screen.
  int cx0 = std::max(0, x), cy0 = std::max(0, y), cx1 = std::min(sw, x + w), cy1 = std::min(sh, y + h);
  if (cx1 <= cx0 || cy1 <= cy0) return false;
  XImage* img = XGetImage(dpy, root, cx0, cy0, static_cast<unsigned>(cx1 - cx0), static_cast<unsigned>(cy1 - cy0),
                          AllPlanes, ZPixmap);
  if (!img || !x11.Clean()) {
    if (img) XDestroyImage(img);
    return false;
  }
  out.width = w;
  out.height = h;
  out.rgb.assign(static_cast<size_t>(w) * h * 3, 0);
  for (int iy = 0; iy < cy1 - cy0; ++iy)
    for (int ix = 0; ix < cx1 - cx0; ++ix) {
      unsigned long p = XGetPixel(img, ix, iy);
      size_t o = (static_cast<size_t>(iy + cy0 - y) * w + static_cast<size_t>(ix + cx0 - x)) * 3;
      out.rgb[o] = Channel(p, img->red_mask);
      out.rgb[o + 1] = Channel(p, img->green_mask);
      out.rgb[o + 2] = Channel(p, img->blue_mask);
    }
  XDestroyImage(img);
  return true;
}

unsigned long FindWindow(const std::string& title, int timeoutMs, pid_t pid, const std::string& display) {
  XConnection x11(display);
  if (!x11) return 0;
  Window w = 0;
  WaitUntil(
      [&] {
        w = Search(*x11, DefaultRootWindow(*x11), title, pid, 0);
        x11.Clean();  // a window that vanished while being looked at
        return w != 0;
      },
      timeoutMs);
  return w;
}

bool SendKey(unsigned long window, const std::string& keysym, unsigned modifiers, const std::string& display) {
  XConnection x11(display);
  if (!x11 || !window) return false;
  Display* dpy = *x11;
  KeySym sym = XStringToKeysym(keysym.c_str());
  KeyCode code = sym == NoSymbol ? 0 : XKeysymToKeycode(dpy, sym);
  if (!code) return false;
  XKeyEvent e{};
  e.display = dpy;
  e.window = window;
  e.root = DefaultRootWindow(dpy);
  e.subwindow = None;
  e.time = CurrentTime;
  e.same_screen = True;
  e.keycode = code;
  // Keys such as "M" or "plus" sit in the shifted column of their key.
  if (XLookupKeysym(&e, 0) != sym && XLookupKeysym(&e, 1) == sym) modifiers |= ShiftMask;
  e.state = modifiers;
  XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
  e.type = KeyPress;
  XSendEvent(dpy, window, True, KeyPressMask, reinterpret_cast<XEvent*>(&e));
  e.type = KeyRelease;
  XSendEvent(dpy, window, True, KeyReleaseMask, reinterpret_cast<XEvent*>(&e));
  return x11.Clean();
}

}  // namespace wholeprogram
