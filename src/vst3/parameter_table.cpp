#include "vst3/parameter_table.h"

#include <algorithm>
#include <cmath>

#include "vst3/string16.h"

namespace vst3 {

namespace {

int32 StepCount(const ParamDescriptor& param) {
  if (param.mStyle == ParamStyle::kContinuous) return 0;
  return static_cast<int32>(std::lround((param.mMax - param.mMin) / param.mStep));
}

}  // namespace

ParameterTable::ParameterTable(const PlugDescriptor& descriptor, const IEffectBase& plug) {
  mUnitNames.push_back(descriptor.mIdentity.mName);
  for (const AudioPair& track : descriptor.mInputs)
    mUnitNames.push_back(track.mName);

  for (const ParamDescriptor* param : descriptor.UsedParams()) {
    if (!plug.IsValidParamIdx(param->mId)) continue;
    ParameterInfo info{};
    info.id = static_cast<ParamID>(param->mId);
    CopyUtf8ToString16(param->mName, info.title);
    CopyUtf8ToString16(param->mName, info.shortTitle);
    CopyUtf8ToString16(param->mLabel, info.units);
    info.stepCount = StepCount(*param);
    info.defaultNormalizedValue = plug.GetParam(param->mId)->GetNormalized(param->mDefault);
    const bool inUnit = param->mTrack >= 0 && param->mTrack + 1 < UnitCount();
    info.unitId = inUnit ? param->mTrack + 1 : kRootUnitId;
    info.flags = ParameterInfo::kCanAutomate;
    if (info.stepCount > 0) info.flags |= ParameterInfo::kIsList;
    if (param->mHostBypass) info.flags |= ParameterInfo::kIsBypass;
    mInfos.push_back(info);

    const auto id = static_cast<std::size_t>(param->mId);
    if (id >= mIndexById.size()) mIndexById.resize(id + 1, -1);
    mIndexById[id] = param->mId;
  }
}

const ParameterInfo* ParameterTable::InfoAt(int32 position) const {
  if (position < 0 || position >= Count()) return nullptr;
  return &mInfos[static_cast<std::size_t>(position)];
}

int ParameterTable::IndexOf(ParamID id) const {
  return id < mIndexById.size() ? mIndexById[id] : -1;
}

const std::string* ParameterTable::UnitName(int32 unit) const {
  if (unit < 0 || unit >= UnitCount()) return nullptr;
  return &mUnitNames[static_cast<std::size_t>(unit)];
}

}  // namespace vst3
