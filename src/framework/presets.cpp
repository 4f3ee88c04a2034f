// Preset slots, the preset list inside bank chunks, and the developer dumps.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "framework/base64.h"
#include "framework/ieffect_base.h"

namespace {

std::string BoundedPresetName(const char* name) {
  return std::string(name, strnlen(name, IPreset::kMaxNameLen));
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

void IEffectBase::ResetToFactory(IPreset& preset, const FactoryPreset& factory) {
  preset.mInitialized = true;
  preset.mName = BoundedPresetName(factory.mName.c_str());
  preset.mChunk.Clear();
  preset.mFactory = &factory;
}

const FactoryPreset* IEffectBase::FactoryPresetAt(std::size_t idx) const {
  if (!mDescriptor || idx >= mDescriptor->mPresets.size()) return nullptr;
  return &mDescriptor->mPresets[idx];
}

IPreset* IEffectBase::FirstUninitializedPreset() {
  for (auto& preset : mPresets)
    if (!preset->mInitialized) return preset.get();
  return nullptr;
}

const char* IEffectBase::GetPresetName(int idx) const {
  if (idx < 0 || idx >= NPresets()) return "";
  return mPresets[static_cast<std::size_t>(idx)]->mName.c_str();
}

const ByteChunk* IEffectBase::GetPresetChunk(int idx) const {
  if (idx < 0 || idx >= NPresets()) return nullptr;
  return &mPresets[static_cast<std::size_t>(idx)]->mChunk;
}

void IEffectBase::MakeDefaultPreset(const char* name, int nPresets) {
  for (int i = 0; i < nPresets; ++i) {
    IPreset* preset = FirstUninitializedPreset();
    if (!preset) return;
    preset->mInitialized = true;
    preset->mName = BoundedPresetName(name ? name : "Empty");
    preset->mChunk.Clear();
    SerializeState(&preset->mChunk);
  }
}

void IEffectBase::EnsureDefaultPreset() {
  MakeDefaultPreset("Empty", NPresets());
}

void IEffectBase::FillPresetFromValues(IPreset* preset, const char* name,
                                       std::span<const double> values) {
  preset->mInitialized = true;
  preset->mName = BoundedPresetName(name ? name : "");
  preset->mChunk.Clear();
  for (int i = 0; i < NParams(); ++i) {
    const double value = i < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(i)]
                                                             : GetParam(i)->Value();
    preset->mChunk.Put(value);
  }
}

void IEffectBase::MakePreset(const char* name, std::span<const double> values) {
  if (IPreset* preset = FirstUninitializedPreset()) FillPresetFromValues(preset, name, values);
}

void IEffectBase::MakePresetFromNamedParams(const char* name,
                                            std::span<const NamedParamValue> values) {
  IPreset* preset = FirstUninitializedPreset();
  if (!preset) return;
  // Entries still holding the marker afterwards take the parameter's current value.
  constexpr double kUnsetMarker = 9.999e-8;
  std::vector<double> block(static_cast<std::size_t>(NParams()), kUnsetMarker);
  for (const NamedParamValue& entry : values)
    if (IsValidParamIdx(entry.mIdx)) block[static_cast<std::size_t>(entry.mIdx)] = entry.mValue;
  for (int i = 0; i < NParams(); ++i)
    if (block[static_cast<std::size_t>(i)] == kUnsetMarker)
      block[static_cast<std::size_t>(i)] = GetParam(i)->Value();
  FillPresetFromValues(preset, name, block);
}

void IEffectBase::MakePresetFromChunk(const char* name, const ByteChunk* chunk) {
  IPreset* preset = FirstUninitializedPreset();
  if (!preset || !chunk) return;
  preset->mInitialized = true;
  preset->mName = BoundedPresetName(name ? name : "");
  preset->mChunk = *chunk;
}

void IEffectBase::MakePresetFromBlob(const char* name, const char* base64, int sizeOfChunk) {
  IPreset* preset = FirstUninitializedPreset();
  if (!preset) return;
  ByteChunk chunk;
  chunk.Resize(sizeOfChunk);
  if (chunk.Size() > 0)
    DecodeBase64(base64, std::span(chunk.GetBytes(), static_cast<std::size_t>(chunk.Size())));
  MakePresetFromChunk(name, &chunk);
}

void IEffectBase::PruneUninitializedPresets() {
  std::erase_if(mPresets, [](const auto& preset) { return !preset->mInitialized; });
}

std::string IEffectBase::MakeDefaultUserPresetName() const {
  int count = 0;
  for (const auto& preset : mPresets)
    if (preset->mName.find("user preset") != std::string::npos) ++count;
  return "user preset " + std::to_string(count + 1);
}

bool IEffectBase::RestorePreset(int idx) {
  if (idx < 0 || idx >= NPresets()) return false;
  IPreset& preset = *mPresets[static_cast<std::size_t>(idx)];
  bool restored = true;
  if (!preset.mInitialized) {
    preset.mInitialized = true;
    preset.mName = MakeDefaultUserPresetName();
    preset.mChunk.Clear();
    SerializeState(&preset.mChunk);
  } else if (preset.mFactory) {
    ApplyParamValues(preset.mFactory->mValues);
  } else {
    restored = UnserializeState(&preset.mChunk, 0) > 0;
  }
  if (!restored) return false;
  mCurrentPresetIdx = idx;
  PresetsChangedByHost();
  RedrawParamControls();
  return true;
}

bool IEffectBase::RestorePreset(const char* name) {
  if (!name || !*name) return false;
  for (int i = 0; i < NPresets(); ++i)
    if (mPresets[static_cast<std::size_t>(i)]->mName == name) return RestorePreset(i);
  return false;
}

void IEffectBase::ModifyCurrentPreset(const char* name) {
  if (mCurrentPresetIdx < 0 || mCurrentPresetIdx >= NPresets()) return;
  IPreset& preset = *mPresets[static_cast<std::size_t>(mCurrentPresetIdx)];
  preset.mChunk.Clear();
  SerializeState(&preset.mChunk);
  preset.mFactory = nullptr;
  if (name && *name) preset.mName = BoundedPresetName(name);
}

// A bank keeps what changed. A slot still holding its factory preset goes as
// its name alone, uninitialised, and those after the last slot that changed
// or is current not at all; a current slot other than the first follows the
// slots with its number. A bank of a plug-in without factory presets that
// has not left its first slot is the same bytes as ever.
namespace {

// No name's length: marks the current slot's number after the slots.
constexpr std::int32_t kCurrentSlotMark = static_cast<std::int32_t>(0xC3505247u);

}  // namespace

bool IEffectBase::SerializePresets(ByteChunk* chunk) {
  std::size_t end = 1;
  for (std::size_t i = 0; i < mPresets.size(); ++i)
    if (!mPresets[i]->mFactory || static_cast<int>(i) == mCurrentPresetIdx) end = i + 1;
  for (std::size_t i = 0; i < std::min(end, mPresets.size()); ++i) {
    const IPreset& preset = *mPresets[i];
    const bool stored = preset.mInitialized && !preset.mFactory;
    chunk->PutStr(preset.mName);
    chunk->PutBool(stored);
    if (stored) chunk->PutChunk(preset.mChunk);
    if (chunk->Size() == 0) return false;
  }
  if (mCurrentPresetIdx > 0) {
    chunk->Put(kCurrentSlotMark);
    chunk->Put(static_cast<std::int32_t>(mCurrentPresetIdx));
  }
  return chunk->Size() > 0;
}

int IEffectBase::UnserializePresets(const ByteChunk* chunk, int startPos) {
  // Every slot is read before any changes: a list that fails part-way changes nothing.
  struct Slot {
    std::string mName;
    bool mInitialized = false;
    int mStatePos = -1;
  };
  std::vector<Slot> slots;
  int position = startPos;
  const auto markAt = [chunk](int at) {
    std::int32_t mark = 0;
    return chunk->Get(&mark, at) >= 0 && mark == kCurrentSlotMark;
  };
  // A bank saved with fewer slots than the plug-in has holds the first ones;
  // it holds one at least.
  while (position >= 0 && slots.size() < mPresets.size() &&
         (slots.empty() || (position < chunk->Size() && !markAt(position)))) {
    Slot& slot = slots.emplace_back();
    position = chunk->GetBool(&slot.mInitialized, chunk->GetStr(&slot.mName, position));
    if (slot.mInitialized) {
      slot.mStatePos = position;
      position = StateEnd(chunk, position);
    }
  }
  int current = mCurrentPresetIdx;
  if (position >= 0 && markAt(position)) {
    std::int32_t number = 0;
    position = chunk->Get(&number, position + 4);
    if (number >= 0 && number < NPresets()) current = number;
  }
  // A failed read fails every later one.
  if (position < 0) return -1;

  for (std::size_t i = 0; i < mPresets.size(); ++i) {
    IPreset& preset = *mPresets[i];
    const FactoryPreset* factory = FactoryPresetAt(i);
    if (i >= slots.size() || (!slots[i].mInitialized && factory)) {
      // Not in the bank, or in it unchanged.
      if (factory) ResetToFactory(preset, *factory);
      continue;
    }
    preset.mName = BoundedPresetName(slots[i].mName.c_str());
    preset.mInitialized = slots[i].mInitialized;
    preset.mFactory = nullptr;
    if (preset.mInitialized && UnserializeState(chunk, slots[i].mStatePos) >= 0) {
      // The slot keeps the state as the current plug-in encodes it.
      preset.mChunk.Clear();
      SerializeState(&preset.mChunk);
    }
  }
  mCurrentPresetIdx = current;
  RestorePreset(mCurrentPresetIdx);
  return position;
}

bool IEffectBase::DumpPresetSrcCode(const char* path, const char* const* paramEnumNames) {
  if (!path || !paramEnumNames) return false;
  UniqueFile file(std::fopen(path, "w"));
  if (!file) return false;
  std::fprintf(file.get(), "MakePresetFromNamedParams(\"name\", %d", NParams());
  for (int i = 0; i < NParams(); ++i) {
    const IParam* param = GetParam(i);
    char value[64];
    switch (param->Type()) {
      case kTypeBool:
        std::snprintf(value, sizeof value, "%s", param->Bool() ? "true" : "false");
        break;
      case kTypeInt:
      case kTypeEnum:
        std::snprintf(value, sizeof value, "%d", param->Int());
        break;
      default:
        std::snprintf(value, sizeof value, "%.6f", param->Value());
        break;
    }
    std::fprintf(file.get(), ",\n  %s, %s", paramEnumNames[i] ? paramEnumNames[i] : "", value);
  }
  std::fprintf(file.get(), ");\n");
  return true;
}

namespace {

void WriteBlobCall(std::FILE* file, const std::string& name, const ByteChunk& state) {
  const std::string text =
      EncodeBase64(std::span(state.GetBytes(), static_cast<std::size_t>(state.Size())));
  std::fprintf(file, "MakePresetFromBlob(\"%s\", \"%s\", %i);\n", name.c_str(), text.c_str(),
               state.Size());
}

}  // namespace

bool IEffectBase::DumpPresetBlob(const char* path) {
  const ByteChunk* state = GetPresetChunk(mCurrentPresetIdx);
  if (!path || !state) return false;
  UniqueFile file(std::fopen(path, "w"));
  if (!file) return false;
  WriteBlobCall(file.get(), "name", *state);
  return true;
}

bool IEffectBase::DumpBankBlob(const char* path) {
  if (!path) return false;
  UniqueFile file(std::fopen(path, "w"));
  if (!file) return false;
  for (const auto& preset : mPresets)
    WriteBlobCall(file.get(), preset->mName, preset->mChunk);
  return true;
}
