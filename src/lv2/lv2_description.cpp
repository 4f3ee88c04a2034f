#include "lv2/lv2_description.h"

#include <map>
#include <memory>
#include <mutex>

namespace {

std::string Numbered(const char* stem, int n) {
  return stem + std::to_string(n);
}

void AddAudioPorts(Lv2Description& d, const PlugDescriptor& plug) {
  for (const bool input : {true, false}) {
    const std::vector<AudioPair>& pairs = input ? plug.mInputs : plug.mOutputs;
    for (int c = 0; c < 2 * static_cast<int>(pairs.size()); ++c) {
      // Named by the pair and the side ("Track 2 Left"): a number alone
      // would read as a parameter's.
      const AudioPair& pair = pairs[static_cast<std::size_t>(c / 2)];
      Lv2Port port{input ? Lv2Port::Kind::kAudioIn : Lv2Port::Kind::kAudioOut,
                   Numbered(input ? "in_" : "out_", c + 1),
                   pair.mName + (c % 2 == 0 ? " Left" : " Right"), c};
      port.mGroup = pair.mSymbol;
      port.mLeft = c % 2 == 0;
      d.mPorts.push_back(port);
    }
  }
}

Lv2Port::Style StyleOf(ParamStyle style) {
  switch (style) {
    case ParamStyle::kToggle:
      return Lv2Port::Style::kToggle;
    case ParamStyle::kChoice:
      return Lv2Port::Style::kChoice;
    case ParamStyle::kContinuous:
      break;
  }
  return Lv2Port::Style::kContinuous;
}

void AddControlPorts(Lv2Description& d, const PlugDescriptor& plug) {
  // In index order, as hosts that number parameters show them.
  for (const ParamDescriptor* param : plug.UsedParams()) {
    Lv2Port port{Lv2Port::Kind::kControlIn, param->mSymbol, param->mName, param->mId};
    port.mDefault = param->mDefault;
    port.mMin = param->mMin;
    port.mMax = param->mMax;
    port.mStyle = StyleOf(param->mStyle);
    port.mUnit =
        param->mUnit == ParamUnit::kDecibel ? Lv2Port::Unit::kDecibel : Lv2Port::Unit::kNone;
    port.mChoices = param->mChoices;
    port.mComment = param->mComment;
    d.mPorts.push_back(port);
  }
}

void AddOutputPorts(Lv2Description& d, const PlugDescriptor& plug) {
  for (std::size_t i = 0; i < plug.mOutputValues.size(); ++i)
    d.mPorts.push_back({Lv2Port::Kind::kControlOut, plug.mOutputValues[i].mSymbol,
                        plug.mOutputValues[i].mName, static_cast<int>(i)});
  d.mPorts.push_back({Lv2Port::Kind::kLatency, "latency", "Latency", 0});
}

void AddPresets(Lv2Description& d, const PlugDescriptor& plug) {
  for (const FactoryPreset& preset : plug.mPresets) {
    Lv2Preset out{d.mUri + "#preset_" + preset.mSymbol, preset.mName, {}};
    for (const ParamDescriptor* param : plug.UsedParams())
      if (static_cast<std::size_t>(param->mId) < preset.mValues.size())
        out.mPortValues.emplace_back(param->mSymbol,
                                     preset.mValues[static_cast<std::size_t>(param->mId)]);
    d.mPresets.push_back(std::move(out));
  }
}

Lv2Description MakeDescription(const PlugDescriptor& plug) {
  const PlugIdentity& identity = plug.mIdentity;
  Lv2Description d;
  d.mPlug = &plug;
  d.mUri = identity.mLv2Uri;
  d.mUiUri = identity.mLv2Uri + ":ui";
  d.mName = identity.mName;
  d.mVendor = identity.mVendor;
  d.mBinary = identity.mName + ".so";
  d.mPluginTurtle = identity.mName + ".ttl";
  d.mUiTurtle = identity.mName + "-ui.ttl";
  d.mPresetsTurtle = identity.mName + "-presets.ttl";
  d.mMinorVersion = (identity.mVersion >> 8) & 0xFF;
  d.mMicroVersion = identity.mVersion & 0xFF;
  AddAudioPorts(d, plug);
  AddControlPorts(d, plug);
  AddOutputPorts(d, plug);
  AddPresets(d, plug);
  for (const TextState& text : plug.mTexts)
    d.mTextKeys.push_back(d.mUri + "#" + text.mSymbol);
  return d;
}

}  // namespace

const Lv2Description& Lv2DescriptionOf(const PlugDescriptor& plug) {
  static std::mutex mutex;
  static std::map<const PlugDescriptor*, std::unique_ptr<const Lv2Description>> made;
  std::lock_guard lock(mutex);
  auto& description = made[&plug];
  if (!description) description = std::make_unique<const Lv2Description>(MakeDescription(plug));
  return *description;
}
