// The LV2 adapter: one plug-in instance behind LV2's instance calls. It owns
// the plug-in, binds the host's port buffers, applies the control ports the
// host changed, reports the output values, keeps the plug-in's texts in the
// host's state, and hands the editor's gestures to the UI that shows it.
#pragma once

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "framework/plug_instance.h"
#include "lv2/lv2_description.h"
#include "lv2/lv2_ui.h"

class Lv2Plugin final : public PlugInstance, public IPlugHost {
 public:
  // The longest text a state carries, saved and restored alike: far more
  // than any name the editor takes.
  static constexpr std::size_t kMaxTextBytes = std::size_t{1} << 20;

  // Null for a rate the plug-in cannot run at, or a plug-in that could not be
  // made.
  static std::unique_ptr<Lv2Plugin> Create(const Lv2Description& description, double sampleRate,
                                           const LV2_Feature* const* features);  // host
  ~Lv2Plugin() override;                                                         // host

  void ConnectPort(std::uint32_t port, void* data);                                     // any
  void Activate();                                                                      // host
  void Deactivate();                                                                    // host
  void Run(std::uint32_t frames);                                                       // audio
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);  // host
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve,
                                LV2_State_Handle handle);  // host

  const Lv2Description& Description() const { return mDescription; }
  // The control input port of a parameter, or -1.
  int PortOfParam(int paramIdx) const;
  // The UI that shows the plug-in's editor, to which its gestures go; the
  // last one attached holds it.
  void AttachUi(Lv2Ui* ui);  // host
  // True when `ui` was the one attached.
  bool DetachUi(Lv2Ui* ui);  // host
  // What every UI of this instance holds of it.
  std::shared_ptr<Lv2UiLink> UiLink() const { return mUiLink; }

  // What the plug-in tells its host, through the attached UI in its idle call.
  void BeginEdit(int paramIdx) override;
  void Automate(int paramIdx, double normalizedValue) override;
  void EndEdit(int paramIdx) override;
  void ProgramChanged() override {}
  void EditorResized(int width, int height) override;
  void LatencyChanged(int) override {}
  void TextsChanged() override {}
  // What it asks.
  bool IsRenderingOffline() override { return false; }
  bool GetTransport(std::uint32_t, HostTransport*) override { return false; }
  HostProduct Identify() override { return {}; }
  bool SendMidi(const IMidiMsg&) override { return false; }
  bool SendSysEx(const ISysEx&) override { return false; }

 private:
  Lv2Plugin(std::unique_ptr<IEffectBase> plug, const Lv2Description& description,
            LV2_URID_Map* map);
  // A call through the instance's guard; LV2 hosts close an instance only
  // through its cleanup, never from inside a call.
  template <typename Request>
  void Guarded(Request request) {
    [[maybe_unused]] const bool closeDue = Enter(request);
  }
  void ApplyChangedControls();
  void WriteOutputs();
  // Runs `post` on the attached UI, if there is one.
  template <typename Post>
  void ToUi(Post post);

  const Lv2Description& mDescription;
  LV2_URID_Map* mMap;  // null when the host maps nothing: no state then
  std::vector<void*> mPortData;
  // The value each control input had when last applied, bit for bit, and
  // whether it was ever applied: only a port the host changed is applied.
  struct SeenControl {
    std::uint32_t mBits = 0;
    bool mSeen = false;
  };
  std::vector<SeenControl> mSeen;
  std::vector<float*> mInputs;
  std::vector<float*> mOutputs;
  std::mutex mUiMutex;
  Lv2Ui* mUi = nullptr;
  std::shared_ptr<Lv2UiLink> mUiLink;
};
