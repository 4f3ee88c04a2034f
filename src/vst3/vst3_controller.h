// The VST3 binary interface: the edit controller, the side of a
// plug-in that describes its parameters, converts and shows their values and
// makes its editor; the host's handler it reports edits to; the optional
// controller interfaces.
#pragma once

#include <cstddef>

#include "vst3/vst3_base.h"
#include "vst3/vst3_stream.h"

namespace vst3 {

class IPlugView;

struct ParameterInfo {
  enum ParameterFlags : int32 {
    kNoFlags = 0,
    kCanAutomate = 1,
    kIsReadOnly = 2,
    kIsWrapAround = 4,
    kIsList = 8,  // shown as the list of its steps' texts
    kIsHidden = 16,
    kIsProgramChange = 32768,
    kIsBypass = 65536,  // the host's bypass; at most one
  };
  ParamID id;  // stable forever, need not be contiguous
  String128 title;
  String128 shortTitle;
  String128 units;  // "dB"
  int32 stepCount;  // 0 continuous, 1 toggle, n: n + 1 values
  ParamValue defaultNormalizedValue;
  UnitID unitId;  // 0: the root unit
  int32 flags;
};
static_assert(sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8);
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 &&
              offsetof(ParameterInfo, unitId) == 784 && offsetof(ParameterInfo, flags) == 788);

constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

// What restartComponent asks the host to read anew.
enum RestartFlags : int32 {
  kReloadComponent = 1,
  kIoChanged = 2,
  kParamValuesChanged = 4,
  kLatencyChanged = 8,
  kParamTitlesChanged = 16,
  kMidiCcAssignmentChanged = 32,
  kNoteExpressionChanged = 64,
  kIoTitlesChanged = 128,
  kPrefetchableSupportChanged = 256,
  kRoutingInfoChanged = 512,
  kKeyswitchChanged = 1024,
  kParamIdMappingChanged = 2048,
};

// The host's; called by the plug-in on the host's UI thread only.
class IComponentHandler : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
  using Base = FUnknown;

  virtual tresult beginEdit(ParamID id) = 0;                           // host UI
  virtual tresult performEdit(ParamID id, ParamValue normalized) = 0;  // host UI
  virtual tresult endEdit(ParamID id) = 0;                             // host UI
  virtual tresult restartComponent(int32 flags) = 0;                   // host UI

 protected:
  ~IComponentHandler() = default;
};

// Optional, queried from the handler.
class IComponentHandler2 : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
  using Base = FUnknown;

  virtual tresult setDirty(TBool state) = 0;              // host UI
  virtual tresult requestOpenEditor(FIDString name) = 0;  // host UI
  virtual tresult startGroupEdit() = 0;                   // host UI
  virtual tresult finishGroupEdit() = 0;                  // host UI

 protected:
  ~IComponentHandler2() = default;
};

class IEditController : public IPluginBase {
 public:
  static constexpr Iid kIid = MakeIid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
  using Base = IPluginBase;

  // The processor's state (what IComponent::getState wrote), for the
  // controller's values; calls nothing of the handler.
  virtual tresult setComponentState(IBStream* state) = 0;  // host
  // The controller's own state.
  virtual tresult setState(IBStream* state) = 0;                           // host
  virtual tresult getState(IBStream* state) = 0;                           // host
  virtual int32 getParameterCount() = 0;                                   // host
  virtual tresult getParameterInfo(int32 index, ParameterInfo* info) = 0;  // host
  virtual tresult getParamStringByValue(ParamID id, ParamValue normalized,
                                        char16* text /* String128 */) = 0;  // host
  virtual tresult getParamValueByString(ParamID id, char16* text,
                                        ParamValue* normalized) = 0;  // host
  // Pure conversions; some hosts call them on the audio thread.
  virtual ParamValue normalizedParamToPlain(ParamID id, ParamValue normalized) = 0;  // any
  virtual ParamValue plainParamToNormalized(ParamID id, ParamValue plain) = 0;       // any
  virtual ParamValue getParamNormalized(ParamID id) = 0;                             // host
  // The host sets a value (automation, the processor's output): the editor
  // follows; never echoed to the handler.
  virtual tresult setParamNormalized(ParamID id, ParamValue value) = 0;  // host
  virtual tresult setComponentHandler(IComponentHandler* handler) = 0;   // host
  // "editor"; a new view with one reference, or null.
  virtual IPlugView* createView(FIDString name) = 0;  // host

 protected:
  ~IEditController() = default;
};

enum KnobModes : int32 { kCircularMode = 0, kRelativeCircularMode = 1, kLinearMode = 2 };

class IEditController2 : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
  using Base = FUnknown;

  virtual tresult setKnobMode(int32 mode) = 0;        // host
  virtual tresult openHelp(TBool onlyCheck) = 0;      // host
  virtual tresult openAboutBox(TBool onlyCheck) = 0;  // host

 protected:
  ~IEditController2() = default;
};

// The host brackets its own edits of parameters that are not automatable.
class IEditControllerHostEditing : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0xC1271208, 0x70594098, 0xB9DD34B3, 0x6BB0195E);
  using Base = FUnknown;

  virtual tresult beginEditFromHost(ParamID id) = 0;  // host
  virtual tresult endEditFromHost(ParamID id) = 0;    // host

 protected:
  ~IEditControllerHostEditing() = default;
};

class IMidiMapping : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);
  using Base = FUnknown;

  virtual tresult getMidiControllerAssignment(int32 busIndex, int16 channel, CtrlNumber controller,
                                              ParamID* id) = 0;  // host

 protected:
  ~IMidiMapping() = default;
};

// Groups of parameters (units), each parameter in one by its unitId.
struct UnitInfo {
  UnitID id;
  UnitID parentUnitId;  // kNoParentUnitId for the root
  String128 name;
  ProgramListID programListId;  // kNoProgramListId
};
static_assert(sizeof(UnitInfo) == 268 && offsetof(UnitInfo, name) == 8 &&
              offsetof(UnitInfo, programListId) == 264);

struct ProgramListInfo {
  ProgramListID id;
  String128 name;
  int32 programCount;
};
static_assert(sizeof(ProgramListInfo) == 264 && offsetof(ProgramListInfo, programCount) == 260);

class IUnitInfo : public FUnknown {
 public:
  static constexpr Iid kIid = MakeIid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
  using Base = FUnknown;

  virtual int32 getUnitCount() = 0;                                                // host
  virtual tresult getUnitInfo(int32 unitIndex, UnitInfo* info) = 0;                // host
  virtual int32 getProgramListCount() = 0;                                         // host
  virtual tresult getProgramListInfo(int32 listIndex, ProgramListInfo* info) = 0;  // host
  virtual tresult getProgramName(ProgramListID listId, int32 programIndex,
                                 char16* name /* String128 */) = 0;  // host
  virtual tresult getProgramInfo(ProgramListID listId, int32 programIndex, FIDString attributeId,
                                 char16* value /* String128 */) = 0;                   // host
  virtual tresult hasProgramPitchNames(ProgramListID listId, int32 programIndex) = 0;  // host
  virtual tresult getProgramPitchName(ProgramListID listId, int32 programIndex, int16 pitch,
                                      char16* name /* String128 */) = 0;  // host
  virtual UnitID getSelectedUnit() = 0;                                   // host
  virtual tresult selectUnit(UnitID unitId) = 0;                          // host
  virtual tresult getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                               UnitID* unitId) = 0;  // host
  virtual tresult setUnitProgramData(int32 listOrUnitId, int32 programIndex,
                                     IBStream* data) = 0;  // host

 protected:
  ~IUnitInfo() = default;
};

}  // namespace vst3
