// The VST3 adapter: one object that a host sees as the plug-in's component,
// its processor and its controller (hosts find the controller on the
// component; Ardour initialises such an object once per role), owning one
// plug-in through PlugInstance. The component's state is the plug-in's
// program chunk; the controller keeps no state of its own. Edits reach the
// host's component handler only from the editor view's run-loop timer, on
// the host's UI thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "framework/ieffect_base.h"
#include "framework/plug_descriptor.h"
#include "framework/plug_instance.h"
#include "vst3/change_points.h"
#include "vst3/parameter_table.h"
#include "vst3/ref_counted.h"
#include "vst3/ref_ptr.h"
#include "vst3/vst3_abi.h"

class EditorView;

namespace vst3 {

// IComponent and IEditController both declare setState and getState: one
// override would serve both vtables. These two give each role its own.
class ComponentRole : public IComponent {
 public:
  tresult setState(IBStream* state) final { return SetComponentState(state); }
  tresult getState(IBStream* state) final { return GetComponentState(state); }

 protected:
  ~ComponentRole() = default;
  virtual tresult SetComponentState(IBStream* state) = 0;
  virtual tresult GetComponentState(IBStream* state) = 0;
};

class ControllerRole : public IEditController {
 public:
  tresult setState(IBStream* state) final { return SetControllerState(state); }
  tresult getState(IBStream* state) final { return GetControllerState(state); }

 protected:
  ~ControllerRole() = default;
  virtual tresult SetControllerState(IBStream* state) = 0;
  virtual tresult GetControllerState(IBStream* state) = 0;
};

}  // namespace vst3

class Vst3Plugin final
    : public PlugInstance,
      public IPlugHost,
      public vst3::RefCounted<vst3::ComponentRole, vst3::IAudioProcessor, vst3::ControllerRole,
                              vst3::IUnitInfo, vst3::IProcessContextRequirements> {
 public:
  // A new plug-in of the descriptor's, with one reference for the caller.
  static vst3::FUnknown* Create(const PlugDescriptor& descriptor);

  Vst3Plugin(const PlugDescriptor& descriptor, std::unique_ptr<IEffectBase> plug);
  ~Vst3Plugin() override;

  // IPluginBase, once per role.
  vst3::tresult initialize(vst3::FUnknown* context) override;  // host
  vst3::tresult terminate() override;                          // host

  // IComponent.
  vst3::tresult getControllerClassId(char* classId) override;                      // host
  vst3::tresult setIoMode(vst3::IoMode mode) override;                             // host
  vst3::int32 getBusCount(vst3::MediaType type, vst3::BusDirection dir) override;  // any
  vst3::tresult getBusInfo(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                           vst3::BusInfo* bus) override;                                 // any
  vst3::tresult getRoutingInfo(vst3::RoutingInfo* in, vst3::RoutingInfo* out) override;  // host
  vst3::tresult activateBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index,
                            vst3::TBool state) override;  // host, audio
  vst3::tresult setActive(vst3::TBool state) override;    // host, audio

  // IAudioProcessor (processor.cpp).
  vst3::tresult setBusArrangements(vst3::SpeakerArrangement* inputs, vst3::int32 numIns,
                                   vst3::SpeakerArrangement* outputs,
                                   vst3::int32 numOuts) override;  // host, audio
  vst3::tresult getBusArrangement(vst3::BusDirection dir, vst3::int32 index,
                                  vst3::SpeakerArrangement* arrangement) override;  // host, audio
  vst3::tresult canProcessSampleSize(vst3::int32 symbolicSampleSize) override;      // host
  vst3::uint32 getLatencySamples() override;                                        // host, audio
  vst3::tresult setupProcessing(vst3::ProcessSetup* setup) override;                // host
  vst3::tresult setProcessing(vst3::TBool state) override;                          // host, audio
  vst3::tresult process(vst3::ProcessData* data) override;                          // audio
  vst3::uint32 getTailSamples() override;                                           // host
  vst3::uint32 getProcessContextRequirements() override;                            // host

  // IEditController (controller.cpp).
  vst3::tresult setComponentState(vst3::IBStream* state) override;                        // host
  vst3::int32 getParameterCount() override;                                               // host
  vst3::tresult getParameterInfo(vst3::int32 index, vst3::ParameterInfo* info) override;  // host
  vst3::tresult getParamStringByValue(vst3::ParamID id, vst3::ParamValue normalized,
                                      vst3::char16* text) override;  // host
  vst3::tresult getParamValueByString(vst3::ParamID id, vst3::char16* text,
                                      vst3::ParamValue* normalized) override;  // host
  vst3::ParamValue normalizedParamToPlain(vst3::ParamID id,
                                          vst3::ParamValue normalized) override;  // any
  vst3::ParamValue plainParamToNormalized(vst3::ParamID id,
                                          vst3::ParamValue plain) override;             // any
  vst3::ParamValue getParamNormalized(vst3::ParamID id) override;                       // host
  vst3::tresult setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;  // host
  vst3::tresult setComponentHandler(vst3::IComponentHandler* handler) override;         // host
  vst3::IPlugView* createView(vst3::FIDString name) override;                           // host

  // IUnitInfo (controller.cpp): one unit per track.
  vst3::int32 getUnitCount() override;
  vst3::tresult getUnitInfo(vst3::int32 unitIndex, vst3::UnitInfo* info) override;
  vst3::int32 getProgramListCount() override;
  vst3::tresult getProgramListInfo(vst3::int32 listIndex, vst3::ProgramListInfo* info) override;
  vst3::tresult getProgramName(vst3::ProgramListID listId, vst3::int32 programIndex,
                               vst3::char16* name) override;
  vst3::tresult getProgramInfo(vst3::ProgramListID listId, vst3::int32 programIndex,
                               vst3::FIDString attributeId, vst3::char16* value) override;
  vst3::tresult hasProgramPitchNames(vst3::ProgramListID listId, vst3::int32 programIndex) override;
  vst3::tresult getProgramPitchName(vst3::ProgramListID listId, vst3::int32 programIndex,
                                    vst3::int16 pitch, vst3::char16* name) override;
  vst3::UnitID getSelectedUnit() override;
  vst3::tresult selectUnit(vst3::UnitID unitId) override;
  vst3::tresult getUnitByBus(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 busIndex,
                             vst3::int32 channel, vst3::UnitID* unitId) override;
  vst3::tresult setUnitProgramData(vst3::int32 listOrUnitId, vst3::int32 programIndex,
                                   vst3::IBStream* data) override;

  // IPlugHost: what the plug-in tells its host, delivered by the editor
  // view's timer on the host's UI thread.
  void BeginEdit(int paramIdx) override;
  void Automate(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void EditorResized(int width, int height) override;
  void LatencyChanged(int samples) override;
  void TextsChanged() override;
  void ProgramChanged() override;
  bool IsRenderingOffline() override;
  bool GetTransport(std::uint32_t wanted, HostTransport* transport) override;
  HostProduct Identify() override;
  bool SendMidi(const IMidiMsg& msg) override;
  bool SendSysEx(const ISysEx& msg) override;

  // The editor view while it is attached (editor_view.cpp); UI thread.
  void AttachView(EditorView* view) { mView = view; }
  bool HasView() const { return mView != nullptr; }
  void DetachView(EditorView* view) {
    if (mView == view) mView = nullptr;
  }
  const vst3::ParameterTable& Parameters() const { return mParams; }

 private:
  // What a host call that allocates outside Enter returns when it fails:
  // nothing may unwind into the host.
  template <typename Call>
  static vst3::tresult NoThrow(Call call) {
    try {
      return call();
    } catch (...) {
      return vst3::kInternalError;
    }
  }

  // The host's handler, for a call on its UI thread, never under the
  // plug-in's mutex.
  vst3::IComponentHandler* Handler();

  vst3::tresult SetComponentState(vst3::IBStream* state) override;
  vst3::tresult GetComponentState(vst3::IBStream* state) override;
  vst3::tresult SetControllerState(vst3::IBStream* state) override;
  vst3::tresult GetControllerState(vst3::IBStream* state) override;

  // A state from a stream, applied (unless it is the current one, when
  // `unlessSame`), the stream left after it; false and nothing changed for
  // one that is not whole.
  bool RestoreFrom(vst3::IBStream* stream, bool unlessSame);
  vst3::int32 BusCount(vst3::MediaType type, vst3::BusDirection dir) const;
  bool BusExists(vst3::MediaType type, vst3::BusDirection dir, vst3::int32 index) const;
  // The host's buffers of one call as the plug-in's channel pointers: null
  // for inactive buses, missing buffers and inputs flagged silent.
  template <typename Sample>
  void BindChannels(const vst3::ProcessData& data, std::vector<Sample*>* in,
                    std::vector<Sample*>* out);
  // The block in pieces, each parameter change applied where it falls.
  template <typename Sample>
  void RunPieces(std::vector<Sample*>& in, std::vector<Sample*>& out, vst3::int32 frames);
  // Zeros and flags what the plug-in left silent or never wrote.
  template <typename Sample>
  void MarkSilence(vst3::ProcessData& data, const std::vector<Sample*>& out);
  void SilenceOutputs(vst3::ProcessData& data);

  const PlugDescriptor& mDescriptor;
  vst3::ParameterTable mParams;
  int mRoles = 0;  // initialize calls not yet terminated
  std::string mHostName;
  vst3::RefPtr<vst3::IComponentHandler> mHandler;
  vst3::RefPtr<vst3::IComponentHandler2> mHandler2;
  EditorView* mView = nullptr;

  // Set up and active: process runs only when both are.
  std::atomic<bool> mSetUp{false};
  std::atomic<bool> mActive{false};
  std::atomic<bool> mOffline{false};
  std::atomic<int> mLatency{0};
  std::unique_ptr<std::atomic<bool>[]> mBusActive;  // inputs, then outputs

  // The audio thread's: room made once, the current call's transport.
  vst3::ChangePoints mChanges;
  std::vector<float*> mIn32, mOut32, mPieceIn32, mPieceOut32;
  std::vector<double*> mIn64, mOut64, mPieceIn64, mPieceOut64;
  const vst3::ProcessContext* mContext = nullptr;
  vst3::int32 mPieceStart = 0;
};
