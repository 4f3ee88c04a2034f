// The parameters a VST3 host sees, from the plug-in's descriptor: the used
// ones only, each with its index as its id; switches and choices as stepped
// lists; the host's bypass flagged; each track's parameters in a unit of
// their own.
#pragma once

#include <string>
#include <vector>

#include "framework/ieffect_base.h"
#include "framework/plug_descriptor.h"
#include "vst3/vst3_controller.h"

namespace vst3 {

class ParameterTable {
 public:
  // Defaults normalised as the plug-in normalises its values.
  ParameterTable(const PlugDescriptor& descriptor, const IEffectBase& plug);

  int32 Count() const { return static_cast<int32>(mInfos.size()); }
  // The info at a position of the host's list, or null.
  const ParameterInfo* InfoAt(int32 position) const;
  // The plug-in's index for a host's id, or -1 for an id it does not publish.
  int IndexOf(ParamID id) const;
  bool Publishes(int index) const {
    return index >= 0 && IndexOf(static_cast<ParamID>(index)) >= 0;
  }

  // Units: the root, then one per track.
  int32 UnitCount() const { return static_cast<int32>(mUnitNames.size()); }
  const std::string* UnitName(int32 unit) const;

 private:
  std::vector<ParameterInfo> mInfos;
  std::vector<int> mIndexById;  // -1 where nothing is published
  std::vector<std::string> mUnitNames;
};

}  // namespace vst3
