// Effect records that outlive their plug-ins. A host keeps the record's
// address after closing the plug-in and may still call through it (a second
// effClose, say): a retired record has no plug-in, so every entry answers it
// with 0 instead of touching freed memory.
#pragma once

#include <memory>

#include "vst2/vst2_abi.h"

// Clears the record's plug-in and keeps the record alive while fewer than
// kRetiredRecordsKept newer ones have been retired.
inline constexpr int kRetiredRecordsKept = 256;
void RetireEffectRecord(std::unique_ptr<AEffect> record);
