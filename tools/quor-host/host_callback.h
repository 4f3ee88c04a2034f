// What the host tells a plug-in that asks: its identity, the stream format and
// the transport, answered through the audioMaster callback.
#pragma once

#include <functional>

#include "vst2/vst2_abi.h"

struct HostContext {
  double sampleRate = 44100.0;
  VstInt32 blockSize = 512;
  bool rendering = false;  // offline process level while true
  double samplePos = 0.0;  // start of the block being processed
  bool ioChanged = false;  // the plug-in said its latency or channels changed
  VstTimeInfo timeInfo{};  // storage handed out by audioMasterGetTime
  // Told of the editor's gestures and changes (audioMasterBeginEdit,
  // audioMasterAutomate, audioMasterEndEdit), on the plug-in's editor thread.
  std::function<void(VstInt32 opcode, VstInt32 index, float value)> onEdit;
  // The editor asks for a new size of the window it is in (audioMasterSizeWindow).
  std::function<void(int width, int height)> onSizeWindow;
};

constexpr const char* kHostProduct = "quor-host";
constexpr const char* kHostVendor = "QUOR";
constexpr VstInt32 kHostVendorVersion = 10100;
constexpr double kHostTempo = 120.0;

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                       float opt);

// A plug-in may call back while its entry point runs, before the host could
// attach the context to the record; this scope names the context meanwhile.
class ConstructionScope {
 public:
  explicit ConstructionScope(HostContext& context);
  ~ConstructionScope();
  ConstructionScope(const ConstructionScope&) = delete;
  ConstructionScope& operator=(const ConstructionScope&) = delete;
};
