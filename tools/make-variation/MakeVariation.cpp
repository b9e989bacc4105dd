// make-variation <folder>: writes "747world.mv", a magnetic variation grid
// for the demo and for trying the programs out: one signed byte (whole
// degrees, east positive) per whole degree, rows of 360 bytes from
// longitude -179 eastward, one row per latitude from -64 to 80.
//
// The values are made up: a smooth field of plausible size (within about
// 25 degrees), not a model of the earth's field.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kFirstLatitude = -64, kLastLatitude = 80, kRowBytes = 360;
constexpr double kPi = 3.14159265358979323846;

signed char Variation(int latitude, int longitude) {
  const double phi = latitude * kPi / 180.0, lambda = longitude * kPi / 180.0;
  const double v = 18.0 * std::sin(lambda + 0.6) * std::cos(phi * 0.8) + 6.0 * std::sin(2.0 * phi) * std::cos(lambda);
  return static_cast<signed char>(std::lround(v));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-variation <folder>\n");
    return 2;
  }
  std::vector<signed char> grid;
  for (int lat = kFirstLatitude; lat <= kLastLatitude; ++lat)
    for (int i = 0; i < kRowBytes; ++i) grid.push_back(Variation(lat, i - 179));
  const std::string path = std::string(argv[1]) + "/747world.mv";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) {
    std::perror(path.c_str());
    return 1;
  }
  const bool ok = std::fwrite(grid.data(), 1, grid.size(), f) == grid.size();
  if (std::fclose(f) != 0 || !ok) {
    std::perror(path.c_str());
    return 1;
  }
  return 0;
}
