// What the audio and host threads hand to the editor thread without a lock: a
// control's value and its redraw flags, and a control's text. The editor
// thread reads them on its next redraw tick.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>

// A double written on one thread and read on another. Relaxed: nothing else is
// published with it, and a value seen one tick late is drawn on the next.
class AtomicDouble {
 public:
  explicit AtomicDouble(double value = 0.) : mValue(value) {}
  AtomicDouble(const AtomicDouble& other) : mValue(other.Get()) {}
  AtomicDouble& operator=(const AtomicDouble& other) {
    Set(other.Get());
    return *this;
  }

  double Get() const { return mValue.load(std::memory_order_relaxed); }
  void Set(double value) { mValue.store(value, std::memory_order_relaxed); }

 private:
  std::atomic<double> mValue;
};

// A control's normalised value, its default, the range it is clamped into and
// its two redraw flags: dirty (draw on the next pass) and pending (stay dirty
// for one pass more, so that a value stored while a pass runs is drawn by the
// next one). Raising a flag publishes the values stored before it to the
// thread that sees the flag.
class ControlState {
 public:
  double Value() const { return mValue.Get(); }
  void SetValue(double value) { mValue.Set(value); }
  double Default() const { return mDefault.Get(); }
  void SetDefault(double value) { mDefault.Set(value); }

  double ClampLo() const { return mClampLo.Get(); }
  double ClampHi() const { return mClampHi.Get(); }
  void SetClamp(double lo, double hi) {
    mClampLo.Set(lo);
    mClampHi.Set(hi);
  }
  // The value held inside the clamp range; a NaN becomes the low bound.
  void ClampValue() {
    const double v = Value();
    if (v < ClampLo() || v != v) {
      SetValue(ClampLo());
    } else if (v > ClampHi()) {
      SetValue(ClampHi());
    }
  }

  bool IsDirty() const { return (mFlags.load(std::memory_order_acquire) & kDirty) != 0; }
  bool IsRedrawPending() const { return (mFlags.load(std::memory_order_acquire) & kPending) != 0; }
  void MarkDirty() { mFlags.fetch_or(kDirty, std::memory_order_release); }
  void MarkRedrawPending() { mFlags.fetch_or(kPending, std::memory_order_release); }
  // After a draw: dirty takes the pending flag, which is cleared. One atomic
  // step, so that a mark made meanwhile on another thread is never lost.
  void Clean() {
    unsigned flags = mFlags.load(std::memory_order_acquire);
    while (!mFlags.compare_exchange_weak(flags, (flags & kPending) ? kDirty : 0u,
                                         std::memory_order_acq_rel, std::memory_order_acquire)) {
    }
  }

 private:
  static constexpr unsigned kDirty = 1;
  static constexpr unsigned kPending = 2;

  AtomicDouble mValue{0.};
  AtomicDouble mDefault{-1.};  // negative: not known yet
  AtomicDouble mClampLo{0.};
  AtomicDouble mClampHi{1.};
  std::atomic<unsigned> mFlags{kDirty};  // a new control draws on the first pass
};

// A text a host thread may replace while the editor thread draws it. Not for
// the audio thread: it locks.
class SharedText {
 public:
  std::string Get() const {
    std::lock_guard lock(mMutex);
    return mText;
  }
  // False when the text was already this.
  bool Set(std::string_view text) {
    std::lock_guard lock(mMutex);
    if (mText == text) return false;
    mText = text;
    return true;
  }

 private:
  mutable std::mutex mMutex;
  std::string mText;
};
