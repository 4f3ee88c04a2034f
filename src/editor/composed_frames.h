// A bitmap control's frames composed once over the static picture beneath
// them (the editor's background), kept as a face and, for each frame, only
// the box where it differs from the face (a needle): drawing a frame is then
// a copy of the face and of that box, and moving from one frame to another
// redraws only the two boxes. Kept process-wide, shared by every control
// whose background patch holds the same pixels (eight meters on one face),
// up to a bound; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "editor/records.h"
#include "raster/bitmap.h"

inline constexpr std::size_t kComposedFramesBytes = std::size_t{32} << 20;

// What the patch of `under` (drawn from the editor's origin) that `place`
// covers on the surface at `scale` holds, as a number: patches alike share
// their frames. Made once per control and scale.
std::uint64_t PatchKey(const IBitmap& under, const IRECT& place, double scale);

// A frame as composed: the face, the patch's size, and the box within it
// where the frame differs from the face, with the frame's pixels there
// (no pixels when the box is empty).
struct ComposedFrame {
  raster::Bitmap& face;
  IRECT box;
  raster::Bitmap* boxPixels;
};

// Calls `use` with frame `frame` (1-based) of `frames` blended over that
// patch; under a lock, so keep it short. Nothing happens when the patch lies
// outside `under`.
void WithComposedFrame(const IBitmap& frames, int frame, const IBitmap& under, const IRECT& place,
                       double scale, std::uint64_t patchKey,
                       const std::function<void(const ComposedFrame&)>& use);
