// A block's parameter changes as the points where they take effect, in
// order, so that the block can be split at each. Gathered on the audio
// thread into room set aside beforehand: nothing is allocated there.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "vst3/vst3_processing.h"

namespace vst3 {

class ChangePoints {
 public:
  struct Point {
    int32 mOffset;  // 0 ... the block's length
    ParamID mId;
    double mValue;  // normalised, as the host sent it
    std::size_t mOrder;
  };

  explicit ChangePoints(std::size_t capacity = 4096) { mPoints.reserve(capacity); }

  // Every queue's points, offsets clamped into the block. When they do not
  // all fit, each queue gives only its last point: the block ends where the
  // host meant it to. Null changes give none.
  void Gather(IParameterChanges* changes, int32 frames);  // audio
  std::span<const Point> Points() const { return mPoints; }

 private:
  void Add(IParamValueQueue* queue, int32 index, ParamID id, int32 frames);

  std::vector<Point> mPoints;
};

}  // namespace vst3
