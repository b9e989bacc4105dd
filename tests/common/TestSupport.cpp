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
  // What a test before may have left: every frame starts as the first
  // frame of a new context, whatever ran before it in the process.
  glLineWidth(1);
  glDisable(GL_LINE_SMOOTH);
  glDisable(GL_BLEND);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glColor4f(1, 1, 1, 1);
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

void GLTest::ExpectPicture(const std::string& name, PictureTolerance tol) const {
  EXPECT_TRUE(MatchesReference(name, kSize, kSize, pixels_, tol));
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
