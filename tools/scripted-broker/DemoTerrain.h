// What the demo flight and the demo terrain (tools/make-tiles) agree on:
// the low pass over a ridge after the turns. The flight descends to
// kLowPassAltitude on a heading that crosses the ridge's crest at
// (kRidgeLatitude, kRidgeLongitude); the crest lies kRidgeClearance below
// that altitude, so the terrain caution and then the warning come up,
// until the pull-up at kPullUpAt clears them both.
#pragma once

namespace broker {

inline constexpr double kLowPassAltitude = 3000;  // ft
inline constexpr double kRidgeClearance = 700;    // ft between the pass and the crest
inline constexpr double kPullUpAt = 222;          // s into the loop
// Where the track crosses the crest (about 28 s after the pull-up), and
// the crest's direction, across the track.
inline constexpr double kRidgeLatitude = 47.0015;
inline constexpr double kRidgeLongitude = -122.2055;
inline constexpr double kRidgeAxis = 114;  // degrees true
inline constexpr double kRidgeHalfLength = 3;  // NM along the crest

}  // namespace broker
