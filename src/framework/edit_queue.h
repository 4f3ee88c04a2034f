// What the plug-in has to tell its host, on its way from the thread it
// happened on (the editor's, mostly) to the thread the host wants to hear it
// on: the gestures and values of the user's edits, a new editor size, a new
// latency, changed names, a changed program. The plug-in applies every edit
// at once; only the telling waits. Each format drains the queue where its
// host expects (framework/ieffect_base.h, DeliverEdits).
//
// Gestures and values pass through a ring that one thread fills (the
// editor's) and one thread at a time empties; neither waits for the other
// and nothing allocates after construction. Should the host leave the ring
// full, later edits are not lost: each parameter they touch is marked, and
// the next drain tells the host its current value, opening or closing its
// gesture as the editor has it, so that the host ends where the editor is.
// The other notices are latest-value slots any thread may set.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct Edit {
  enum class Kind : std::uint8_t { kBegin, kValue, kEnd };
  Kind mKind = Kind::kValue;
  std::int32_t mParam = 0;
  double mValue = 0.;  // normalised, for kValue
};

// Where a drain tells its news: the format adapter's side.
class EditSink {
 public:
  virtual ~EditSink() = default;
  virtual void BeginEdit(int param) = 0;
  virtual void Automate(int param, double normalized) = 0;
  virtual void EndEdit(int param) = 0;
  virtual void EditorResized(int width, int height) = 0;
  virtual void LatencyChanged(int samples) = 0;
  virtual void TextsChanged() = 0;
  virtual void ProgramChanged() = 0;
};

class EditQueue {
 public:
  static constexpr std::size_t kCapacity = 1024;

  explicit EditQueue(int nParams);
  EditQueue(const EditQueue&) = delete;
  EditQueue& operator=(const EditQueue&) = delete;

  // The producer: one thread at a time (the editor's).
  void Push(const Edit& edit);
  // Any thread.
  void Resized(int width, int height);
  void LatencyChanged(int samples);
  void TextsChanged();
  void ProgramChanged();

  // Something waits to be told; cheap enough for a timer.
  bool Pending() const;

  // Tells `sink` everything in the order it happened (resyncs of an
  // overflow last) on the calling thread. Returns at once, telling nothing,
  // while another thread drains. `current` gives a parameter's normalised
  // value now, for the resyncs.
  template <typename CurrentValue>
  void Drain(EditSink& sink, CurrentValue current);

 private:
  bool TryPushToRing(const Edit& edit);
  void MarkForResync(const Edit& edit);
  // The consumer's view of the host: which gestures it has open.
  void Tell(EditSink& sink, const Edit& edit);

  std::unique_ptr<std::array<Edit, kCapacity>> mRing =
      std::make_unique<std::array<Edit, kCapacity>>();
  std::atomic<std::size_t> mHead{0};  // next to read; the consumer's
  std::atomic<std::size_t> mTail{0};  // next to write; the producer's

  // Overflow: while set, the producer marks instead of pushing.
  std::atomic<bool> mOverflowed{false};
  std::atomic<bool> mResyncPending{false};
  std::unique_ptr<std::atomic<bool>[]> mResync;
  std::unique_ptr<std::atomic<bool>[]> mOpenInEditor;  // the producer's gestures
  std::vector<bool> mOpenAtHost;                       // the consumer's
  int mNParams;

  static constexpr std::uint64_t kNoSize = 0;
  std::atomic<std::uint64_t> mSize{kNoSize};  // width << 32 | height
  static constexpr std::int64_t kNoLatency = -1;
  std::atomic<std::int64_t> mLatency{kNoLatency};
  std::atomic<bool> mTextsChanged{false};
  std::atomic<bool> mProgramChanged{false};

  std::atomic_flag mDraining = ATOMIC_FLAG_INIT;
};

template <typename CurrentValue>
void EditQueue::Drain(EditSink& sink, CurrentValue current) {
  if (mDraining.test_and_set(std::memory_order_acquire)) return;
  for (std::size_t head = mHead.load(std::memory_order_relaxed);
       head != mTail.load(std::memory_order_acquire); ++head) {
    const Edit edit = (*mRing)[head % kCapacity];
    mHead.store(head + 1, std::memory_order_release);
    Tell(sink, edit);
  }
  // The ring is empty: from now on the producer may fill it again, and what
  // it marked meanwhile is told after what it queued before.
  if (mOverflowed.load(std::memory_order_acquire))
    mOverflowed.store(false, std::memory_order_release);
  if (mResyncPending.exchange(false, std::memory_order_acq_rel)) {
    for (int p = 0; p < mNParams; ++p) {
      if (!mResync[static_cast<std::size_t>(p)].exchange(false, std::memory_order_acq_rel))
        continue;
      const bool open = mOpenInEditor[static_cast<std::size_t>(p)].load(std::memory_order_acquire);
      if (open && !mOpenAtHost[static_cast<std::size_t>(p)])
        Tell(sink, {Edit::Kind::kBegin, p, 0.});
      Tell(sink, {Edit::Kind::kValue, p, current(p)});
      if (!open && mOpenAtHost[static_cast<std::size_t>(p)]) Tell(sink, {Edit::Kind::kEnd, p, 0.});
    }
  }
  if (const std::uint64_t size = mSize.exchange(kNoSize, std::memory_order_acq_rel);
      size != kNoSize)
    sink.EditorResized(static_cast<int>(size >> 32), static_cast<int>(size & 0xFFFFFFFFu));
  if (const std::int64_t latency = mLatency.exchange(kNoLatency, std::memory_order_acq_rel);
      latency != kNoLatency)
    sink.LatencyChanged(static_cast<int>(latency));
  if (mTextsChanged.exchange(false, std::memory_order_acq_rel)) sink.TextsChanged();
  if (mProgramChanged.exchange(false, std::memory_order_acq_rel)) sink.ProgramChanged();
  mDraining.clear(std::memory_order_release);
}
