#pragma once

#include <cmath>
#include <type_traits>

// Two channels side by side in one SSE register. Element-wise vector
// arithmetic rounds exactly as the scalar form, so each lane gets the bits its
// channel would get on its own.
using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

template <typename T>
inline T Splat(double value) {
  if constexpr (std::is_same_v<T, DoublePair>)
    return DoublePair{value, value};
  else
    return static_cast<T>(value);
}

// A non-finite sample would stay in a recursive filter's state for good: it
// is taken as silence instead, lane by lane.
inline double ZeroIfNotFinite(double v) {
  return std::isfinite(v) ? v : 0.0;
}
inline DoublePair ZeroIfNotFinite(DoublePair v) {
  return DoublePair{ZeroIfNotFinite(v[0]), ZeroIfNotFinite(v[1])};
}
