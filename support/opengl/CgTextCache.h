// Pixels of strings that stand still, kept from one frame to the next.
//
// On a software renderer every smoothed outline edge of every glyph costs
// a few hundred nanoseconds, frame after frame, although most texts of a
// display (annunciations, scale figures at rest, labels of the ND) land on
// the same pixels as in the frame before. A string drawn in two frames
// running at the same place within its pixel (to a 64th of a pixel), with
// the same orientation and scale, is drawn once more at the end of the second frame
// into an atlas texture, in white on transparent black with the same edges
// and the same blending; from the third frame on it is put on the screen
// as one textured rectangle in the current colour. Blending the string's
// coverage once gives what blending its edges one by one gives, but for
// the rounding of each step (a few levels of 255 on some edge pixels).
//
// The cache steps aside (the caller draws the edges as before) whenever
// the result could differ otherwise: a display list being compiled,
// feedback or selection, blending other than source-alpha over, depth,
// alpha or stencil tests that could keep other pixels, texturing,
// lighting, fog, stipples, culling, clip planes, a perspective, a string
// that reaches the viewport's edge or does not fit the atlas, and a GL
// without framebuffer objects.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace cgtext {

// How the glyphs' plane z = 0 maps to the window: window x = a·x + b·y +
// ox, window y = c·x + d·y + oy, for points (x, y) in the coordinates the
// glyph vertices are given in.
struct Placement {
  double a = 1, b = 0, c = 0, d = 1, ox = 0, oy = 0;
  // Clip-space depth of a point at height z of the glyphs' coordinates is
  // depthPerZ · z + depthAtZero, its w is w; only when affine.
  double depthPerZ = 0, depthAtZero = 0, w = 1;
  bool affine = false;
  int viewport[4] = {0, 0, 0, 0};
  float modelview[16] = {};
  float projection[16] = {};
};

// Reads the current matrices and viewport. False when x or y reach the
// depth or the w of clip space (a turn in depth or a perspective: affine
// is then false), or the plane z = 0 lies outside the depth range.
bool ReadPlacement(Placement* out);

// The box of a string's glyphs in the coordinates of its vertices.
struct Box {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// The pixels a string whose glyphs fill box covers, with a margin for the
// smoothed edges: left, bottom, width, height in window pixels.
struct PixelBox {
  int x = 0, y = 0, w = 0, h = 0;
};
PixelBox StringPixels(const Placement& p, const Box& box);

// True when glyphs filling box, drawn with p, cannot leave a pixel: wholly
// beyond an edge of the viewport (their edges are clipped away whole), or,
// with the scissor test on, wholly outside the scissor box.
bool DrawsNothing(const Placement& p, const Box& box);

class TTextCache {
 public:
  // Draws the glyphs of codes with the current transform, in the state the
  // font sets for them (outline edges, smoothed, thinnest line).
  using DrawGlyphs = std::function<void(const std::string& codes)>;

  TTextCache() = default;
  TTextCache(const TTextCache&) = delete;
  TTextCache& operator=(const TTextCache&) = delete;
  ~TTextCache();  // makes no GL call: Release first, while the context is current

  // The string as the current state would draw it, p read by ReadPlacement
  // (which returned true): true when it was put on the screen from the
  // atlas; false when the caller must draw it (it is then remembered, and
  // kept once it has stood still for two frames).
  bool Draw(const std::string& codes, const Box& box, const Placement& p);

  // In a run the rectangles of kept strings are gathered instead of drawn
  // one by one, and Flush draws them in one go, in their order: the caller
  // draws nothing else meanwhile but strings, and flushes before it does
  // (a string drawn edge by edge flushes every font's run first).
  void SetQueued(bool queued) { queued_ = queued; }
  void Flush();

  // Ends a frame: strings seen in this and the previous frame at the same
  // place are drawn into the atlas with draw; strings not seen for a while
  // are forgotten.
  void EndFrame(const DrawGlyphs& draw);

  // Frees the atlas (the context must be current) and forgets every string.
  void Release();

  struct Stats {
    std::uint64_t asked = 0;  // strings that Draw was asked for
    std::uint64_t hits = 0, stored = 0, resets = 0;
    std::size_t entries = 0;
  };
  Stats Statistics() const;

 private:
  struct Key {
    std::string codes;
    float a, b, c, d;  // linear part of the placement
    float fx, fy;      // the origin within its pixel, in 64ths
    float alpha;       // of the current colour
    bool operator==(const Key& o) const;
  };
  struct KeyHash {
    std::size_t operator()(const Key& k) const;
  };
  enum class State { kSeen, kPending, kStored };
  struct Entry {
    State state = State::kSeen;
    std::uint64_t lastFrame = 0;
    PixelBox pixels;       // where it was drawn when it was taken
    int dx = 0, dy = 0;    // pixels.x, pixels.y relative to the origin's pixel
    int sx = 0, sy = 0;    // its place in the atlas
    std::uint64_t generation = 0;
    Placement placement;   // of the frame it was taken in, for drawing it into the atlas
  };

  bool CreateAtlas();
  bool Allocate(int w, int h, int* x, int* y);
  void Reset();
  void PutOnScreen(const Entry& e, const Placement& p, int x, int y) const;
  void Queue(const Entry& e, const Placement& p, int x, int y);

  // Rectangles gathered in a run: per corner x, y (pixels from the
  // viewport's corner), s, t and the colour; the viewport they belong to.
  struct Corner {
    float x, y, s, t, r, g, b;
  };
  std::vector<Corner> run_;
  int runViewport_[4] = {0, 0, 0, 0};
  bool queued_ = false;

  std::unordered_map<Key, Entry, KeyHash> entries_;
  std::uint64_t frame_ = 1;
  std::uint64_t generation_ = 1;  // of the atlas; bumped at every reset
  unsigned texture_ = 0, framebuffer_ = 0;
  bool unusable_ = false;  // no framebuffer objects here
  bool clearAtlas_ = false;
  // Shelf packing: rows from the bottom, strings left to right.
  int shelfY_ = 0, shelfH_ = 0, shelfX_ = 0;
  Stats stats_;
};

}  // namespace cgtext
