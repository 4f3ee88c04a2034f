#include "editor/records.h"

#include <algorithm>

IRECT IRECT::Intersect(const IRECT& o) const {
  if (!Intersects(o)) return {};
  return {std::max(L, o.L), std::max(T, o.T), std::min(R, o.R), std::min(B, o.B)};
}

IRECT IRECT::Union(const IRECT& o) const {
  if (Empty()) return o;
  if (o.Empty()) return *this;
  return {std::min(L, o.L), std::min(T, o.T), std::max(R, o.R), std::max(B, o.B)};
}
