#include "vst2/effect_record.h"

#include <atomic>
#include <deque>
#include <mutex>

namespace {

struct RetiredRecords {
  std::mutex mMutex;
  std::deque<std::unique_ptr<AEffect>> mRecords;
};

RetiredRecords& Retired() {
  // Freed with the shared object, when the host unloads it.
  static RetiredRecords retired;
  return retired;
}

}  // namespace

void RetireEffectRecord(std::unique_ptr<AEffect> record) {
  if (!record) return;
  std::atomic_ref(record->object).store(nullptr, std::memory_order_release);
  RetiredRecords& retired = Retired();
  std::lock_guard lock(retired.mMutex);
  retired.mRecords.push_back(std::move(record));
  if (retired.mRecords.size() > static_cast<std::size_t>(kRetiredRecordsKept))
    retired.mRecords.pop_front();
}
