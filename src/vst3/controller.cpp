// Vst3Plugin as the host's edit controller: the used parameters with their
// indices as ids and the plug-in's own normalisation, texts and parsing;
// one unit per track; the editor's view.
#include <cmath>
#include <vector>

#include "vst3/editor_view.h"
#include "vst3/stream_io.h"
#include "vst3/string16.h"
#include "vst3/vst3_plugin.h"

using namespace vst3;

namespace {
// Longer texts from a host are cut here: the format's strings hold 128 units.
constexpr std::size_t kHostTextUnits = 128;
}  // namespace

tresult Vst3Plugin::setComponentState(IBStream* state) {
  // The processor's state, which is this object's own: applied only when it
  // differs, as after a host restored another object's. No call into the
  // handler.
  return NoThrow([&] { return RestoreFrom(state, true) ? kResultOk : kResultFalse; });
}

int32 Vst3Plugin::getParameterCount() {
  return mParams.Count();
}

tresult Vst3Plugin::getParameterInfo(int32 index, ParameterInfo* info) {
  const ParameterInfo* found = mParams.InfoAt(index);
  if (!found || !info) return kInvalidArgument;
  *info = *found;
  return kResultOk;
}

tresult Vst3Plugin::getParamStringByValue(ParamID id, ParamValue normalized, char16* text) {
  const int index = mParams.IndexOf(id);
  if (index < 0 || !text) return kInvalidArgument;
  return NoThrow([&] {
    const IParam* param = Plug().GetParam(index);
    CopyUtf8ToString16(param->GetDisplayForHost(IParam::ClampNormalized(normalized), true), text,
                       kHostTextUnits);
    return kResultOk;
  });
}

tresult Vst3Plugin::getParamValueByString(ParamID id, char16* text, ParamValue* normalized) {
  const int index = mParams.IndexOf(id);
  if (index < 0 || !text || !normalized) return kInvalidArgument;
  return NoThrow([&] {
    const IParam* param = Plug().GetParam(index);
    double value = 0.;
    if (!param->ValueForText(String16ToUtf8(text, kHostTextUnits), &value)) return kResultFalse;
    *normalized = param->GetNormalized(value);
    return kResultOk;
  });
}

ParamValue Vst3Plugin::normalizedParamToPlain(ParamID id, ParamValue normalized) {
  const int index = mParams.IndexOf(id);
  if (index < 0) return normalized;
  return Plug().GetParam(index)->ValueForNormalized(IParam::ClampNormalized(normalized));
}

ParamValue Vst3Plugin::plainParamToNormalized(ParamID id, ParamValue plain) {
  const int index = mParams.IndexOf(id);
  if (index < 0 || std::isnan(plain)) return 0.;
  const IParam* param = Plug().GetParam(index);
  return param->GetNormalized(std::clamp(plain, param->GetMin(), param->GetMax()));
}

ParamValue Vst3Plugin::getParamNormalized(ParamID id) {
  const int index = mParams.IndexOf(id);
  return index < 0 ? 0. : Plug().GetParam(index)->GetNormalized();
}

tresult Vst3Plugin::setParamNormalized(ParamID id, ParamValue) {
  // The host sends the same value to the processor, which is this object:
  // the value changes there, in its block, and the editor follows it. Taken
  // here as well, a late call would set a value the processor has left.
  return mParams.IndexOf(id) < 0 ? kInvalidArgument : kResultOk;
}

tresult Vst3Plugin::setComponentHandler(IComponentHandler* handler) {
  mHandler = RefPtr<IComponentHandler>::Share(handler);
  mHandler2 = RefPtr<IComponentHandler2>::Query(handler);
  return kResultOk;
}

IPlugView* Vst3Plugin::createView(FIDString name) {
  if (!name || std::string_view(name) != kEditorViewType || !Plug().GetGUI()) return nullptr;
  try {
    return new EditorView(*this);
  } catch (...) {
    return nullptr;
  }
}

int32 Vst3Plugin::getUnitCount() {
  return mParams.UnitCount();
}

tresult Vst3Plugin::getUnitInfo(int32 unitIndex, UnitInfo* info) {
  const std::string* name = mParams.UnitName(unitIndex);
  if (!name || !info) return kInvalidArgument;
  *info = {};
  info->id = unitIndex;
  info->parentUnitId = unitIndex == kRootUnitId ? kNoParentUnitId : kRootUnitId;
  CopyUtf8ToString16(*name, info->name);
  info->programListId = kNoProgramListId;
  return kResultOk;
}

int32 Vst3Plugin::getProgramListCount() {
  return 0;
}

tresult Vst3Plugin::getProgramListInfo(int32, ProgramListInfo*) {
  return kInvalidArgument;
}

tresult Vst3Plugin::getProgramName(ProgramListID, int32, char16*) {
  return kInvalidArgument;
}

tresult Vst3Plugin::getProgramInfo(ProgramListID, int32, FIDString, char16*) {
  return kInvalidArgument;
}

tresult Vst3Plugin::hasProgramPitchNames(ProgramListID, int32) {
  return kResultFalse;
}

tresult Vst3Plugin::getProgramPitchName(ProgramListID, int32, int16, char16*) {
  return kResultFalse;
}

UnitID Vst3Plugin::getSelectedUnit() {
  return kRootUnitId;
}

tresult Vst3Plugin::selectUnit(UnitID unitId) {
  return mParams.UnitName(unitId) ? kResultOk : kInvalidArgument;
}

tresult Vst3Plugin::getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32,
                                 UnitID* unitId) {
  // Audio pair n is track n's.
  if (!unitId || !BusExists(type, dir, busIndex) || !mParams.UnitName(busIndex + 1))
    return kResultFalse;
  *unitId = busIndex + 1;
  return kResultOk;
}

tresult Vst3Plugin::setUnitProgramData(int32, int32, IBStream*) {
  return kNotImplemented;
}
