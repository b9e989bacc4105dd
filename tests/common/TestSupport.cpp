#include "tests/common/TestSupport.h"

#include <GL/gl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace testsupport {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "gc-test-XXXXXX").string();
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (!::mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
  path_ = buf.data();
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  // A program folder links the staged files: a test's own file replaces
  // the link, never writes through it into the staged folder.
  std::error_code ec;
  if (std::filesystem::is_symlink(path, ec)) std::filesystem::remove(path, ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

void MakeDirs(const std::string& path) { std::filesystem::create_directories(path); }

platform::OffscreenGL& GLTest::Context() {
  // Kept for the life of the process and never torn down: the driver's
  // memory stays reachable, so the leak checker reports only our own.
  static platform::OffscreenGL* ctx = new platform::OffscreenGL(kSize, kSize);
  return *ctx;
}

void GLTest::SetUp() {
  auto& ctx = Context();
  ASSERT_TRUE(ctx.Valid()) << ctx.Error();
  ctx.MakeCurrent();
  glViewport(0, 0, kSize, kSize);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_DEPTH_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glClearColor(0, 0, 0, 1);
  glClearStencil(0);
  glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  pixels_.clear();
}

void GLTest::ReadBack() { pixels_ = Context().ReadPixels(); }

Rgba GLTest::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= kSize || y >= kSize || pixels_.empty()) return {0, 0, 0, 0};
  size_t i = (static_cast<size_t>(y) * kSize + static_cast<size_t>(x)) * 4;
  return {pixels_[i], pixels_[i + 1], pixels_[i + 2], pixels_[i + 3]};
}

int GLTest::CountColour(int x0, int y0, int x1, int y1, Rgba c, int tol) const {
  int n = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      Rgba p = Pixel(x, y);
      if (std::abs(p.r - c.r) <= tol && std::abs(p.g - c.g) <= tol && std::abs(p.b - c.b) <= tol) ++n;
    }
  return n;
}

void GLTest::SavePng(const std::string& name) const {
  std::string dir = BinaryDir() + "/test-frames";
  MakeDirs(dir);
  WritePng(dir + "/" + name + ".png", kSize, kSize, pixels_);
}

namespace {
uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0xffffffffu) {
  static uint32_t table[256];
  static bool init = false;
  if (!init) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    init = true;
  }
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
  return crc;
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void Chunk(std::string& out, const char* type, const std::string& data) {
  Put32(out, static_cast<uint32_t>(data.size()));
  std::string td = std::string(type, 4) + data;
  out += td;
  Put32(out, Crc(reinterpret_cast<const uint8_t*>(td.data()), td.size()) ^ 0xffffffffu);
}
}  // namespace

bool WritePng(const std::string& path, int w, int h, const std::vector<uint8_t>& rgba) {
  if (rgba.size() < static_cast<size_t>(w) * h * 4) return false;
  std::string raw;
  for (int y = h - 1; y >= 0; --y) {  // PNG rows run top to bottom
    raw.push_back(0);
    raw.append(reinterpret_cast<const char*>(&rgba[static_cast<size_t>(y) * w * 4]),
               static_cast<size_t>(w) * 4);
  }
  // zlib stream of stored blocks.
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  for (size_t pos = 0; pos < raw.size() || pos == 0;) {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + n >= raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<char>(n & 0xff));
    z.push_back(static_cast<char>(n >> 8));
    z.push_back(static_cast<char>(~n & 0xff));
    z.push_back(static_cast<char>((~n >> 8) & 0xff));
    z.append(raw, pos, n);
    pos += n;
    if (last) break;
  }
  Put32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  Put32(ihdr, static_cast<uint32_t>(w));
  Put32(ihdr, static_cast<uint32_t>(h));
  ihdr += std::string("\x08\x06\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << png;
  return static_cast<bool>(out);
}

static std::string Env(const char* name, const char* def) {
  const char* v = std::getenv(name);
  return v ? v : def;
}
// The build folder is fixed when the tests are built; the environment may
// point elsewhere (a copy of the build).
std::string BinaryDir() { return Env("GC_BINARY_DIR", GC_BINARY_DIR); }
std::string StageDir() { return BinaryDir() + "/bin"; }
std::string SourceDir() { return GC_SOURCE_DIR; }

}  // namespace testsupport
