// Edits the plug-in told on the host's main thread (from a timer, while the
// host processes nothing), waiting for the flush the plug-in then asks for
// or the next process: pushed on the main thread, taken on the thread of
// that call, without a lock or an allocation on either side.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

struct ClapEdit {
  enum class Kind : std::uint8_t { kBegin, kValue, kEnd };
  Kind mKind = Kind::kValue;
  int mParam = 0;
  double mValue = 0.;  // in the parameter's own units
};

class ClapEditQueue {
 public:
  static constexpr std::size_t kCapacity = 4096;

  // The main thread. False when full: the host misses the edit, the sound has it.
  bool Push(const ClapEdit& edit) {
    const std::size_t tail = mTail.load(std::memory_order_relaxed);
    if (tail - mHead.load(std::memory_order_acquire) == kCapacity) return false;
    mEdits[tail % kCapacity] = edit;
    mTail.store(tail + 1, std::memory_order_release);
    return true;
  }
  // The one taking thread at a time.
  bool Pop(ClapEdit* edit) {
    const std::size_t head = mHead.load(std::memory_order_relaxed);
    if (head == mTail.load(std::memory_order_acquire)) return false;
    *edit = mEdits[head % kCapacity];
    mHead.store(head + 1, std::memory_order_release);
    return true;
  }
  bool Empty() const {
    return mHead.load(std::memory_order_acquire) == mTail.load(std::memory_order_acquire);
  }

 private:
  std::array<ClapEdit, kCapacity> mEdits{};
  std::atomic<std::size_t> mHead{0};
  std::atomic<std::size_t> mTail{0};
};
