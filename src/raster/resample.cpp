#include "raster/resample.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/rows.h"

namespace raster {

namespace {

// Premultiplied channels, to be summed with weights.
struct Sum {
  double b = 0, g = 0, r = 0, a = 0;
  void Add(Pixel p, double weight) {
    const double alpha = static_cast<double>(p >> 24) * weight;
    a += alpha;
    b += static_cast<double>(p & 0xFF) * alpha;
    g += static_cast<double>((p >> 8) & 0xFF) * alpha;
    r += static_cast<double>((p >> 16) & 0xFF) * alpha;
  }
  // Straight alpha again, over a total weight.
  Pixel ToPixel(double total) const {
    if (a <= 0.) return 0;
    const auto channel = [](double v) {
      return static_cast<Pixel>(std::clamp(static_cast<int>(v + 0.5), 0, 255));
    };
    return (channel(a / total) << 24) | (channel(r / a) << 16) | (channel(g / a) << 8) |
           channel(b / a);
  }
};

// For each destination cell along one axis, the source cells under it and
// how much of each it covers.
struct Span {
  int first = 0;
  std::vector<double> weights;
};

std::vector<Span> Spans(int from, int length, int to) {
  std::vector<Span> spans(static_cast<std::size_t>(to));
  const double step = static_cast<double>(length) / to;
  for (int i = 0; i < to; ++i) {
    const double lo = i * step;
    const double hi = lo + step;
    Span& span = spans[static_cast<std::size_t>(i)];
    span.first = from + static_cast<int>(std::floor(lo));
    for (int s = static_cast<int>(std::floor(lo)); s < hi && s < length; ++s)
      span.weights.push_back(std::min(hi, s + 1.) - std::max(lo, static_cast<double>(s)));
  }
  return spans;
}

}  // namespace

void ResampleArea(Bitmap& dst, int x, int y, int w, int h, Bitmap& src, const RECT& from) {
  const Rows in(src);
  const Rows out(dst);
  const int sw = from.right - from.left;
  const int sh = from.bottom - from.top;
  if (in.empty() || out.empty() || w <= 0 || h <= 0 || sw <= 0 || sh <= 0) return;
  const std::vector<Span> columns = Spans(from.left, sw, w);
  const std::vector<Span> rows = Spans(from.top, sh, h);
  std::vector<Sum> line(static_cast<std::size_t>(w));
  for (int j = 0; j < h; ++j) {
    const int dy = y + j;
    if (dy < 0 || dy >= out.height()) continue;
    std::fill(line.begin(), line.end(), Sum{});
    double rowWeight = 0.;
    const Span& rowSpan = rows[static_cast<std::size_t>(j)];
    for (std::size_t k = 0; k < rowSpan.weights.size(); ++k) {
      const int sy = rowSpan.first + static_cast<int>(k);
      if (sy < 0 || sy >= in.height()) continue;
      rowWeight += rowSpan.weights[k];
      for (int i = 0; i < w; ++i) {
        const Span& column = columns[static_cast<std::size_t>(i)];
        for (std::size_t c = 0; c < column.weights.size(); ++c) {
          const int sx = column.first + static_cast<int>(c);
          if (sx >= 0 && sx < in.width())
            line[static_cast<std::size_t>(i)].Add(in.at(sx, sy),
                                                  column.weights[c] * rowSpan.weights[k]);
        }
      }
    }
    for (int i = 0; i < w; ++i) {
      const int dx = x + i;
      if (dx < 0 || dx >= out.width()) continue;
      double total = 0.;
      for (const double weight : columns[static_cast<std::size_t>(i)].weights)
        total += weight;
      out.at(dx, dy) = line[static_cast<std::size_t>(i)].ToPixel(total * rowWeight);
    }
  }
}

}  // namespace raster
