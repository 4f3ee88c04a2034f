// Every non-audio request of the host. One case per opcode, in the order of
// the opcode numbers; each request holds the plug-in's mutex throughout.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>

#include "framework/key_codes.h"
#include "vst2/ieffect_vst2.h"

namespace {

// Texts never exceed what hosts allocate for them (characters, without the zero).
constexpr std::size_t kProgramNameChars = 24;
constexpr std::size_t kParamTextChars = 31;
constexpr std::size_t kEffectNameChars = 31;
constexpr std::size_t kVendorTextChars = 63;
constexpr std::size_t kLabelChars = 63;

void CopyText(void* destination, std::string_view text, std::size_t maxChars) {
  auto* out = static_cast<char*>(destination);
  const std::size_t n = std::min(text.size(), maxChars);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

constexpr VstIntPtr kExtensionSupported = 0xBEEF0000;
constexpr VstIntPtr kVendorSpecificHandled = 0xBEEF;
// Vendor-specific requests some hosts send: the text a parameter would show
// at an arbitrary normalised value, and whether a parameter is continuous.
constexpr VstInt32 kVendorParamDisplayAt = 7;
constexpr VstInt32 kVendorParamIsContinuous = 8;

bool IsWindowRequest(VstInt32 opcode) {
  return opcode == effEditOpen || opcode == effEditClose || opcode == effEditKeyDown ||
         opcode == effEditKeyUp;
}

// The editor's code of a key the host forwards: its virtual key, else its
// character; -1 for keys the editor has no code for.
int KeyCodeForHostKey(VstInt32 character, VstIntPtr virtualKey) {
  switch (virtualKey) {
    case VKEY_SPACE:
      return KEY_SPACE;
    case VKEY_UP:
      return KEY_UPARROW;
    case VKEY_DOWN:
      return KEY_DOWNARROW;
    case VKEY_LEFT:
      return KEY_LEFTARROW;
    case VKEY_RIGHT:
      return KEY_RIGHTARROW;
    case VKEY_RETURN:
    case VKEY_ENTER:
      return KEY_RETURN;
    default:
      break;
  }
  return character > 0 && character < 128 ? KeyCodeForCharacter(static_cast<char32_t>(character))
                                          : -1;
}

}  // namespace

VstIntPtr IEffectVST2::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                     VstIntPtr value, void* ptr, float opt) {
  IEffectVST2* adapter = AdapterOf(effect);
  if (!adapter) return 0;
  if (opcode == effClose) return Close(effect);
  // Reads that hosts make from other threads while audio runs wait for
  // nothing the audio thread holds.
  if (opcode == effGetParamLabel || opcode == effGetParamDisplay || opcode == effGetParamName ||
      (opcode == effGetChunk && index != 0)) {
    try {
      return adapter->DispatchUnlocked(opcode, index, ptr);
    } catch (...) {
      return 0;  // nothing may unwind into the host
    }
  }
  // Without the mutex: closing joins the editor's thread and a key waits for
  // it, while that thread may be waiting for the mutex to hand the plug-in a
  // value.
  if (IsWindowRequest(opcode)) return adapter->DispatchWindow(opcode, index, value, ptr);
  if (opcode == effEditIdle) {
    adapter->EditIdle();
    return 0;
  }
  if (opcode == effIdle) return 0;
  if (opcode == effProcessEvents)
    return RunAudioCallback(effect, [&](IEffectVST2& entered) {
      return entered.ProcessEvents(static_cast<const VstEvents*>(ptr));
    });
  return Enter(adapter, [&](IEffectVST2& entered) {
    return entered.Dispatch(opcode, index, value, ptr, opt);
  });
}

// Parameter names and labels are fixed, values atomic, and the program state
// is read under mStateMutex: none of these needs mMutex.
VstIntPtr IEffectVST2::DispatchUnlocked(VstInt32 opcode, VstInt32 index, void* ptr) {
  if (!ptr) return 0;
  const IEffectBase& plug = Plug();
  switch (opcode) {
    case effGetParamLabel:
      if (plug.IsValidParamIdx(index))
        CopyText(ptr, plug.GetParam(index)->GetLabelForHost(), kParamTextChars);
      return 0;
    case effGetParamDisplay:
      if (plug.IsValidParamIdx(index))
        CopyText(ptr, plug.GetParam(index)->GetDisplayForHost(true), kParamTextChars);
      return 0;
    case effGetParamName:
      if (plug.IsValidParamIdx(index))
        CopyText(ptr, plug.GetParam(index)->GetNameForHost(), kParamTextChars);
      return 0;
    case effGetChunk:
      return GetProgramChunk(static_cast<void**>(ptr));
    default:
      return 0;
  }
}

VstIntPtr IEffectVST2::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  IEffectBase& plug = Plug();
  switch (opcode) {
    case effOpen:
      Open();
      mAEffect->numInputs = mInputSpkrArr.numChannels = plug.NInChannels();
      mAEffect->numOutputs = mOutputSpkrArr.numChannels = plug.NOutChannels();
      return 0;
    case effSetProgram:
      if (!plug.DoesStateChunks()) plug.ModifyCurrentPreset(nullptr);
      if (value >= 0 && value < plug.NPresets()) plug.RestorePreset(static_cast<int>(value));
      return 0;
    case effGetProgram:
      return plug.GetCurrentPresetIdx();
    case effSetProgramName:
      if (ptr) {
        plug.ModifyCurrentPreset(static_cast<const char*>(ptr));
        plug.PresetsChangedByHost();
      }
      return 0;
    case effGetProgramName:
      if (ptr) CopyText(ptr, plug.GetPresetName(plug.GetCurrentPresetIdx()), kProgramNameChars);
      return 0;
    case effSetSampleRate:
      SetSampleRate(static_cast<double>(opt));
      return 0;
    case effSetBlockSize:
      SetMaxBlockSize(
          static_cast<int>(std::clamp<VstIntPtr>(value, 0, IEffectBase::kMaxBlockSize)));
      return 0;
    case effMainsChanged:
      SetActive(value != 0);
      mAEffect->initialDelay = plug.GetLatency();
      return 0;
    case effEditGetRect:
      if (!ptr || !plug.GetGUI()) return 0;
      UpdateEditRect();
      *static_cast<ERect**>(ptr) = &mEditRect;
      return 1;
    case effIdentify:
      return FourCharCode('N', 'v', 'E', 'f');
    case effGetChunk:  // a bank: a program chunk goes without the lock
      return ptr ? GetBankChunk(static_cast<void**>(ptr)) : 0;
    case effSetChunk:
      return SetChunk(index != 0, value, ptr);
    case effCanBeAutomated:
      return 1;
    case effString2Parameter:
      return String2Parameter(index, static_cast<const char*>(ptr));
    case effGetProgramNameIndexed: {
      if (!ptr) return 0;
      const std::string_view name = plug.GetPresetName(index);
      CopyText(ptr, name, kProgramNameChars);
      return name.empty() ? 0 : 1;
    }
    case effGetInputProperties:
      return GetPinProperties(true, index, static_cast<VstPinProperties*>(ptr));
    case effGetOutputProperties:
      return GetPinProperties(false, index, static_cast<VstPinProperties*>(ptr));
    case effGetPlugCategory:
      return plug.IsInst() ? kPlugCategSynth : kPlugCategEffect;
    case effProcessVarIo:
      return 0;
    case effSetSpeakerArrangement:
      ConnectFromArrangement(true, reinterpret_cast<const VstSpeakerArrangement*>(value));
      ConnectFromArrangement(false, static_cast<const VstSpeakerArrangement*>(ptr));
      return 1;
    case effGetEffectName:
      if (!ptr) return 0;
      CopyText(ptr, plug.GetEffectName(), kEffectNameChars);
      return 1;
    case effGetVendorString:
      if (!ptr) return 0;
      CopyText(ptr, plug.GetMfrName(), kVendorTextChars);
      return 1;
    case effGetProductString:
      if (!ptr) return 0;
      CopyText(ptr, plug.GetProductName(), kVendorTextChars);
      return 1;
    case effGetVendorVersion:
      return plug.GetEffectVersion(true);
    case effVendorSpecific:
      if (index == kVendorParamDisplayAt && ptr) {
        if (value >= 0 && value < plug.NParams())
          CopyText(ptr,
                   plug.GetParam(static_cast<int>(value))
                       ->GetDisplayForHost(static_cast<double>(opt), true, true),
                   kParamTextChars);
        return kVendorSpecificHandled;
      }
      if (index == kVendorParamIsContinuous && value >= 0 && value < plug.NParams())
        return plug.GetParam(static_cast<int>(value))->Type() == kTypeDouble
                   ? kVendorSpecificHandled
                   : 0;
      return 0;
    case effCanDo: {
      if (!ptr) return 0;
      const std::string_view capability = static_cast<const char*>(ptr);
      if (capability == "receiveVstTimeInfo") return 1;
      if (capability == "sendVstEvents" || capability == "sendVstMidiEvent" ||
          capability == "receiveVstEvents" || capability == "receiveVstMidiEvent")
        return plug.DoesMIDI() ? 1 : 0;
      if (capability == "hasCockosExtensions" || capability == "hasCockosViewAsConfig")
        return kExtensionSupported;
      return 0;
    }
    case effGetTailSize:
      return plug.GetTailSize();
    case effGetVstVersion:
      return 2400;
    case effGetMidiKeyName: {
      if (!ptr) return 0;
      auto* keyName = static_cast<MidiKeyName*>(ptr);
      keyName->keyName[0] = '\0';
      const bool named = plug.MidiNoteName(keyName->thisKeyNumber, keyName->keyName,
                                           static_cast<int>(kLabelChars + 1));
      keyName->keyName[kLabelChars] = '\0';
      return named ? 1 : 0;
    }
    case effGetSpeakerArrangement:
      if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &mInputSpkrArr;
      if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &mOutputSpkrArr;
      return 1;
    default:
      // effGetVu, effSetBypass, effStartProcess, effSetProcessPrecision and the
      // rest: nothing to do.
      return 0;
  }
}

VstIntPtr IEffectVST2::DispatchWindow(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr) {
  IEffectBase& plug = Plug();
  IEditorSurface* editor = plug.GetGUI();
  if (!editor) return 0;
  switch (opcode) {
    case effEditOpen:
      return plug.OpenEditor(ptr) ? 1 : 0;
    case effEditClose:
      plug.CloseEditor();
      // What the editor's last moments did (a gesture its closing ended).
      plug.DeliverEdits();
      return 1;
    case effEditKeyDown:
    case effEditKeyUp: {
      const int code = KeyCodeForHostKey(index, value);
      return code >= 0 && editor->OnHostKey(code, opcode == effEditKeyDown) ? 1 : 0;
    }
    default:
      return 0;
  }
}

VstIntPtr IEffectVST2::GetProgramChunk(void** data) {
  ByteChunk& chunk = mProgramChunks.ForThisThread();
  if (!Plug().SaveState(&chunk, false)) return 0;
  *data = chunk.GetBytes();
  return chunk.Size();
}

VstIntPtr IEffectVST2::GetBankChunk(void** data) {
  ByteChunk& chunk = mBankChunks.ForThisThread();
  if (!Plug().SaveState(&chunk, true)) return 0;
  *data = chunk.GetBytes();
  return chunk.Size();
}

VstIntPtr IEffectVST2::SetChunk(bool isPreset, VstIntPtr size, const void* data) {
  // Refused before anything changes: no data, or a size no chunk of ours can have.
  if (!data || size < 0 || size > IEffectBase::kMaxStateSize) return 0;
  const std::span bytes(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(size));
  return Plug().RestoreState(bytes, isPreset) ? 1 : 0;
}

VstIntPtr IEffectVST2::ProcessEvents(const VstEvents* events) {
  if (!events) return 0;
  IEffectBase& plug = Plug();
  // The list holds as many entries as numEvents says, more than it declares.
  const VstEvent* const* entries = events->events;
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = entries[i];
    if (!event) continue;
    if (event->type == kVstMidiType) {
      const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
      IMidiMsg msg;
      msg.mOffset = midi->deltaFrames;
      msg.mStatus = static_cast<std::uint8_t>(midi->midiData[0]);
      msg.mData1 = static_cast<std::uint8_t>(midi->midiData[1]);
      msg.mData2 = static_cast<std::uint8_t>(midi->midiData[2]);
      plug.ProcessMidiMsg(&msg);
    } else if (event->type == kVstSysExType) {
      const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(event);
      ISysEx msg;
      msg.mOffset = sysex->deltaFrames;
      msg.mSize = sysex->dumpBytes;
      msg.mData = reinterpret_cast<const std::uint8_t*>(sysex->sysexDump);
      plug.ProcessSysEx(&msg);
    }
  }
  return 1;
}

VstIntPtr IEffectVST2::String2Parameter(int paramIdx, const char* text) {
  IEffectBase& plug = Plug();
  if (!plug.IsValidParamIdx(paramIdx)) return 0;
  // No text: the host asks whether the parameter takes texts at all.
  if (!text) return 1;
  return plug.SetParameterFromText(paramIdx, text) ? 1 : 0;
}

VstIntPtr IEffectVST2::GetPinProperties(bool input, int index, VstPinProperties* properties) {
  const IEffectBase& plug = Plug();
  const int nChannels = input ? plug.NInChannels() : plug.NOutChannels();
  if (index < 0 || !properties || index >= nChannels) return 0;
  properties->flags = kVstPinIsActive;
  if (index % 2 == 0 && index + 1 < nChannels) properties->flags |= kVstPinIsStereo;
  const std::string label = Plug().ChannelLabel(input, index);
  if (!label.empty()) {
    CopyText(properties->label, label, kLabelChars);
  } else {
    std::snprintf(properties->label, sizeof properties->label, "%s %d", input ? "Input" : "Output",
                  index + 1);
  }
  return 1;
}

void IEffectVST2::ConnectFromArrangement(bool input, const VstSpeakerArrangement* arrangement) {
  if (!arrangement) return;
  IEffectBase& plug = Plug();
  const int nChannels = input ? plug.NInChannels() : plug.NOutChannels();
  // A negative or oversized count is cut to the channels the plug-in has.
  const int n = std::clamp(arrangement->numChannels, 0, nChannels);
  if (input) {
    plug.SetInputChannelConnections(0, n, true);
    plug.SetInputChannelConnections(n, nChannels - n, false);
  } else {
    plug.SetOutputChannelConnections(0, n, true);
    plug.SetOutputChannelConnections(n, nChannels - n, false);
  }
}
