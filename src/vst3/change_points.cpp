#include "vst3/change_points.h"

#include <algorithm>

namespace vst3 {

void ChangePoints::Add(IParamValueQueue* queue, int32 index, ParamID id, int32 frames) {
  if (mPoints.size() == mPoints.capacity()) return;
  int32 offset = 0;
  double value = 0.;
  if (queue->getPoint(index, &offset, &value) != kResultOk) return;
  mPoints.push_back({std::clamp(offset, 0, frames), id, value, mPoints.size()});
}

void ChangePoints::Gather(IParameterChanges* changes, int32 frames) {
  mPoints.clear();
  if (!changes) return;
  const int32 queues = changes->getParameterCount();
  std::size_t total = 0;
  for (int32 q = 0; q < queues; ++q)
    if (IParamValueQueue* queue = changes->getParameterData(q))
      total += static_cast<std::size_t>(std::max(queue->getPointCount(), 0));
  const bool lastOnly = total > mPoints.capacity();
  for (int32 q = 0; q < queues && mPoints.size() < mPoints.capacity(); ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const ParamID id = queue->getParameterId();
    const int32 count = queue->getPointCount();
    for (int32 p = lastOnly ? count - 1 : 0; p >= 0 && p < count; ++p)
      Add(queue, p, id, frames);
  }
  // In time order; points at one offset in the order the host gave them.
  std::sort(mPoints.begin(), mPoints.end(), [](const Point& a, const Point& b) {
    return a.mOffset != b.mOffset ? a.mOffset < b.mOffset : a.mOrder < b.mOrder;
  });
}

}  // namespace vst3
