#include "editor/composed_frames.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <vector>

#include "editor/scaled_bitmaps.h"
#include "raster/blit.h"
#include "raster/mem_bitmap.h"
#include "raster/rows.h"

namespace {

// Frames, background, scale in thousandths, the patch's content and size.
using Key = std::tuple<const raster::Bitmap*, const raster::Bitmap*, int, std::uint64_t, int, int>;

struct Frame {
  bool made = false;
  IRECT box;
  std::unique_ptr<raster::MemBitmap> pixels;
};

struct Patch {
  std::unique_ptr<raster::MemBitmap> face;
  std::vector<Frame> frames;
};

struct Composed {
  std::mutex mMutex;
  std::map<Key, Patch> mPatches;
  std::size_t mBytes = 0;
};

Composed& Cache() {
  static Composed composed;
  return composed;
}

std::size_t Bytes(const raster::Bitmap& bitmap) {
  return static_cast<std::size_t>(bitmap.getWidth()) *
         static_cast<std::size_t>(bitmap.getHeight()) * sizeof(raster::Pixel);
}

// What a frame composes to over the patch, as the control would draw it: the
// frame from its top-left corner, no further than the frame reaches.
class Composer {
 public:
  Composer(const IBitmap& frames, raster::Bitmap& framePixels, raster::Bitmap& underPixels,
           const IRECT& place, double scale)
      : mFrames(frames),
        mFramePixels(framePixels),
        mUnderPixels(underPixels),
        mPlace(place),
        mFrameW(ScaledSide(frames.FrameWidth(), scale)),
        mFrameH(ScaledSide(frames.FrameHeight(), scale)) {}

  std::unique_ptr<raster::MemBitmap> Compose(int frame) const {
    auto composed = std::make_unique<raster::MemBitmap>(mPlace.W(), mPlace.H());
    raster::Blit(composed.get(), &mUnderPixels, 0, 0, mPlace.L, mPlace.T, mPlace.W(), mPlace.H(),
                 1.0f, raster::kModeCopy);
    const int x = mFrames.mFramesHorizontal ? (frame - 1) * mFrameW : 0;
    const int y = mFrames.mFramesHorizontal ? 0 : (frame - 1) * mFrameH;
    raster::Blit(composed.get(), &mFramePixels, 0, 0, x, y, std::min(mPlace.W(), mFrameW),
                 std::min(mPlace.H(), mFrameH), 1.0f, raster::kModeSourceAlpha);
    return composed;
  }

 private:
  const IBitmap& mFrames;
  raster::Bitmap& mFramePixels;
  raster::Bitmap& mUnderPixels;
  IRECT mPlace;
  int mFrameW;
  int mFrameH;
};

// The face: each pixel as most of the first, middle and last frames show it,
// which for a needle is the picture without it. Any face would be correct;
// this one keeps the boxes small.
std::unique_ptr<raster::MemBitmap> MakeFace(const Composer& composer, int n) {
  auto face = composer.Compose(1);
  const auto middle = composer.Compose((n + 1) / 2);
  const auto last = composer.Compose(n);
  const raster::Rows f(*face), m(*middle), l(*last);
  for (int y = 0; y < f.height(); ++y)
    for (int x = 0; x < f.width(); ++x)
      if (f.at(x, y) != m.at(x, y) && f.at(x, y) != l.at(x, y) && m.at(x, y) == l.at(x, y))
        f.at(x, y) = m.at(x, y);
  return face;
}

// The box of the pixels where `composed` differs from the face.
IRECT DifferingBox(raster::Bitmap& composed, raster::Bitmap& face) {
  const raster::Rows c(composed), f(face);
  int left = c.width(), top = c.height(), right = 0, bottom = 0;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x)
      if (c.at(x, y) != f.at(x, y)) {
        left = std::min(left, x);
        right = std::max(right, x + 1);
        top = std::min(top, y);
        bottom = y + 1;
      }
  return right > left ? IRECT(left, top, right, bottom) : IRECT();
}

Frame MakeFrame(const Composer& composer, int frame, raster::Bitmap& face) {
  Frame made;
  made.made = true;
  const auto composed = composer.Compose(frame);
  made.box = DifferingBox(*composed, face);
  if (!made.box.Empty()) {
    made.pixels = std::make_unique<raster::MemBitmap>(made.box.W(), made.box.H());
    raster::Blit(made.pixels.get(), composed.get(), 0, 0, made.box.L, made.box.T, made.box.W(),
                 made.box.H(), 1.0f, raster::kModeCopy);
  }
  return made;
}

// Keeps every patch's pixels within the bound: past it, what is not drawn
// now is forgotten, to be made anew as needed.
void MakeRoom(Composed& cache, std::size_t needed, Patch* keep) {
  if (cache.mBytes + needed <= kComposedFramesBytes) return;
  std::erase_if(cache.mPatches, [&](const auto& entry) { return &entry.second != keep; });
  cache.mBytes = 0;
  if (keep) {
    for (Frame& frame : keep->frames)
      frame = Frame();
    cache.mBytes = Bytes(*keep->face);
  }
}

}  // namespace

std::uint64_t PatchKey(const IBitmap& under, const IRECT& area, double scale) {
  raster::Bitmap* pixels = ScaledPixels(under, scale);
  if (!pixels || area.L < 0 || area.T < 0 || area.R > pixels->getWidth() ||
      area.B > pixels->getHeight())
    return 0;
  const raster::Rows rows(*pixels);
  std::uint64_t hash = 1469598103934665603ull;
  for (int y = area.T; y < area.B; ++y)
    for (const raster::Pixel p : rows.row(y, area.L, area.W()))
      hash = (hash ^ p) * 1099511628211ull;
  return hash;
}

void WithComposedFrame(const IBitmap& frames, int frame, const IBitmap& under, const IRECT& place,
                       double scale, std::uint64_t patchKey,
                       const std::function<void(const ComposedFrame&)>& use) {
  raster::Bitmap* framePixels = ScaledPixels(frames, scale);
  raster::Bitmap* underPixels = ScaledPixels(under, scale);
  if (!framePixels || !underPixels || frames.N < 1) return;
  // Inside the background, or not composed at all.
  if (place.L < 0 || place.T < 0 || place.R > underPixels->getWidth() ||
      place.B > underPixels->getHeight() || place.W() <= 0 || place.H() <= 0)
    return;
  const int n = frames.N;
  frame = std::clamp(frame, 1, n);
  const Composer composer(frames, *framePixels, *underPixels, place, scale);
  Composed& cache = Cache();
  std::lock_guard lock(cache.mMutex);
  const Key key{frames.mData, under.mData, static_cast<int>(scale * 1000. + 0.5),
                patchKey,     place.W(),   place.H()};
  auto found = cache.mPatches.find(key);
  if (found == cache.mPatches.end()) {
    Patch patch;
    patch.face = MakeFace(composer, n);
    patch.frames.resize(static_cast<std::size_t>(n));
    MakeRoom(cache, Bytes(*patch.face), nullptr);
    cache.mBytes += Bytes(*patch.face);
    found = cache.mPatches.emplace(key, std::move(patch)).first;
  }
  Patch& patch = found->second;
  Frame& entry = patch.frames[static_cast<std::size_t>(frame - 1)];
  if (!entry.made) {
    MakeRoom(cache, Bytes(*patch.face), &patch);
    entry = MakeFrame(composer, frame, *patch.face);
    if (entry.pixels) cache.mBytes += Bytes(*entry.pixels);
  }
  use({*patch.face, entry.box, entry.pixels.get()});
}
