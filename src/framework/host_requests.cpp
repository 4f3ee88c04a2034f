// What every format adapter asks of the plug-in the same way: parameter values
// and texts from the host, the state envelope, the editor window.
#include <cmath>
#include <cstring>
#include <string_view>

#include "framework/ieffect_base.h"

namespace {

// Characters a host's text may have; a user types a handful.
constexpr std::size_t kMaxParamTextLength = 256;

}  // namespace

void IEffectBase::SetParameterFromHost(int paramIdx, double normalizedValue) {
  std::lock_guard lock(mMutex);
  if (!IsValidParamIdx(paramIdx)) return;
  const double normalized = IParam::ClampNormalized(normalizedValue);
  if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, normalized, true);
  GetParam(paramIdx)->SetNormalized(normalized);
  OnParamChange(paramIdx);
}

void IEffectBase::SetParameterValueFromHost(int paramIdx, double value) {
  std::lock_guard lock(mMutex);
  if (!IsValidParamIdx(paramIdx)) return;
  IParam* param = GetParam(paramIdx);
  if (param->Type() != kTypeDouble)
    value = std::floor(value / param->GetStep() + 0.5) * param->GetStep();
  if (mGraphics) mGraphics->SetParameterFromPlug(paramIdx, value, false);
  param->Set(value);
  OnParamChange(paramIdx);
}

bool IEffectBase::SetParameterFromText(int paramIdx, const char* text) {
  ExpectThread(ThreadRole::kHost);
  std::lock_guard lock(mMutex);
  if (!IsValidParamIdx(paramIdx) || !text) return false;
  // No parameter's text is this long: refused, not read beyond.
  const std::size_t length = strnlen(text, kMaxParamTextLength + 1);
  if (length > kMaxParamTextLength) return false;
  double value = 0.;
  if (!GetParam(paramIdx)->ValueForText(std::string_view(text, length), &value)) return false;
  SetParameterValueFromHost(paramIdx, value);
  return true;
}

bool IEffectBase::SaveState(ByteChunk* chunk, bool bank) {
  ExpectThread(ThreadRole::kHost);
  InitChunkWithFrameworkVer(chunk);
  if (!bank) return SerializeState(chunk) && chunk->Size() > 0;
  std::lock_guard lock(mMutex);
  ModifyCurrentPreset(nullptr);
  return SerializePresets(chunk) && chunk->Size() > 0;
}

bool IEffectBase::RestoreState(std::span<const std::uint8_t> bytes, bool program) {
  ExpectThread(ThreadRole::kHost);
  // Refused before anything changes: a size no state of ours can have.
  if (bytes.size() > static_cast<std::size_t>(kMaxStateSize)) return false;
  ByteChunk chunk;
  chunk.Resize(static_cast<int>(bytes.size()));
  if (!bytes.empty()) std::memcpy(chunk.GetBytes(), bytes.data(), bytes.size());
  std::lock_guard lock(mMutex);
  int position = 0;
  const int version = GetFrameworkVerFromChunk(&chunk, &position);
  if (!program && version >= kFrameworkVersion) {
    position = UnserializePresets(&chunk, position);
  } else {
    position = UnserializeState(&chunk, position);
    // A rejected state leaves the preset as it was, too.
    if (position >= 0) ModifyCurrentPreset(nullptr);
  }
  if (position < 0) return false;
  RedrawParamControls();
  return true;
}

void* IEffectBase::OpenEditor(void* parent) {
  ExpectThread(ThreadRole::kHost);
  // Without the mutex: the editor's thread may be waiting for it to hand
  // the plug-in a value while the window is made.
  void* view = mGraphics ? mGraphics->OpenWindow(parent) : nullptr;
  if (!view) return nullptr;
  std::lock_guard lock(mMutex);
  OnGUIOpen();
  return view;
}

void IEffectBase::CloseEditor() {
  ExpectThread(ThreadRole::kHost);
  if (!mGraphics) return;
  {
    std::lock_guard lock(mMutex);
    OnGUIClose();
  }
  // Joins the editor's thread, which may be waiting for the mutex.
  mGraphics->CloseWindow();
}
