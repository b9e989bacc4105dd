#define GL_GLEXT_PROTOTYPES 1
#include "support/opengl/CgTextCache.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace cgtext {

namespace {

constexpr int kAtlasWidth = 1024, kAtlasHeight = 512;
// Pixels around a string's glyph box that its smoothed edges may reach.
constexpr int kMargin = 2;
// Frames a stored string is kept while it is not drawn (a blinking
// annunciation comes back before that).
constexpr std::uint64_t kKeepFrames = 120;
// Steps of a pixel in which the place of a kept string counts as the same.
constexpr double kPhaseSteps = 64;
// Origins further out than this are not worth a pixel box.
constexpr double kFarOut = 1e6;

bool HasExtension(const char* name) {
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  if (extensions == nullptr) return false;
  const std::size_t n = std::strlen(name);
  for (const char* p = std::strstr(extensions, name); p != nullptr; p = std::strstr(p + 1, name))
    if ((p == extensions || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  return false;
}

// Framebuffer objects to draw into the atlas, and the choice of the
// window's origin: the software renderer keeps a window's rows top down,
// and only glyphs drawn into the atlas the same way up meet the pixel
// grid exactly as they would in the window (thin slivers of the glyph
// triangles otherwise come out a pixel different).
bool HasWhatTheAtlasNeeds() {
  return HasExtension("GL_ARB_framebuffer_object") && HasExtension("GL_ARB_clip_control");
}

// True when drawing a string's coverage in one go leaves the same pixels
// as drawing its edges one by one: source-alpha-over blending and nothing
// that keeps or alters fragments by anything but their place.
bool StateAllowsCache(unsigned ownFramebuffer) {
  GLint v = 0;
  glGetIntegerv(GL_LIST_INDEX, &v);
  if (v != 0) return false;
  glGetIntegerv(GL_RENDER_MODE, &v);
  if (v != GL_RENDER) return false;
  if (!glIsEnabled(GL_BLEND)) return false;
  const GLenum blend[][2] = {{GL_BLEND_SRC_RGB, GL_SRC_ALPHA},
                             {GL_BLEND_DST_RGB, GL_ONE_MINUS_SRC_ALPHA},
                             {GL_BLEND_SRC_ALPHA, GL_SRC_ALPHA},
                             {GL_BLEND_DST_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
                             {GL_BLEND_EQUATION_RGB, GL_FUNC_ADD},
                             {GL_BLEND_EQUATION_ALPHA, GL_FUNC_ADD},
                             {GL_FRONT_FACE, GL_CCW}};
  for (const auto& [name, wanted] : blend) {
    glGetIntegerv(name, &v);
    if (static_cast<GLenum>(v) != wanted) return false;
  }
  const GLenum off[] = {GL_DEPTH_TEST,      GL_ALPHA_TEST,    GL_TEXTURE_1D,    GL_TEXTURE_2D,    GL_LIGHTING,
                        GL_FOG,             GL_CULL_FACE,     GL_LINE_STIPPLE,  GL_POLYGON_STIPPLE,
                        GL_COLOR_LOGIC_OP,  GL_CLIP_PLANE0,   GL_CLIP_PLANE1,   GL_CLIP_PLANE2,   GL_CLIP_PLANE3,
                        GL_CLIP_PLANE4,     GL_CLIP_PLANE5};
  for (GLenum cap : off)
    if (glIsEnabled(cap)) return false;
  if (glIsEnabled(GL_STENCIL_TEST)) {
    for (GLenum op : {GL_STENCIL_FAIL, GL_STENCIL_PASS_DEPTH_FAIL, GL_STENCIL_PASS_DEPTH_PASS}) {
      glGetIntegerv(op, &v);
      if (v != GL_KEEP) return false;
    }
  }
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &v);
  return ownFramebuffer == 0 || static_cast<unsigned>(v) != ownFramebuffer;
}

}  // namespace

bool ReadPlacement(Placement* out) {
  Placement& p = *out;
  glGetFloatv(GL_MODELVIEW_MATRIX, p.modelview);
  glGetFloatv(GL_PROJECTION_MATRIX, p.projection);
  glGetIntegerv(GL_VIEWPORT, p.viewport);
  // Rows of projection · model-view, column-major storage.
  double row[4][4];
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      double v = 0;
      for (int k = 0; k < 4; ++k) v += static_cast<double>(p.projection[k * 4 + r]) * p.modelview[c * 4 + k];
      row[r][c] = v;
    }
  p.depthPerZ = row[2][2];
  p.depthAtZero = row[2][3];
  p.w = row[3][3];
  // x and y must not reach the depth (a turn in depth) nor w (a perspective).
  p.affine = row[2][0] == 0 && row[2][1] == 0 && row[3][0] == 0 && row[3][1] == 0 && row[3][2] == 0 && p.w > 0;
  if (!p.affine) return false;
  const double hx = p.viewport[2] / 2.0 / p.w, hy = p.viewport[3] / 2.0 / p.w;
  p.a = hx * row[0][0];
  p.b = hx * row[0][1];
  p.ox = p.viewport[0] + p.viewport[2] / 2.0 + hx * row[0][3];
  p.c = hy * row[1][0];
  p.d = hy * row[1][1];
  p.oy = p.viewport[1] + p.viewport[3] / 2.0 + hy * row[1][3];
  return std::fabs(p.depthAtZero) < p.w;
}

namespace {

// The box's corners in window coordinates: their least and greatest x, y.
struct WindowBox {
  double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
};
WindowBox InWindow(const Placement& p, const Box& box) {
  WindowBox w;
  for (float x : {box.x0, box.x1})
    for (float y : {box.y0, box.y1}) {
      const double wx = p.a * x + p.b * y + p.ox, wy = p.c * x + p.d * y + p.oy;
      w.x0 = std::fmin(w.x0, wx);
      w.x1 = std::fmax(w.x1, wx);
      w.y0 = std::fmin(w.y0, wy);
      w.y1 = std::fmax(w.y1, wy);
    }
  return w;
}

}  // namespace

PixelBox StringPixels(const Placement& p, const Box& box) {
  const auto [x0, y0, x1, y1] = InWindow(p, box);
  PixelBox px;
  if (!(std::fabs(x0) < kFarOut && std::fabs(x1) < kFarOut && std::fabs(y0) < kFarOut && std::fabs(y1) < kFarOut))
    return px;  // empty
  px.x = static_cast<int>(std::floor(x0)) - kMargin;
  px.y = static_cast<int>(std::floor(y0)) - kMargin;
  px.w = static_cast<int>(std::ceil(x1)) + kMargin - px.x;
  px.h = static_cast<int>(std::ceil(y1)) + kMargin - px.y;
  return px;
}

bool DrawsNothing(const Placement& p, const Box& box) {
  if (!p.affine || !(box.x1 >= box.x0) || !(box.y1 >= box.y0)) return false;
  const auto [x0, y0, x1, y1] = InWindow(p, box);
  // Every edge beyond one side of the view volume is clipped away whole
  // (a hundredth of a pixel keeps rounding on the safe side).
  const int* vp = p.viewport;
  constexpr double kSafe = 0.01;
  if (x0 > vp[0] + vp[2] + kSafe || x1 < vp[0] - kSafe || y0 > vp[1] + vp[3] + kSafe || y1 < vp[1] - kSafe)
    return true;
  // Every fragment outside the scissor box, the smoothed edges' included,
  // is discarded.
  if (glIsEnabled(GL_SCISSOR_TEST)) {
    GLint sb[4];
    glGetIntegerv(GL_SCISSOR_BOX, sb);
    const PixelBox px = StringPixels(p, box);
    if (px.w > 0 && (px.x >= sb[0] + sb[2] || px.x + px.w <= sb[0] || px.y >= sb[1] + sb[3] || px.y + px.h <= sb[1]))
      return true;
  }
  return false;
}

bool TTextCache::Key::operator==(const Key& o) const {
  return codes == o.codes && a == o.a && b == o.b && c == o.c && d == o.d && fx == o.fx && fy == o.fy &&
         alpha == o.alpha;
}

std::size_t TTextCache::KeyHash::operator()(const Key& k) const {
  std::size_t h = std::hash<std::string>()(k.codes);
  for (float f : {k.a, k.b, k.c, k.d, k.fx, k.fy, k.alpha}) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    h ^= bits + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
  }
  return h;
}

TTextCache::~TTextCache() = default;

bool TTextCache::Draw(const std::string& codes, const Box& box, const Placement& p) {
  ++stats_.asked;
  if (unusable_ || !p.affine || codes.empty() || !(box.x1 > box.x0) || !(box.y1 > box.y0)) return false;
  if (!StateAllowsCache(framebuffer_)) return false;
  const PixelBox px = StringPixels(p, box);
  const int* vp = p.viewport;
  if (px.w <= 0 || px.h <= 0 || px.w > kAtlasWidth || px.h > kAtlasHeight) return false;
  // Edges that reach the viewport's border are cut there; the atlas would
  // hold them whole.
  if (px.x < vp[0] || px.y < vp[1] || px.x + px.w > vp[0] + vp[2] || px.y + px.h > vp[1] + vp[3]) return false;
  if (!(std::fabs(p.ox) < kFarOut && std::fabs(p.oy) < kFarOut)) return false;
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  const double fx = std::floor(p.ox), fy = std::floor(p.oy);
  // The origin's place within its pixel, to a 64th: a string that creeps
  // by less (a label far ahead on the ND) is still kept; it is then shown
  // at most a 64th of a pixel from where it is, a few levels of 255 on its
  // edge pixels.
  Key key{codes,
          static_cast<float>(p.a),
          static_cast<float>(p.b),
          static_cast<float>(p.c),
          static_cast<float>(p.d),
          static_cast<float>(std::floor((p.ox - fx) * kPhaseSteps)),
          static_cast<float>(std::floor((p.oy - fy) * kPhaseSteps)),
          colour[3]};
  const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
  auto [it, fresh] = entries_.try_emplace(std::move(key));
  Entry& e = it->second;
  const bool stored = !fresh && e.state == State::kStored && e.generation == generation_;
  if (stored && px.x - ix == e.dx && px.y - iy == e.dy && px.w == e.pixels.w && px.h == e.pixels.h) {
    e.lastFrame = frame_;
    if (queued_) Queue(e, p, px.x, px.y);
    else PutOnScreen(e, p, px.x, px.y);
    ++stats_.hits;
    return true;
  }
  if (e.state != State::kPending) {
    if (!fresh && e.lastFrame + 1 == frame_) {
      // Stood still since the frame before: drawn into the atlas at the
      // end of this frame.
      e.state = State::kPending;
      e.placement = p;
      e.pixels = px;
      e.dx = px.x - ix;
      e.dy = px.y - iy;
    } else {
      e.state = State::kSeen;
    }
  }
  e.lastFrame = frame_;
  return false;
}

void TTextCache::Queue(const Entry& e, const Placement& p, int x, int y) {
  if (!run_.empty() && !std::equal(p.viewport, p.viewport + 4, runViewport_)) Flush();
  std::copy(p.viewport, p.viewport + 4, runViewport_);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  const float x0 = static_cast<float>(x - p.viewport[0]), y0 = static_cast<float>(y - p.viewport[1]);
  const float w = static_cast<float>(e.pixels.w), h = static_cast<float>(e.pixels.h);
  const float s0 = static_cast<float>(e.sx) / kAtlasWidth, s1 = static_cast<float>(e.sx + e.pixels.w) / kAtlasWidth;
  const float t0 = static_cast<float>(e.sy) / kAtlasHeight, t1 = static_cast<float>(e.sy + e.pixels.h) / kAtlasHeight;
  // Upside down in the atlas, as in PutOnScreen.
  run_.push_back({x0, y0, s0, t1, colour[0], colour[1], colour[2]});
  run_.push_back({x0 + w, y0, s1, t1, colour[0], colour[1], colour[2]});
  run_.push_back({x0 + w, y0 + h, s1, t0, colour[0], colour[1], colour[2]});
  run_.push_back({x0, y0 + h, s0, t0, colour[0], colour[1], colour[2]});
}

namespace {

// Drawing atlas rectangles in pixels from the viewport's corner, in the
// current colour's hue, over the frame: sets that up and puts back, when it
// ends, all that it changed.
class RectangleState {
 public:
  // stopGeneration: texture coordinates generated from positions are
  // switched off meanwhile (otherwise the caller places the corners so
  // that the generated ones are right).
  RectangleState(const int* viewport, unsigned atlas, bool stopGeneration) {
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode_);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode_);
    glGetFloatv(GL_CURRENT_COLOR, colour_);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord_);
    if (stopGeneration)
      for (int i = 0; i < 4; ++i) {
        generating_[i] = glIsEnabled(kGenerators[i]);
        if (generating_[i]) glDisable(kGenerators[i]);
      }
    // One unit a pixel, the viewport's corner at the origin.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, viewport[2], 0, viewport[3], -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPolygonMode(GL_FRONT, GL_FILL);
    glBindTexture(GL_TEXTURE_2D, atlas);
    glEnable(GL_TEXTURE_2D);
    if (envMode_ != GL_MODULATE) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  }
  ~RectangleState() {
    glDisable(GL_TEXTURE_2D);
    if (envMode_ != GL_MODULATE) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, envMode_);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_));
    glColor4fv(colour_);
    glTexCoord4fv(texCoord_);
    for (int i = 0; i < 4; ++i)
      if (generating_[i]) glEnable(kGenerators[i]);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode_));
  }
  RectangleState(const RectangleState&) = delete;
  RectangleState& operator=(const RectangleState&) = delete;
  const GLfloat* Colour() const { return colour_; }

 private:
  static constexpr GLenum kGenerators[4] = {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q};
  GLint matrixMode_ = GL_MODELVIEW, texture_ = 0, envMode_ = GL_MODULATE;
  GLfloat colour_[4] = {1, 1, 1, 1}, texCoord_[4] = {0, 0, 0, 1};
  bool generating_[4] = {false, false, false, false};
};

}  // namespace

void TTextCache::Flush() {
  if (run_.empty()) return;
  RectangleState state(runViewport_, texture_, true);
  glBegin(GL_QUADS);
  for (const Corner& c : run_) {
    glColor4f(c.r, c.g, c.b, 1.0f);
    glTexCoord2f(c.s, c.t);
    glVertex2f(c.x, c.y);
  }
  glEnd();
  run_.clear();
}

void TTextCache::PutOnScreen(const Entry& e, const Placement& p, int x, int y) const {
  // The rectangle in pixels from the viewport's corner, and the string's
  // place in the atlas, upside down there.
  const double px0 = x - p.viewport[0], py0 = y - p.viewport[1];
  const double s0 = static_cast<double>(e.sx) / kAtlasWidth, s1 = static_cast<double>(e.sx + e.pixels.w) / kAtlasWidth;
  const double t0 = static_cast<double>(e.sy) / kAtlasHeight, t1 = static_cast<double>(e.sy + e.pixels.h) / kAtlasHeight;
  const double corners[4][2] = {{s0, t1}, {s1, t1}, {s1, t0}, {s0, t0}};  // bottom left, counter-clockwise
  // Pixel of a texture coordinate: x = px0 + (s - s0)·W, y = py0 + (t1 - t)·H.
  const double W = kAtlasWidth, H = kAtlasHeight;

  // Texture coordinates generated from the object's position (the frame
  // pictures and the terrain leave that on) would replace the rectangle's
  // own, and switching the generation off and on costs the software
  // renderer dearly: the rectangle's corners are then placed in object
  // coordinates whose generated coordinates are the ones wanted, and the
  // model-view takes them to their pixels.
  double vertices[4][2];
  double model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // column-major
  bool generated = false;
  if (glIsEnabled(GL_TEXTURE_GEN_S) && glIsEnabled(GL_TEXTURE_GEN_T) && !glIsEnabled(GL_TEXTURE_GEN_R) &&
      !glIsEnabled(GL_TEXTURE_GEN_Q)) {
    GLint modeS = 0, modeT = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modeT);
    GLdouble ps[4], pt[4];
    glGetTexGendv(GL_S, GL_OBJECT_PLANE, ps);
    glGetTexGendv(GL_T, GL_OBJECT_PLANE, pt);
    const double det = ps[0] * pt[1] - ps[1] * pt[0];
    if (modeS == GL_OBJECT_LINEAR && modeT == GL_OBJECT_LINEAR && std::fabs(det) > 1e-12) {
      // (s, t) = M (x, y) + (ps[3], pt[3]) for points (x, y, 0, 1).
      for (int k = 0; k < 4; ++k) {
        const double ds = corners[k][0] - ps[3], dt = corners[k][1] - pt[3];
        vertices[k][0] = (pt[1] * ds - ps[1] * dt) / det;
        vertices[k][1] = (ps[0] * dt - pt[0] * ds) / det;
      }
      // Pixel = A·(M·v + p3) + c, A = diag(W, −H).
      model[0] = W * ps[0];
      model[4] = W * ps[1];
      model[12] = W * ps[3] + px0 - s0 * W;
      model[1] = -H * pt[0];
      model[5] = -H * pt[1];
      model[13] = -H * pt[3] + py0 + t1 * H;
      generated = true;
    }
  }
  if (!generated)
    for (int k = 0; k < 4; ++k) {
      vertices[k][0] = px0 + (corners[k][0] - s0) * W;
      vertices[k][1] = py0 + (t1 - corners[k][1]) * H;
    }

  RectangleState state(p.viewport, texture_, !generated);
  glLoadMatrixd(model);
  // White with the string's coverage as alpha: the frame's own blending
  // lays the colour over what is there by the coverage.
  const GLfloat* colour = state.Colour();
  glColor4f(colour[0], colour[1], colour[2], 1.0f);
  glBegin(GL_QUADS);
  for (int k = 0; k < 4; ++k) {
    if (!generated) glTexCoord2d(corners[k][0], corners[k][1]);
    glVertex2d(vertices[k][0], vertices[k][1]);
  }
  glEnd();
}

bool TTextCache::CreateAtlas() {
  if (!HasWhatTheAtlasNeeds()) return false;
  GLint previousTexture = 0, previousFramebuffer = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousFramebuffer);
  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kAtlasWidth, kAtlasHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
  if (!complete) {
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
    framebuffer_ = texture_ = 0;
    return false;
  }
  clearAtlas_ = true;
  return true;
}

bool TTextCache::Allocate(int w, int h, int* x, int* y) {
  if (w > kAtlasWidth || h > kAtlasHeight) return false;
  if (shelfX_ + w > kAtlasWidth) {  // the next shelf
    shelfY_ += shelfH_;
    shelfX_ = 0;
    shelfH_ = 0;
  }
  if (shelfY_ + h > kAtlasHeight) return false;
  *x = shelfX_;
  *y = shelfY_;
  shelfX_ += w;
  if (h > shelfH_) shelfH_ = h;
  return true;
}

void TTextCache::Reset() {
  ++generation_;
  ++stats_.resets;
  shelfX_ = shelfY_ = shelfH_ = 0;
  clearAtlas_ = true;
}

void TTextCache::EndFrame(const DrawGlyphs& draw) {
  Flush();
  queued_ = false;
  std::vector<std::pair<const Key*, Entry*>> pending;
  for (auto& [key, e] : entries_)
    if (e.state == State::kPending) pending.emplace_back(&key, &e);
  if (!pending.empty() && !unusable_ && (texture_ != 0 || CreateAtlas())) {
    GLint previousFramebuffer = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousFramebuffer);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    GLint clipOrigin = GL_LOWER_LEFT, clipDepth = GL_NEGATIVE_ONE_TO_ONE;
    glGetIntegerv(GL_CLIP_ORIGIN, &clipOrigin);
    glGetIntegerv(GL_CLIP_DEPTH_MODE, &clipDepth);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    // Rows top down, as in the window (see HasWhatTheAtlasNeeds).
    glClipControl(GL_UPPER_LEFT, static_cast<GLenum>(clipDepth));
    for (GLenum cap : {GL_STENCIL_TEST, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_LIGHTING,
                       GL_FOG, GL_CULL_FACE, GL_LINE_STIPPLE, GL_POLYGON_STIPPLE, GL_COLOR_LOGIC_OP,
                       GL_CLIP_PLANE0, GL_CLIP_PLANE1, GL_CLIP_PLANE2, GL_CLIP_PLANE3, GL_CLIP_PLANE4,
                       GL_CLIP_PLANE5, GL_SCISSOR_TEST})
      glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    // Alpha gathers the coverage of the edges as the frame would have
    // blended them; colour turns white wherever an edge comes.
    glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glPolygonMode(GL_FRONT, GL_LINE);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(0.00000001f);
    glClearColor(0, 0, 0, 0);
    for (auto [key, e] : pending) {
      if (clearAtlas_) {
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        clearAtlas_ = false;
      }
      int x = 0, y = 0;
      if (!Allocate(e->pixels.w, e->pixels.h, &x, &y)) {
        // Full: start over (strings stored before become strangers and
        // come back when they stand still again).
        Reset();
        glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT);
        clearAtlas_ = false;
        if (!Allocate(e->pixels.w, e->pixels.h, &x, &y)) {
          e->state = State::kSeen;
          continue;
        }
      }
      e->sx = x;
      e->sy = y;
      glEnable(GL_SCISSOR_TEST);
      glScissor(x, y, e->pixels.w, e->pixels.h);
      // The viewport moved so that the string's pixels land in its place;
      // with the rows top down, the pixel row r of a viewport at vy of
      // height vh is kept in row 2·vy + vh − 1 − r, so the string lies
      // upside down in its place.
      const int* vp = e->placement.viewport;
      const int shiftY = y - (2 * vp[1] + vp[3] - e->pixels.y - e->pixels.h);
      glViewport(vp[0] - e->pixels.x + x, vp[1] + shiftY, vp[2], vp[3]);
      glMatrixMode(GL_PROJECTION);
      glLoadMatrixf(e->placement.projection);
      glMatrixMode(GL_MODELVIEW);
      glLoadMatrixf(e->placement.modelview);
      glColor4f(1, 1, 1, key->alpha);
      draw(key->codes);
      e->state = State::kStored;
      e->generation = generation_;
      ++stats_.stored;
    }
    glClipControl(static_cast<GLenum>(clipOrigin), static_cast<GLenum>(clipDepth));
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
  } else if (!pending.empty()) {
    unusable_ = true;
  }
  // Forget what was not drawn this frame: at once for strings not stored,
  // after a while for stored ones.
  for (auto it = entries_.begin(); it != entries_.end();) {
    Entry& e = it->second;
    const bool stored = e.state == State::kStored && e.generation == generation_;
    if (e.state == State::kPending) e.state = State::kSeen;  // could not be stored
    if (e.lastFrame != frame_ && (!stored || frame_ - e.lastFrame > kKeepFrames)) it = entries_.erase(it);
    else ++it;
  }
  if (unusable_) entries_.clear();
  ++frame_;
}

void TTextCache::Release() {
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  if (texture_ != 0) glDeleteTextures(1, &texture_);
  framebuffer_ = texture_ = 0;
  entries_.clear();
  run_.clear();
  shelfX_ = shelfY_ = shelfH_ = 0;
  ++generation_;
}

TTextCache::Stats TTextCache::Statistics() const {
  Stats s = stats_;
  s.entries = entries_.size();
  return s;
}

}  // namespace cgtext
