#include "quor-host/host_callback.h"

#include <algorithm>

#include <chrono>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

thread_local HostContext* constructing = nullptr;

HostContext* ContextOf(AEffect* effect) {
  if (effect != nullptr && effect->user != nullptr) return static_cast<HostContext*>(effect->user);
  return constructing;
}

// Hosts hand out strings into buffers sized by the interface's limits.
void CopyText(void* destination, const char* text, std::size_t capacity) {
  if (destination == nullptr) return;
  auto* out = static_cast<char*>(destination);
  std::strncpy(out, text, capacity - 1);
  out[capacity - 1] = '\0';
}

VstTimeInfo* FillTimeInfo(HostContext& context) {
  VstTimeInfo& info = context.timeInfo;
  info = VstTimeInfo{};
  info.samplePos = context.samplePos;
  info.sampleRate = context.sampleRate;
  info.nanoSeconds = static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                             std::chrono::steady_clock::now().time_since_epoch())
                                             .count());
  info.tempo = kHostTempo;
  info.ppqPos = context.samplePos / context.sampleRate * kHostTempo / 60.0;
  info.barStartPos = std::floor(info.ppqPos / 4.0) * 4.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
  if (context.rendering) info.flags |= kVstTransportPlaying;
  return &info;
}

VstIntPtr CanDo(const void* ptr) {
  if (ptr == nullptr) return 0;
  const std::string_view capability(static_cast<const char*>(ptr));
  for (const char* answer : {"sendVstTimeInfo", "offline", "sendVstEvents", "sendVstMidiEvent"}) {
    if (capability == answer) return 1;
  }
  return 0;
}

}  // namespace

ConstructionScope::ConstructionScope(HostContext& context) {
  constructing = &context;
}
ConstructionScope::~ConstructionScope() {
  constructing = nullptr;
}

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt) {
  HostContext* const context = ContextOf(effect);
  switch (opcode) {
    case audioMasterVersion:
      return 2400;
    case audioMasterGetProductString:
      CopyText(ptr, kHostProduct, kVstMaxProductStrLen + 1);
      return 1;
    case audioMasterGetVendorString:
      CopyText(ptr, kHostVendor, kVstMaxVendorStrLen + 1);
      return 1;
    case audioMasterGetVendorVersion:
      return kHostVendorVersion;
    case audioMasterCanDo:
      return CanDo(ptr);
    default:
      break;
  }
  if (context == nullptr) return 0;
  switch (opcode) {
    case audioMasterGetSampleRate:
      return static_cast<VstIntPtr>(context->sampleRate);
    case audioMasterGetBlockSize:
      return context->blockSize;
    case audioMasterGetCurrentProcessLevel:
      return context->rendering ? kVstProcessLevelOffline : kVstProcessLevelUnknown;
    case audioMasterGetTime:
      return reinterpret_cast<VstIntPtr>(FillTimeInfo(*context));
    case audioMasterIOChanged:
      context->ioChanged = true;
      return 1;
    case audioMasterBeginEdit:
    case audioMasterAutomate:
    case audioMasterEndEdit:
      if (context->onEdit) context->onEdit(opcode, index, opt);
      return 1;
    case audioMasterSizeWindow:
      if (!context->onSizeWindow || index <= 0 || value <= 0) return 0;
      context->onSizeWindow(index, static_cast<int>(std::min<VstIntPtr>(value, 32767)));
      return 1;
    default:
      return 0;
  }
}
