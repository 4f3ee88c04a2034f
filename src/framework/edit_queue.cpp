#include "framework/edit_queue.h"

#include <algorithm>

EditQueue::EditQueue(int nParams)
    : mResync(
          std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(std::max(nParams, 0)))),
      mOpenInEditor(
          std::make_unique<std::atomic<bool>[]>(static_cast<std::size_t>(std::max(nParams, 0)))),
      mOpenAtHost(static_cast<std::size_t>(std::max(nParams, 0)), false),
      mNParams(std::max(nParams, 0)) {}

bool EditQueue::TryPushToRing(const Edit& edit) {
  const std::size_t tail = mTail.load(std::memory_order_relaxed);
  if (tail - mHead.load(std::memory_order_acquire) >= kCapacity) return false;
  (*mRing)[tail % kCapacity] = edit;
  mTail.store(tail + 1, std::memory_order_release);
  return true;
}

void EditQueue::MarkForResync(const Edit& edit) {
  mResync[static_cast<std::size_t>(edit.mParam)].store(true, std::memory_order_release);
  mResyncPending.store(true, std::memory_order_release);
}

void EditQueue::Push(const Edit& edit) {
  if (edit.mParam < 0 || edit.mParam >= mNParams) return;
  if (edit.mKind != Edit::Kind::kValue)
    mOpenInEditor[static_cast<std::size_t>(edit.mParam)].store(edit.mKind == Edit::Kind::kBegin,
                                                               std::memory_order_release);
  if (!mOverflowed.load(std::memory_order_acquire) && TryPushToRing(edit)) return;
  mOverflowed.store(true, std::memory_order_release);
  MarkForResync(edit);
}

void EditQueue::Resized(int width, int height) {
  // A zero size is never a window's: it stands for "nothing new".
  const std::uint64_t size = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(width)) << 32) |
                             static_cast<std::uint32_t>(height);
  if (size != kNoSize) mSize.store(size, std::memory_order_release);
}

void EditQueue::LatencyChanged(int samples) {
  mLatency.store(std::max(samples, 0), std::memory_order_release);
}

void EditQueue::TextsChanged() {
  mTextsChanged.store(true, std::memory_order_release);
}

void EditQueue::ProgramChanged() {
  mProgramChanged.store(true, std::memory_order_release);
}

bool EditQueue::Pending() const {
  return mHead.load(std::memory_order_acquire) != mTail.load(std::memory_order_acquire) ||
         mResyncPending.load(std::memory_order_acquire) ||
         mSize.load(std::memory_order_acquire) != kNoSize ||
         mLatency.load(std::memory_order_acquire) != kNoLatency ||
         mTextsChanged.load(std::memory_order_acquire) ||
         mProgramChanged.load(std::memory_order_acquire);
}

void EditQueue::Tell(EditSink& sink, const Edit& edit) {
  const auto p = static_cast<std::size_t>(edit.mParam);
  switch (edit.mKind) {
    case Edit::Kind::kBegin:
      // A gesture the host never heard end (its end was lost to an
      // overflow) ends before the next begins.
      if (mOpenAtHost[p]) sink.EndEdit(edit.mParam);
      sink.BeginEdit(edit.mParam);
      mOpenAtHost[p] = true;
      return;
    case Edit::Kind::kValue:
      sink.Automate(edit.mParam, edit.mValue);
      return;
    case Edit::Kind::kEnd:
      if (!mOpenAtHost[p]) return;
      sink.EndEdit(edit.mParam);
      mOpenAtHost[p] = false;
      return;
  }
}
