#include "framework/display_curve.h"

#include <cmath>

namespace {

// Halves [lo, hi] around the point where `below` stops holding, until the
// two ends are neighbouring numbers; `below` holds at lo and fails at hi.
template <class Below>
void Bisect(double& lo, double& hi, Below below) {
  for (int i = 0; i < 80; ++i) {
    const double middle = lo + 0.5 * (hi - lo);
    if (middle <= lo || middle >= hi) return;
    (below(middle) ? lo : hi) = middle;
  }
}

}  // namespace

double DisplayCurve::FirstShowing(double shown, double lo, double hi) const {
  if (Shown(lo) >= shown) return lo;
  Bisect(lo, hi, [&](double value) { return Shown(value) < shown; });
  return hi;
}

double DisplayCurve::LastShowing(double shown, double lo, double hi) const {
  if (Shown(hi) <= shown) return hi;
  Bisect(lo, hi, [&](double value) { return Shown(value) <= shown; });
  return lo;
}

double DisplayCurve::ValueFor(double shown, double tolerance, double lo, double hi) const {
  const double low = shown - tolerance;
  const double high = shown + tolerance;
  if (Shown(hi) < low) return hi;
  if (Shown(lo) > high) return lo;
  const double first = FirstShowing(low, lo, hi);
  const double last = LastShowing(high, lo, hi);
  const auto shows = [&](double value) {
    const double number = Shown(value);
    return value >= lo && value <= hi && number >= low && number <= high;
  };
  double scale = 1.;
  for (int decimals = 0; decimals <= 17; ++decimals, scale *= 10.) {
    const double candidate = std::ceil(first * scale) / scale;
    if (candidate > last) continue;
    if (shows(candidate)) return candidate;
  }
  return first;
}
