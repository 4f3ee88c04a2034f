#include "raster/blend_ops.h"

namespace raster::blend {
namespace {

constexpr int kHueRange = 6 * 256;  // six sectors of 256 steps

}  // namespace

Pixel AdjustHSVTarget(Pixel d, Pixel s) {
  const int r = Channel(d, 2);
  const int g = Channel(d, 1);
  const int b = Channel(d, 0);
  const int high = std::max({r, g, b});
  const int low = std::min({r, g, b});
  const int delta = high - low;

  int hue = 0;
  if (delta > 0) {
    if (high == r) {
      hue = (g - b) * 256 / delta;
    } else if (high == g) {
      hue = 512 + (b - r) * 256 / delta;
    } else {
      hue = 1024 + (r - g) * 256 / delta;
    }
    if (hue < 0) hue += kHueRange;
  }
  const int baseSat = high == 0 ? 0 : delta * 255 / high;

  hue = (hue + Channel(s, 2) * 6) % kHueRange;
  const int sat = std::min(255, baseSat * Channel(s, 1) / 128);
  const int val = std::min(255, high * Channel(s, 0) / 128);

  const int sector = hue / 256;
  const int f = hue % 256;
  const int p = val * (255 - sat) / 255;
  const int q = val * (255 * 256 - sat * f) / (255 * 256);
  const int t = val * (255 * 256 - sat * (256 - f)) / (255 * 256);
  const int alpha = Channel(d, 3);
  switch (sector) {
    case 0:
      return Pack(p, t, val, alpha);
    case 1:
      return Pack(p, val, q, alpha);
    case 2:
      return Pack(t, val, p, alpha);
    case 3:
      return Pack(val, q, p, alpha);
    case 4:
      return Pack(val, p, t, alpha);
    default:
      return Pack(q, p, val, alpha);
  }
}

}  // namespace raster::blend
