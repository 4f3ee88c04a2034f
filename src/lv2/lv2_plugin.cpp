#include "lv2/lv2_plugin.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

#include "framework/utf8_text.h"
#include "lv2/lv2_ui.h"

namespace {

const void* FeatureData(const LV2_Feature* const* features, std::string_view uri) {
  for (const LV2_Feature* const* f = features; f && *f; ++f)
    if ((*f)->URI && uri == (*f)->URI) return (*f)->data;
  return nullptr;
}

// The longest block the host promises, from its options; 0 when it says
// nothing that can be read.
int BlockSizeFromOptions(const LV2_Options_Option* options, LV2_URID_Map* map) {
  if (!options || !map) return 0;
  const LV2_URID atomInt = map->map(map->handle, LV2_ATOM__Int);
  const LV2_URID maxBlock = map->map(map->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID nominalBlock = map->map(map->handle, LV2_BUF_SIZE__nominalBlockLength);
  int nominal = 0;
  for (const LV2_Options_Option* o = options; o->key != 0; ++o) {
    if (o->type != atomInt || o->size != sizeof(std::int32_t) || !o->value) continue;
    std::int32_t value = 0;
    std::memcpy(&value, o->value, sizeof value);
    if (value <= 0) continue;
    if (o->key == maxBlock) return value;
    if (o->key == nominalBlock) nominal = value;
  }
  return nominal;
}

}  // namespace

std::unique_ptr<Lv2Plugin> Lv2Plugin::Create(const Lv2Description& description, double sampleRate,
                                             const LV2_Feature* const* features) {
  if (!IEffectBase::IsUsableSampleRate(sampleRate)) return nullptr;
  std::unique_ptr<IEffectBase> plug = MakePlug(description.mPlug->mMake);
  if (!plug) return nullptr;
  auto* map = static_cast<LV2_URID_Map*>(const_cast<void*>(FeatureData(features, LV2_URID__map)));
  if (map && !map->map) map = nullptr;
  const auto* options =
      static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  const int block = BlockSizeFromOptions(options, map);

  std::unique_ptr<Lv2Plugin> adapter(new Lv2Plugin(std::move(plug), description, map));
  adapter->Connect(adapter.get(), kAPILV2);
  adapter->SetSampleRate(sampleRate);
  if (block > 0) adapter->SetMaxBlockSize(block);
  adapter->Open();
  return adapter;
}

Lv2Plugin::Lv2Plugin(std::unique_ptr<IEffectBase> plug, const Lv2Description& description,
                     LV2_URID_Map* map)
    : PlugInstance(std::move(plug)),
      mDescription(description),
      mMap(map),
      mPortData(description.mPorts.size(), nullptr),
      mSeen(description.mPorts.size()),
      mInputs(static_cast<std::size_t>(Plug().NInChannels()), nullptr),
      mOutputs(static_cast<std::size_t>(Plug().NOutChannels()), nullptr),
      mUiLink(std::make_shared<Lv2UiLink>()) {
  mUiLink->mPlugin = this;
}

Lv2Plugin::~Lv2Plugin() {
  {
    // A UI that outlives the instance finds no plug-in from now on.
    std::lock_guard lock(mUiLink->mMutex);
    mUiLink->mPlugin = nullptr;
  }
  DestroyPlug();
}

void Lv2Plugin::ConnectPort(std::uint32_t port, void* data) {
  if (port >= mPortData.size()) return;
  mPortData[port] = data;
  const Lv2Port& description = mDescription.mPorts[port];
  const auto channel = static_cast<std::size_t>(description.mIndex);
  if (description.mKind == Lv2Port::Kind::kAudioIn && channel < mInputs.size())
    mInputs[channel] = static_cast<float*>(data);
  if (description.mKind == Lv2Port::Kind::kAudioOut && channel < mOutputs.size())
    mOutputs[channel] = static_cast<float*>(data);
}

void Lv2Plugin::Activate() {
  Guarded([this] { SetActive(true); });
}

void Lv2Plugin::Deactivate() {
  Guarded([this] { SetActive(false); });
}

void Lv2Plugin::ApplyChangedControls() {
  for (std::size_t port = 0; port < mPortData.size(); ++port) {
    const Lv2Port& description = mDescription.mPorts[port];
    const auto* data = static_cast<const float*>(mPortData[port]);
    if (description.mKind != Lv2Port::Kind::kControlIn || !data) continue;
    const float value = *data;
    const auto bits = std::bit_cast<std::uint32_t>(value);
    SeenControl& seen = mSeen[port];
    // The editor may have changed the parameter since: a port the host left
    // alone must not undo that.
    if (seen.mSeen && seen.mBits == bits) continue;
    seen = {bits, true};
    // A toggle is on for any value above zero, as the format defines it.
    const double applied = description.mStyle == Lv2Port::Style::kToggle
                               ? (value > 0.f ? 1. : 0.)
                               : static_cast<double>(value);
    Plug().SetParameterValueFromHost(description.mIndex, applied);
  }
}

void Lv2Plugin::WriteOutputs() {
  for (std::size_t port = 0; port < mPortData.size(); ++port) {
    auto* data = static_cast<float*>(mPortData[port]);
    if (!data) continue;
    const Lv2Port& description = mDescription.mPorts[port];
    if (description.mKind == Lv2Port::Kind::kControlOut) {
      const auto value = static_cast<float>(Plug().GetOutputValue(description.mIndex));
      *data = value >= 0.f ? std::min(value, 1.f) : 0.f;  // a NaN reads as 0
    }
    if (description.mKind == Lv2Port::Kind::kLatency)
      *data = static_cast<float>(Plug().GetLatency());
  }
}

void Lv2Plugin::Run(std::uint32_t frames) {
  Guarded([&] {
    const ThreadRoleScope audio(ThreadRole::kAudio);
    ApplyChangedControls();
    const int n = static_cast<int>(std::min<std::uint32_t>(frames, 1u << 30));
    Plug().ProcessBlock(mInputs.data(), mOutputs.data(), n, false);
    WriteOutputs();
  });
}

LV2_State_Status Lv2Plugin::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle) {
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  if (!store) return LV2_STATE_ERR_UNKNOWN;
  const LV2_URID string = mMap->map(mMap->handle, LV2_ATOM__String);
  LV2_State_Status status = LV2_STATE_SUCCESS;
  Guarded([&] {
    for (std::size_t i = 0; i < mDescription.mTextKeys.size(); ++i) {
      // Valid UTF-8, as the host's Turtle must be, of a length a restore takes.
      const std::string text(
          Utf8Prefix(MendedUtf8(Plug().GetText(static_cast<int>(i))), kMaxTextBytes));
      const LV2_URID key = mMap->map(mMap->handle, mDescription.mTextKeys[i].c_str());
      const LV2_State_Status stored = store(handle, key, text.c_str(), text.size() + 1, string,
                                            LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
      if (stored != LV2_STATE_SUCCESS) status = stored;
    }
  });
  return status;
}

LV2_State_Status Lv2Plugin::RestoreState(LV2_State_Retrieve_Function retrieve,
                                         LV2_State_Handle handle) {
  if (!mMap) return LV2_STATE_ERR_NO_FEATURE;
  if (!retrieve) return LV2_STATE_ERR_UNKNOWN;
  const LV2_URID string = mMap->map(mMap->handle, LV2_ATOM__String);
  Guarded([&] {
    for (std::size_t i = 0; i < mDescription.mTextKeys.size(); ++i) {
      const int text = static_cast<int>(i);
      const LV2_URID key = mMap->map(mMap->handle, mDescription.mTextKeys[i].c_str());
      std::size_t size = 0;
      std::uint32_t type = 0;
      std::uint32_t flags = 0;
      const auto* value = static_cast<const char*>(retrieve(handle, key, &size, &type, &flags));
      // A string, ending where its terminating zero says, of a length a text
      // can have; anything else is replaced by the default.
      const bool valid = value && type == string && size > 0 && size <= kMaxTextBytes + 1 &&
                         value[size - 1] == '\0' && std::strlen(value) == size - 1;
      Plug().SetText(text,
                     valid ? std::string(value, size - 1) : mDescription.mPlug->mTexts[i].mDefault);
    }
  });
  return LV2_STATE_SUCCESS;
}

int Lv2Plugin::PortOfParam(int paramIdx) const {
  for (std::size_t port = 0; port < mDescription.mPorts.size(); ++port) {
    const Lv2Port& p = mDescription.mPorts[port];
    if (p.mKind == Lv2Port::Kind::kControlIn && p.mIndex == paramIdx) return static_cast<int>(port);
  }
  return -1;
}

void Lv2Plugin::AttachUi(Lv2Ui* ui) {
  std::lock_guard lock(mUiMutex);
  mUi = ui;
}

bool Lv2Plugin::DetachUi(Lv2Ui* ui) {
  std::lock_guard lock(mUiMutex);
  if (mUi != ui) return false;
  mUi = nullptr;
  return true;
}

template <typename Post>
void Lv2Plugin::ToUi(Post post) {
  std::lock_guard lock(mUiMutex);
  if (mUi) post(*mUi);
}

void Lv2Plugin::BeginEdit(int paramIdx) {
  const int port = PortOfParam(paramIdx);
  if (port >= 0) ToUi([&](Lv2Ui& ui) { ui.Touch(static_cast<std::uint32_t>(port), true); });
}

void Lv2Plugin::Automate(int paramIdx, double normalizedValue) {
  const int port = PortOfParam(paramIdx);
  if (port < 0) return;
  // The port carries the value in the parameter's own units.
  const auto value =
      static_cast<float>(Plug().GetParam(paramIdx)->ValueForNormalized(normalizedValue));
  ToUi([&](Lv2Ui& ui) { ui.Write(static_cast<std::uint32_t>(port), value); });
}

void Lv2Plugin::EndEdit(int paramIdx) {
  const int port = PortOfParam(paramIdx);
  if (port >= 0) ToUi([&](Lv2Ui& ui) { ui.Touch(static_cast<std::uint32_t>(port), false); });
}

void Lv2Plugin::EditorResized(int width, int height) {
  ToUi([&](Lv2Ui& ui) { ui.Resize(width, height); });
}
